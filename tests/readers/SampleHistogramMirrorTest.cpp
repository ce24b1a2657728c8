#include "readers/SampleHistogram.h"
#include "readers/SampleMirror.h"

#include <array>
#include <cstring>
#include <gtest/gtest.h>
#include <numeric>
#include <random>
#include <vector>

using namespace velmor;

TEST(SampleHistogram, EightBitRangeIsFixed)
{
    const std::vector<uint8_t> rgb{10, 10, 10, 200, 7, 10};   // two RGB pixels: every channel counts
    uint64_t h[256];
    const HistogramSummary s = BuildHistogram8(rgb.data(), rgb.size(), h);
    EXPECT_EQ(h[10], 4u);
    EXPECT_EQ(h[200], 1u);
    EXPECT_EQ(s.displayMin, 0.0f);
    EXPECT_EQ(s.displayMax, 255.0f);
    EXPECT_EQ(s.peakCount, 4.0f);
    EXPECT_EQ(BuildHistogram8(rgb.data(), 0, h).peakCount, 1.0f);
}

TEST(SampleHistogram, SixteenBitFoldsOverThePresentRange)
{
    std::vector<uint64_t> h16(65536);
    uint64_t h[256];
    const std::vector<uint16_t> pair{20, 10, 20};
    HistogramSummary s = BuildHistogram16(pair.data(), pair.size(), h, h16.data());
    EXPECT_EQ(s.displayMin, 10.0f);
    EXPECT_EQ(s.displayMax, 20.0f);
    EXPECT_EQ(h[0], 1u);
    EXPECT_EQ(h[255], 2u);
    EXPECT_EQ(h16[20], 2u);
    EXPECT_EQ(s.peakCount, 2.0f);

    const std::vector<uint16_t> same(7, 31768);
    s = BuildHistogram16(same.data(), same.size(), h, h16.data());
    EXPECT_EQ(s.displayMin, 31768.0f);
    EXPECT_EQ(s.displayMax, 31768.0f);
    EXPECT_EQ(h[0], 7u);
    EXPECT_EQ(s.peakCount, 7.0f);

    s = BuildHistogram16(same.data(), 0, h, h16.data());
    EXPECT_EQ(s.displayMin, 0.0f);
    EXPECT_EQ(s.displayMax, 0.0f);
    EXPECT_EQ(s.peakCount, 1.0f);

    std::vector<uint16_t> random(100001);
    std::mt19937 rng(5);
    for (auto& v : random) v = static_cast<uint16_t>(rng());
    BuildHistogram16(random.data(), random.size(), h, h16.data());
    EXPECT_EQ(std::accumulate(h, h + 256, uint64_t{0}), random.size());   // the bins sum to N
}

// Large payloads are counted on several threads; the counts must be those
// of one plain pass, including the values of the last, longer share.
TEST(SampleHistogram, LargePayloadCountsLikeOnePass)
{
    const uint64_t count = (uint64_t{8} << 20) * 3 + 12345;
    std::vector<uint16_t> values(count);
    std::mt19937 rng(3);
    for (auto& v : values) v = static_cast<uint16_t>(rng() % 4000 + 100);
    values.back() = 65535;
    std::vector<uint64_t> expected(65536, 0);
    for (uint16_t v : values) ++expected[v];
    std::vector<uint64_t> bins(256), table(65536);
    const HistogramSummary s = BuildHistogram16(values.data(), count, bins.data(), table.data());
    EXPECT_EQ(table, expected);
    EXPECT_FLOAT_EQ(s.displayMax, 65535.0f);
    EXPECT_EQ(std::accumulate(bins.begin(), bins.end(), uint64_t{0}), count);

    std::vector<uint8_t> bytes(values.size() * 2);
    std::memcpy(bytes.data(), values.data(), bytes.size());
    std::vector<uint64_t> expected8(256, 0);
    for (uint8_t b : bytes) ++expected8[b];
    BuildHistogram8(bytes.data(), bytes.size(), bins.data());
    EXPECT_EQ(bins, expected8);
}

TEST(SampleMirror, ImagesAndVolumes)
{
    std::vector<uint8_t> img{'a', 'b', 'c', 'd'};
    MirrorSamples(img.data(), 2, 2, 1, 1, true, true, false);
    EXPECT_EQ(img, (std::vector<uint8_t>{'d', 'c', 'b', 'a'}));

    // Two-byte RGB pixels move whole.
    std::vector<uint8_t> rgb16(3 * 6);
    std::iota(rgb16.begin(), rgb16.end(), 0);
    MirrorSamples(rgb16.data(), 3, 1, 1, 6, true, false, false);
    EXPECT_EQ(std::vector<uint8_t>(rgb16.begin(), rgb16.begin() + 6), (std::vector<uint8_t>{12, 13, 14, 15, 16, 17}));

    // All three flags: the point reflection.
    const int64_t x = 5, y = 3, z = 4;
    std::vector<uint8_t> vol(x * y * z);
    std::iota(vol.begin(), vol.end(), 0);
    std::vector<uint8_t> reflected(vol.rbegin(), vol.rend());
    MirrorSamples(vol.data(), x, y, z, 1, true, true, true);
    EXPECT_EQ(vol, reflected);

    std::vector<uint8_t> slices{1, 2, 3, 4, 5, 6};
    MirrorSamples(slices.data(), 1, 2, 3, 1, false, false, true);
    EXPECT_EQ(slices, (std::vector<uint8_t>{5, 6, 3, 4, 1, 2}));
}

// Rows reversed word by word, in whole pixels, split across threads for a
// large volume: the same as moving one pixel at a time, for every pixel size.
TEST(SampleMirror, EveryPixelSizeAndSplitMatchThePlainMove)
{
    std::mt19937 rng(9);
    for (uint64_t pixel : {1u, 2u, 3u, 4u, 6u, 8u, 12u}) {
        for (const auto& [x, y, z] : {std::array<int64_t, 3>{1, 1, 1}, {7, 3, 2}, {33, 5, 4}, {1031, 41, 200}}) {
            const bool large = x * y * z > 1000000;   // large enough to be split across threads
            if (large && pixel > 2) continue;
            std::vector<uint8_t> data(static_cast<size_t>(x * y * z) * pixel);
            for (auto& b : data) b = static_cast<uint8_t>(rng());
            for (int flags = 1; flags < 8; ++flags) {
                if (large && flags != 1 && flags != 2 && flags != 4 && flags != 7) continue;
                const bool fx = flags & 1, fy = flags & 2, fz = flags & 4;
                std::vector<uint8_t> expected(data.size());
                for (int64_t k = 0; k < z; ++k)
                    for (int64_t j = 0; j < y; ++j)
                        for (int64_t i = 0; i < x; ++i) {
                            const int64_t to = ((fz ? z - 1 - k : k) * y + (fy ? y - 1 - j : j)) * x + (fx ? x - 1 - i : i);
                            std::memcpy(&expected[static_cast<size_t>(to) * pixel], &data[static_cast<size_t>((k * y + j) * x + i) * pixel], pixel);
                        }
                std::vector<uint8_t> mirrored = data;
                MirrorSamples(mirrored.data(), x, y, z, pixel, fx, fy, fz);
                ASSERT_EQ(mirrored, expected) << "pixel " << pixel << " size " << x << "x" << y << "x" << z << " flags " << flags;
            }
        }
    }
}

// Counting adds blocks of equal values in one step; runs of any length, at
// any alignment, and values that differ in one byte only count like one
// value at a time.
TEST(SampleHistogram, RunsCountLikeSingleValues)
{
    std::vector<uint16_t> values;
    std::mt19937 rng(4);
    while (values.size() < 200000) {
        const auto v = static_cast<uint16_t>(rng() % 3 == 0 ? 0 : rng() % 3 == 0 ? 0x0101 : rng());
        values.insert(values.end(), rng() % 40, v);
        values.push_back(static_cast<uint16_t>(v ^ 0x0100));
    }
    std::vector<uint64_t> expected16(65536, 0), expected8(256, 0);
    for (uint16_t v : values) ++expected16[v];
    std::vector<uint8_t> bytes(values.size() * 2);
    std::memcpy(bytes.data(), values.data(), bytes.size());
    for (uint8_t b : bytes) ++expected8[b];
    for (size_t skip : {size_t{0}, size_t{1}, size_t{3}}) {
        SampleCounter wide(2), narrow(1);
        wide.Count(bytes.data() + skip * 2, values.size() - skip);
        wide.Count(bytes.data(), skip);
        narrow.Count(bytes.data() + skip, bytes.size() - skip);
        narrow.Count(bytes.data(), skip);
        std::vector<uint64_t> table16(65536, 0), table8(256, 0);
        wide.AddTo(table16.data());
        narrow.AddTo(table8.data());
        EXPECT_EQ(table16, expected16) << skip;
        EXPECT_EQ(table8, expected8) << skip;
        EXPECT_EQ(wide.Counted(), values.size());
    }
}
