#include "support/VolumeWriter.h"

#include <random>

namespace velmor::test {

uint32_t TestVolume::At(int64_t i, int64_t j, int64_t k) const
{
    const size_t at = static_cast<size_t>(((k * y + j) * x + i) * bytes);
    return bytes == 1 ? values[at] : values[at] | (values[at + 1] << 8);
}

TestVolume RandomVolume(int64_t x, int64_t y, int64_t z, int bytes, unsigned seed)
{
    TestVolume v{x, y, z, bytes, std::vector<uint8_t>(static_cast<size_t>(x * y * z * bytes), 0)};
    std::mt19937 rng(seed);
    for (int64_t k = 0; k < z; ++k)
        for (int64_t j = 0; j < y; ++j) {
            const int64_t lead = rng() % (x + 1);
            const int64_t trail = lead == x ? 0 : rng() % (x - lead + 1);
            for (int64_t i = lead; i < x - trail; ++i)
                for (int b = 0; b < bytes; ++b)
                    v.values[static_cast<size_t>(((k * y + j) * x + i) * bytes + b)] = static_cast<uint8_t>(1 + rng() % 255);
        }
    return v;
}

std::string RawBytes(const TestVolume& v) { return std::string(v.values.begin(), v.values.end()); }

std::string KxdBytes(const TestVolume& v)
{
    std::string out(1, '\x01');
    auto put16 = [&out](int64_t n) {
        out += static_cast<char>(n & 0xFF);
        out += static_cast<char>((n >> 8) & 0xFF);
    };
    for (int64_t k = 0; k < v.z; ++k)
        for (int64_t j = 0; j < v.y; ++j) {
            int64_t lead = 0, trail = 0;
            while (lead < v.x && v.At(lead, j, k) == 0) ++lead;
            put16(lead);
            if (lead == v.x) continue;
            while (v.At(v.x - 1 - trail, j, k) == 0) ++trail;
            put16(trail);
            const size_t from = static_cast<size_t>(((k * v.y + j) * v.x + lead) * v.bytes);
            out.append(v.values.begin() + from, v.values.begin() + from + (v.x - lead - trail) * v.bytes);
        }
    return out;
}

std::vector<uint8_t> ReferenceLoad(const TestVolume& v, int n)
{
    const int64_t kx = (v.x + n - 1) / n, ky = (v.y + n - 1) / n, kz = (v.z + n - 1) / n;
    std::vector<uint8_t> out(static_cast<size_t>(kx * ky * kz * v.bytes), 0);
    for (int64_t k = 0; k < kz; ++k)
        for (int64_t j = 0; j < ky; ++j)
            for (int64_t i = 0; i < kx; ++i) {
                // Kept row j of a slice is memory row j * n, which holds file row y - 1 - j * n.
                const uint32_t value = v.At(i * n, v.y - 1 - j * n, k * n);
                const size_t at = static_cast<size_t>(((k * ky + j) * kx + i) * v.bytes);
                for (int b = 0; b < v.bytes; ++b) out[at + b] = static_cast<uint8_t>(value >> (8 * b));
            }
    return out;
}

} // namespace velmor::test
