#pragma once
// Volumes for the surface and colour benchmarks and the peer scripts.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace velmor::bench {

// A 16-bit gyroid with about four periods across the volume: a surface
// that crosses every slab, the worst case for the extraction.
inline std::vector<uint16_t> Gyroid(uint64_t n)
{
    std::vector<uint16_t> v(n * n * n);
    const double f = 8.0 * M_PI / double(n);
    for (uint64_t k = 0; k < n; ++k)
        for (uint64_t j = 0; j < n; ++j)
            for (uint64_t i = 0; i < n; ++i) {
                const double x = i * f, y = j * f, z = k * f;
                const double g = std::sin(x) * std::cos(y) + std::sin(y) * std::cos(z) + std::sin(z) * std::cos(x);
                v[i + n * (j + n * k)] = uint16_t(32768 + 20000 * g);
            }
    return v;
}

// Samples of the CT-like phantom (stored values, air 0, water about 1024).
constexpr uint16_t kCtBoneLow = 1300;

// A 16-bit torso in the manner of a CT scan: air around a body of soft
// tissue under a fat layer, two lungs, a spine of hollow vertebrae with
// marrow and discs, ribs, and noise everywhere. Its bone surface (samples
// from kCtBoneLow up) is sparse, as in real scans: most rows and many
// slices of cells are never crossed.
inline std::vector<uint16_t> CtPhantom(uint64_t n)
{
    std::vector<uint16_t> v(n * n * n);
    uint32_t state = 2463534242u;
    auto uniform = [&state] {   // xorshift32, -16..15
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return int(state >> 27) - 16;
    };
    const double h = double(n) / 2;
    for (uint64_t k = 0; k < n; ++k) {
        const double z = (double(k) + 0.5 - h) / h;
        const bool disc = std::fmod(z + 1.0, 0.16) < 0.03;
        const bool ribBand = std::fmod(z + 1.0, 0.13) < 0.045;
        for (uint64_t j = 0; j < n; ++j) {
            const double y = (double(j) + 0.5 - h) / h;
            for (uint64_t i = 0; i < n; ++i) {
                const double x = (double(i) + 0.5 - h) / h;
                const double body = std::sqrt((x / 0.9) * (x / 0.9) + (y / 0.7) * (y / 0.7));
                double s = 0;
                if (body < 1) {
                    s = body > 0.94 ? 950 : 1064;
                    const double lx = std::fabs(x) - 0.4, ly = y - 0.05;
                    if ((lx / 0.28) * (lx / 0.28) + (ly / 0.38) * (ly / 0.38) + (z / 0.85) * (z / 0.85) < 1) s = 180;
                    if (ribBand && body > 0.82 && body < 0.88 && y > -0.45) s = 1750;
                    const double r = std::sqrt(x * x + (y + 0.48) * (y + 0.48));
                    if (r < 0.13) s = disc ? 1090 : r > 0.1 ? 1950 : 1220;
                }
                const int noisy = int(s) + uniform() + uniform() + uniform() + uniform();
                v[i + n * (j + n * k)] = uint16_t(std::clamp(noisy, 0, 65535));
            }
        }
    }
    return v;
}

} // namespace velmor::bench
