#pragma once
// Colour conversions that draw units share.
#include <cstdint>

namespace velmor {

// (r, g, b, a) on the 0..255 scale of scene files into 0..1; not clamped.
void ColorFrom255(float out[4], float r, float g, float b, float a);

// Hue in degrees (360 is 0), saturation and value 0..1, into bytes.
void HueToRgb(uint8_t& r, uint8_t& g, uint8_t& b, float hue, float saturation, float value);

} // namespace velmor
