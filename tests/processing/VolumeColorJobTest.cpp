#include "processing/VolumeColorJob.h"

#include "support/RecordingJobHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

using namespace velmor;
using velmor::test::RecordingJobHost;

namespace {

template <typename Sample> struct Volume : VolumeUnitState {
    std::vector<Sample> samples, x, y, z;
    uint64_t nx, ny, nz;

    Volume(uint64_t nx_, uint64_t ny_, uint64_t nz_, unsigned seed = 1) : nx(nx_), ny(ny_), nz(nz_)
    {
        std::mt19937 random(seed);
        samples.resize(nx * ny * nz);
        for (auto& s : samples) s = Sample(random());
        x.assign(samples.size(), 1);   // stale contents must go
        y.assign(samples.size(), 1);
        z.assign(samples.size(), 1);
        voxels = {samples.data(), nx, ny, nz, nx * ny, sizeof(Sample)};
        displayVolumeX = x.data();
        displayVolumeY = y.data();
        displayVolumeZ = z.data();
        colorRestriction[1] = float(std::numeric_limits<Sample>::max());
    }
    int32_t Colour(unsigned threads = 1, bool wide = true)
    {
        VolumeColorJob job;
        job.threadCount = threads;
        job.wideVectors = wide;
        return job.Run(*this);
    }
    // The display value of voxel (i, j, k), checked to agree in all three orders.
    Sample At(uint64_t i, uint64_t j, uint64_t k) const
    {
        const Sample v = z[(k * ny + j) * nx + i];
        EXPECT_EQ(y[(j * nz + k) * nx + i], v);
        EXPECT_EQ(x[(i * nz + k) * ny + j], v);
        return v;
    }
    Sample Voxel(uint64_t i, uint64_t j, uint64_t k) const { return samples[i + j * nx + k * nx * ny]; }
};

} // namespace

TEST(VolumeColorJob, FullWindowCopiesTheSamplesIntoEveryOrder)
{
    RecordingJobHost host;
    Volume<uint8_t> v8(7, 5, 3);
    EXPECT_EQ(v8.Colour(), 0);
    EXPECT_EQ(ProgressCaption(), L"make volume color");
    EXPECT_FALSE(CancelAllowed());
    for (uint64_t k = 0; k < 3; ++k)
        for (uint64_t j = 0; j < 5; ++j)
            for (uint64_t i = 0; i < 7; ++i) EXPECT_EQ(v8.At(i, j, k), v8.Voxel(i, j, k));

    Volume<uint16_t> v16(70, 66, 4);
    EXPECT_EQ(v16.Colour(3), 0);
    for (uint64_t k = 0; k < 4; ++k)
        for (uint64_t j = 0; j < 66; ++j)
            for (uint64_t i = 0; i < 70; ++i) ASSERT_EQ(v16.At(i, j, k), v16.Voxel(i, j, k));
}

TEST(VolumeColorJob, WindowEndsBrightnessAndContrast)
{
    Volume<uint8_t> v(4, 1, 1);
    v.samples = {10, 11, 20, 30};
    v.colorRestriction[0] = 10;
    v.colorRestriction[1] = 20;
    v.brightness_A = 25.6f;   // shift 25.5
    v.contrast_A = 2;
    v.Colour();
    EXPECT_EQ(v.At(0, 0, 0), 0);     // the low end maps to 0
    EXPECT_EQ(v.At(1, 0, 0), 102);   // (25.5 + 25.5) x 2
    EXPECT_EQ(v.At(2, 0, 0), 255);   // (255 + 25.5) x 2, clamped
    EXPECT_EQ(v.At(3, 0, 0), 0);     // above the window

    v.colorRestriction[0] = 0;
    v.colorRestriction[1] = 255;
    v.contrast_A = 1;
    v.brightness_A = -256;
    v.Colour();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(v.At(i, 0, 0), 0);
    v.brightness_A = 256;
    v.Colour();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(v.At(i, 0, 0), 255);

    // Other rendering types take the second pair.
    v.renderingType = L"C";
    v.brightness_A = -256;
    v.Colour();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(v.At(i, 0, 0), v.Voxel(i, 0, 0));

    // An empty window maps nothing; so do brightness or contrast that are no number.
    v.colorRestriction[0] = 30;
    v.colorRestriction[1] = 30;
    v.Colour();
    EXPECT_EQ(v.At(3, 0, 0), 0);
    v.colorRestriction[0] = 0;
    v.colorRestriction[1] = 255;
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        v.brightness_B = bad;
        v.Colour();
        EXPECT_EQ(v.At(3, 0, 0), 0);
        v.brightness_B = 0;
        v.contrast_B = bad;
        v.Colour();
        EXPECT_EQ(v.At(3, 0, 0), 0);
        v.contrast_B = 1;
    }
}

namespace {

// Colours a volume on one and on four threads, the second time without the
// wider vectors, checks that the runs agree, that all three orders hold the
// same display value for every voxel, and that this value is the mapped
// sample.
template <typename Sample> void CheckEveryVoxel(uint64_t nx, uint64_t ny, uint64_t nz)
{
    Volume<Sample> one(nx, ny, nz, 5), many(nx, ny, nz, 5);
    const float M = float(std::numeric_limits<Sample>::max());
    for (auto* v : {&one, &many}) {
        v->colorRestriction[0] = M / 60;
        v->colorRestriction[1] = M * 0.9f;
        v->brightness_A = -40;
        v->contrast_A = 1.7f;
    }
    one.Colour(1);
    many.Colour(4, false);
    EXPECT_EQ(one.x, many.x);
    EXPECT_EQ(one.y, many.y);
    EXPECT_EQ(one.z, many.z);
    for (uint64_t k = 0; k < nz; ++k)
        for (uint64_t j = 0; j < ny; ++j)
            for (uint64_t i = 0; i < nx; ++i) {
                const float s = float(one.Voxel(i, j, k));
                float t = 0;
                if (M / 60 < s && s <= M * 0.9f) {
                    t = (s - M / 60) * ((1.0f / (M * 0.9f - M / 60)) * M);
                    t = std::clamp((t + M * -40 / 256.0f) * 1.7f, 0.0f, M);
                }
                ASSERT_EQ(one.At(i, j, k), Sample(t)) << i << " " << j << " " << k;
            }
}

} // namespace

// Sizes that leave partial bands of rows and partial blocks of columns.
TEST(VolumeColorJob, ThreadsDoNotChangeTheResult)
{
    CheckEveryVoxel<uint16_t>(37, 70, 5);
    CheckEveryVoxel<uint8_t>(21, 131, 3);
    CheckEveryVoxel<uint16_t>(8, 32, 2);
}
