#pragma once
// Volumes for the surface and colour benchmarks.
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

} // namespace velmor::bench
