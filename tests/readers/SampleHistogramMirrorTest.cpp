#include "readers/SampleHistogram.h"
#include "readers/SampleMirror.h"

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
