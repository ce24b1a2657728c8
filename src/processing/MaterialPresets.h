#pragma once
// Colour helpers shared by the draw units, and the per-part materials of
// mesh units.
#include "units/Material.h"

#include <cstdint>
#include <string>

namespace velmor {

// One mesh part's material; the same layout as Material, so a whole
// Material is copied in as one block.
struct MaterialPreset {
    float ambient[4];
    float diffuse[4];
    float specular[4];
    float shininess;
};
static_assert(sizeof(MaterialPreset) == sizeof(Material));

constexpr int MaterialPresetCount = 11;

// out = (r, g, b, a) / 255, unclamped.
void ColorFrom255(float out[4], float r, float g, float b, float a);

// Hue in degrees (360 counts as 0), saturation and value in 0..1.
void HueToRgb(uint8_t& r, uint8_t& g, uint8_t& b, float hue, float saturation, float value);

// Resets all presets (black ambient and diffuse, specular 25/255, shininess
// 120) and stores the mode. With a mode other than 0, preset 0 takes the
// unit's own material and preset 1 the highlight material. Mode 0 names a
// colour scheme ("VolumeAbs2", "VolumeRep5", ...); no scene gives their
// colours, so those presets stay reset.
void SetMaterialPresets(MaterialPreset (&presets)[MaterialPresetCount], uint8_t& presetMode, const Material& own,
                        uint8_t mode = 1, const std::wstring& schemeName = {});

} // namespace velmor
