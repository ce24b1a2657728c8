#include "processing/ColorConversion.h"

#include <algorithm>
#include <cmath>

namespace velmor {

void ColorFrom255(float out[4], float r, float g, float b, float a)
{
    out[0] = static_cast<float>(r / 255.0);
    out[1] = static_cast<float>(g / 255.0);
    out[2] = static_cast<float>(b / 255.0);
    out[3] = static_cast<float>(a / 255.0);
}

namespace {

// Truncated toward zero and kept as its low byte; the clamp only keeps the
// conversion defined for absurd inputs.
uint8_t LowByte(float x) { return static_cast<uint8_t>(static_cast<int32_t>(std::clamp(x, -1e9f, 1e9f))); }

} // namespace

void HueToRgb(uint8_t& r, uint8_t& g, uint8_t& b, float hue, float saturation, float value)
{
    const float h = hue / 60.0f;
    int sector = static_cast<int>(std::floor(h));
    float f = h - static_cast<float>(sector);
    if (sector == 6) {
        sector = 0;
        f = 0.0f;
    }
    // Hues outside 0..360 are never passed; wrapping keeps them harmless.
    sector = ((sector % 6) + 6) % 6;
    const uint8_t V = LowByte(value * 255.0f);
    const uint8_t P = LowByte((1.0f - saturation) * value * 255.0f);
    const uint8_t Q = LowByte((1.0f - saturation * f) * value * 255.0f);
    const uint8_t T = LowByte((1.0f - (1.0f - f) * saturation) * value * 255.0f);
    const uint8_t table[6][3] = {{V, T, P}, {Q, V, P}, {P, V, T}, {P, Q, V}, {T, P, V}, {V, P, Q}};
    r = table[sector][0];
    g = table[sector][1];
    b = table[sector][2];
}

} // namespace velmor
