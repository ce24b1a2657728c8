#include "processing/MaterialPresets.h"

#include "units/CKxDrawUnit.h"

#include <cmath>
#include <cstring>

namespace velmor {

void ColorFrom255(float out[4], float r, float g, float b, float a)
{
    out[0] = float(double(r) / 255.0);
    out[1] = float(double(g) / 255.0);
    out[2] = float(double(b) / 255.0);
    out[3] = float(double(a) / 255.0);
}

namespace {

// Low byte of the value truncated toward zero; values no integer can hold
// give 0 instead of an undefined conversion.
uint8_t TruncByte(float v)
{
    if (!std::isfinite(v) || std::fabs(v) >= 2147483648.0f) return 0;
    return static_cast<uint8_t>(static_cast<int32_t>(v) & 0xFF);
}

} // namespace

void HueToRgb(uint8_t& r, uint8_t& g, uint8_t& b, float hue, float saturation, float value)
{
    const float h = hue / 60.0f;
    float sector = std::floor(h);
    float f = h - sector;
    if (sector == 6.0f) {
        sector = 0.0f;
        f = 0.0f;
    }
    const uint8_t V = TruncByte(value * 255.0f);
    const uint8_t P = TruncByte((1.0f - saturation) * value * 255.0f);
    const uint8_t Q = TruncByte((1.0f - saturation * f) * value * 255.0f);
    const uint8_t T = TruncByte((1.0f - (1.0f - f) * saturation) * value * 255.0f);
    const int whole = sector >= 0.0f && sector < 6.0f ? static_cast<int>(sector) : -1;
    switch (whole) {
    case 0: r = V, g = T, b = P; break;
    case 1: r = Q, g = V, b = P; break;
    case 2: r = P, g = V, b = T; break;
    case 3: r = P, g = Q, b = V; break;
    case 4: r = T, g = P, b = V; break;
    case 5: r = V, g = P, b = Q; break;
    default: r = g = b = 0; break;   // hues outside 0..360
    }
}

void SetMaterialPresets(MaterialPreset (&presets)[MaterialPresetCount], uint8_t& presetMode, const Material& own,
                        uint8_t mode, const std::wstring& /*schemeName*/)
{
    for (MaterialPreset& p : presets) {
        for (int i = 0; i < 4; ++i) p.ambient[i] = p.diffuse[i] = 0.0f;
        ColorFrom255(p.specular, 25, 25, 25, 255);
        p.shininess = 120.0f;
    }
    presetMode = mode;
    if (mode == 0) return;
    std::memcpy(&presets[0], &own, sizeof(MaterialPreset));
    std::memcpy(&presets[1], &HighlightMaterial, sizeof(MaterialPreset));
}

} // namespace velmor
