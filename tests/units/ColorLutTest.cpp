#include "scene/DataObject.h"
#include "units/ColorLut.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

using namespace velmor;

namespace {

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Rgb& c) { return out << '(' << c.r << ", " << c.g << ", " << c.b << ')'; }

Rgb Entry(const uint8_t table[256][3], int i) { return {table[i][0], table[i][1], table[i][2]}; }

// A described (not loaded) picture of one byte per sample.
struct Picture : DataObject {
    Picture(const wchar_t* kind, uint64_t x, uint64_t y, uint64_t z = 0) : DataObject(L"picture")
    {
        type = kind;
        countX = x, countY = y, countZ = z;
        components = 1;
        bytesPerComponent = 1;
    }
};

} // namespace

TEST(ColorLutTables, GrayIsTheIdentity)
{
    ColorLut lut;
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(lut.grayTable[i], i);
}

TEST(ColorLutTables, RgbRunsFromBlueThroughCyanGreenYellowToRed)
{
    ColorLut lut;
    EXPECT_EQ(Entry(lut.rgbTable, 0), (Rgb{0, 0, 255}));
    EXPECT_EQ(Entry(lut.rgbTable, 32), (Rgb{0, 129, 255}));   // 32 x 255 / 63
    EXPECT_EQ(Entry(lut.rgbTable, 63), (Rgb{0, 255, 255}));
    EXPECT_EQ(Entry(lut.rgbTable, 100), (Rgb{0, 255, 108}));  // 255 - 37 x 255 / 64
    EXPECT_EQ(Entry(lut.rgbTable, 127), (Rgb{0, 255, 0}));
    EXPECT_EQ(Entry(lut.rgbTable, 191), (Rgb{255, 255, 0}));
    EXPECT_EQ(Entry(lut.rgbTable, 254), (Rgb{255, 4, 0}));
    EXPECT_EQ(Entry(lut.rgbTable, 255), (Rgb{255, 0, 0}));
}

TEST(ColorLutTables, Rgb2RunsFromDarkBlueToDarkRed)
{
    ColorLut lut;
    EXPECT_EQ(Entry(lut.rgb2Table, 0), (Rgb{0, 0, 128}));
    EXPECT_EQ(Entry(lut.rgb2Table, 30), (Rgb{0, 0, 251}));     // 128 + 30 x 128 / 31
    EXPECT_EQ(Entry(lut.rgb2Table, 31), (Rgb{0, 0, 255}));
    EXPECT_EQ(Entry(lut.rgb2Table, 63), (Rgb{0, 128, 255}));
    EXPECT_EQ(Entry(lut.rgb2Table, 95), (Rgb{0, 255, 255}));
    EXPECT_EQ(Entry(lut.rgb2Table, 127), (Rgb{128, 255, 128}));
    EXPECT_EQ(Entry(lut.rgb2Table, 159), (Rgb{255, 255, 0}));
    EXPECT_EQ(Entry(lut.rgb2Table, 191), (Rgb{255, 128, 0}));
    EXPECT_EQ(Entry(lut.rgb2Table, 223), (Rgb{255, 0, 0}));
    EXPECT_EQ(Entry(lut.rgb2Table, 254), (Rgb{131, 0, 0}));    // 255 - 31 x 128 / 32
    EXPECT_EQ(Entry(lut.rgb2Table, 255), (Rgb{128, 0, 0}));
}

TEST(ColorLutTables, TableByNameFallsBackToRgb2)
{
    ColorLut lut;
    EXPECT_EQ(lut.Table(L"GRAY"), lut.grayTable);
    EXPECT_EQ(lut.Table(L"RGB"), &lut.rgbTable[0][0]);
    EXPECT_EQ(lut.Table(L"RGB2"), &lut.rgb2Table[0][0]);
    EXPECT_EQ(lut.Table(L"gray"), &lut.rgb2Table[0][0]);
    uint8_t built[768];
    ColorLut::BuildTable(L"anything", built);
    EXPECT_EQ(std::memcmp(built, lut.rgb2Table, sizeof built), 0);
}

TEST(ColorLutSizes, PowersOfTwoAreExact)
{
    EXPECT_EQ(RoundUpToPowerOfTwo(1), 1u);
    EXPECT_EQ(RoundUpToPowerOfTwo(2), 2u);
    EXPECT_EQ(RoundUpToPowerOfTwo(3), 4u);
    EXPECT_EQ(RoundUpToPowerOfTwo(256), 256u);
    EXPECT_EQ(RoundUpToPowerOfTwo(257), 512u);
    // Where a single-precision logarithm would round down to the smaller power.
    EXPECT_EQ(RoundUpToPowerOfTwo((1u << 21) + 1), 1u << 22);
    EXPECT_EQ(RoundUpToPowerOfTwo(uint64_t{1} << 63), uint64_t{1} << 63);
    EXPECT_EQ(RoundUpToPowerOfTwo((uint64_t{1} << 63) + 1), 0u);
    EXPECT_EQ(RoundUpToPowerOfTwo(0), 0u);
}

TEST(ColorLutSizes, ImageTexturesRoundUpUnlessNonPowerOfTwoIsOffered)
{
    Picture image(L"image", 300, 200);
    std::vector<uint8_t> pixels(300 * 200 * 3);
    image.samples = pixels.data();
    image.payloadBytes = pixels.size();
    image.components = 3;
    ColorLut lut;
    lut.ChooseSize(image, false);
    EXPECT_EQ(lut.imageWidth, 300u);
    EXPECT_EQ(lut.imageHeight, 200u);
    EXPECT_EQ(lut.textureWidth, 512u);
    EXPECT_EQ(lut.textureHeight, 256u);
    EXPECT_EQ(lut.sourceSamples, pixels.data());
    EXPECT_EQ(lut.sourceBytes, pixels.size());
    EXPECT_EQ(lut.channels, 3);
    EXPECT_EQ(lut.bytesPerChannel, 1);
    lut.ChooseSize(image, true);
    EXPECT_EQ(lut.textureWidth, 300u);
    EXPECT_EQ(lut.textureHeight, 200u);
    image.samples = nullptr;   // keep the destructor away from the vector

    Picture tiny(L"image", 1, 256);
    lut.ChooseSize(tiny, false);
    EXPECT_EQ(lut.textureWidth, 1u);
    EXPECT_EQ(lut.textureHeight, 256u);
    EXPECT_EQ(lut.sourceBytes, 0u);   // nothing loaded, nothing to read
}

TEST(ColorLutSizes, VolumeTexturesHoldEverySliceDirection)
{
    Picture volume(L"volume", 100, 60, 30);
    volume.bytesPerComponent = 2;
    ColorLut lut;
    lut.ChooseSize(volume, false);
    EXPECT_EQ(lut.imageDepth, 30u);
    EXPECT_EQ(lut.textureWidth, 128u);   // larger of x 128 and y 64
    EXPECT_EQ(lut.textureHeight, 64u);   // larger of y 64 and z 32
    EXPECT_EQ(lut.bytesPerChannel, 2);
    lut.ChooseSize(volume, true);
    EXPECT_EQ(lut.textureWidth, 100u);
    EXPECT_EQ(lut.textureHeight, 60u);

    // Other kinds of data leave the sizes alone.
    Picture grid(L"gridXY", 7, 7);
    lut.ChooseSize(grid, true);
    EXPECT_EQ(lut.imageWidth, 100u);
    EXPECT_EQ(lut.textureWidth, 100u);
}

TEST(ColorLutWindow, IndexIsTruncatedAndLimited)
{
    EXPECT_EQ(ColorTableIndex(50, 0, 100), 127);   // 127.5
    EXPECT_EQ(ColorTableIndex(-5, 0, 100), 0);
    EXPECT_EQ(ColorTableIndex(1000, 0, 100), 255);
    EXPECT_EQ(ColorTableIndex(100, 0, 100), 255);
    EXPECT_EQ(ColorTableIndex(150, 200, 100), 127);   // a reversed window runs backwards
    // An empty window is a step instead of a division by zero.
    EXPECT_EQ(ColorTableIndex(99, 100, 100), 0);
    EXPECT_EQ(ColorTableIndex(100, 100, 100), 255);
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(ColorTableIndex(50, nan, 100), 0);
    EXPECT_EQ(ColorTableIndex(50, -inf, inf), 0);
    EXPECT_EQ(ColorTableIndex(50, 0, inf), 0);
    EXPECT_EQ(ColorTableIndex(50, -inf, 100), 0);
}

TEST(ColorLutWindow, TexelComponentsRefuseCountsWithoutAFormat)
{
    for (uint8_t channels = 1; channels <= 4; ++channels)
        EXPECT_EQ(TexelComponents(channels), channels);
    EXPECT_EQ(TexelComponents(0), 0);
    EXPECT_EQ(TexelComponents(5), 0);
}

TEST(ColorLutSection, SetupSizesTheGridFromExtentPitchAndUnits)
{
    Picture volume(L"volume", 100, 80, 60);
    volume.bytesPerComponent = 2;
    volume.voxelPitch.loadedPitch[0] = 0.5f;
    volume.voxelPitch.loadedPitch[1] = 0.25f;
    volume.voxelPitch.loadedPitch[2] = 1.0f;
    ColorLut lut;
    EXPECT_EQ(lut.sectionScale, 3.4641);
    // 2 cm over 0.25 mm samples: 80 samples, times 3.4641 = 277.128.
    lut.SetupSection(volume, 2.0, L"cm", false);
    EXPECT_EQ(lut.sectionSamples, 278u);
    EXPECT_NEAR(lut.sectionScale, 278 / 277.128 * 3.4641, 1e-9);
    EXPECT_EQ(lut.sectionSize, 512u);
    EXPECT_EQ(lut.imageWidth, 100u);
    EXPECT_EQ(lut.imageDepth, 60u);
    EXPECT_EQ(lut.bytesPerChannel, 2);
    lut.SetupSection(volume, 2.0, L"cm", true);
    EXPECT_EQ(lut.sectionSize, 278u);
    EXPECT_TRUE(lut.CommitSectionBuffers());
    EXPECT_EQ(lut.textureBuffer.Size(), 278u * 278 * 6);
    EXPECT_EQ(lut.sectionWork.Size(), 278u * 278 * 2);
}

TEST(ColorLutSection, SetupWithoutAFiniteGridMakesNoBuffers)
{
    Picture volume(L"volume", 4, 4, 4);
    ColorLut lut;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double extent : {0.0, -1.0, nan, 1e300}) {
        lut.SetupSection(volume, extent, L"mm", false);
        EXPECT_EQ(lut.sectionSamples, 0u) << extent;
        EXPECT_EQ(lut.sectionScale, 3.4641);
        EXPECT_FALSE(lut.CommitSectionBuffers());
    }
    volume.voxelPitch.loadedPitch[1] = 0.0f;
    lut.SetupSection(volume, 1.0, L"mm", false);
    EXPECT_EQ(lut.sectionSamples, 0u);
}

// A section grid of 16 x 16 whose texel centres fall on the voxel centres
// of an 8 x 8 x 8 volume: column c is x = c - 4 + shift, row r is y = r - 4.
class SectionSamplerTest : public ::testing::Test {
protected:
    static constexpr int kSide = 8;

    void Prepare(int bytesPerValue)
    {
        lut.sectionSamples = 16;
        lut.sectionScale = 8.0;
        lut.imageWidth = lut.imageHeight = lut.imageDepth = kSide;
        lut.channels = 1;
        lut.bytesPerChannel = static_cast<uint8_t>(bytesPerValue);
        ASSERT_TRUE(lut.CommitSectionBuffers());
    }
    static SectionFrame SliceZ(double z, double shiftX = 0.0)
    {
        SectionFrame frame;
        frame.origin[0] = shiftX;
        frame.origin[2] = z - 3.5;
        return frame;
    }
    static int Value(int x, int y, int z) { return x + 10 * y + 3 * z; }
    std::vector<uint8_t> Volume8() const
    {
        std::vector<uint8_t> v(kSide * kSide * kSide);
        for (int z = 0; z < kSide; ++z)
            for (int y = 0; y < kSide; ++y)
                for (int x = 0; x < kSide; ++x)
                    v[x + kSide * (y + kSide * z)] = static_cast<uint8_t>(Value(x, y, z));
        return v;
    }
    int Work(int row, int column) const
    {
        if (lut.bytesPerChannel == 1)
            return lut.sectionWork.Data()[row * 16 + column];
        uint16_t v;
        std::memcpy(&v, lut.sectionWork.Data() + 2 * (row * 16 + column), 2);
        return v;
    }
    bool WorkIsClear() const
    {
        for (uint64_t i = 0; i < lut.sectionWork.Size(); ++i)
            if (lut.sectionWork.Data()[i] != 0)
                return false;
        return true;
    }
    ColorLut lut;
};

TEST_F(SectionSamplerTest, SliceThroughVoxelCentresCopiesTheVolume)
{
    Prepare(1);
    const std::vector<uint8_t> volume = Volume8();
    const SectionRect rect = lut.SampleSection(volume.data(), volume.size(), 0, 255, L"GRAY", SliceZ(2));
    EXPECT_EQ(rect.firstColumn, 4);
    EXPECT_EQ(rect.lastColumn, 11);
    EXPECT_EQ(rect.firstRow, 4);
    EXPECT_EQ(rect.lastRow, 11);
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 16; ++c) {
            const bool inside = r >= 4 && r <= 11 && c >= 4 && c <= 11;
            ASSERT_EQ(Work(r, c), inside ? Value(c - 4, r - 4, 2) : 0) << r << ',' << c;
            if (inside) {
                ASSERT_EQ(lut.textureBuffer.Data()[(r - 4) * 8 + (c - 4)], Value(c - 4, r - 4, 2));
            }
        }
}

TEST_F(SectionSamplerTest, NeighboursOutsideTheVolumeContributeNothing)
{
    Prepare(1);
    std::vector<uint8_t> volume(kSide * kSide * kSide, 101);
    // Half a voxel to the right: the first column sits half outside the volume.
    const SectionRect rect = lut.SampleSection(volume.data(), volume.size(), 0, 255, L"GRAY", SliceZ(2, 0.5));
    EXPECT_EQ(rect.firstColumn, 3);
    EXPECT_EQ(rect.lastColumn, 11);
    EXPECT_EQ(Work(6, 3), 51);    // 50.5 rounds up
    EXPECT_EQ(Work(6, 11), 51);
    EXPECT_EQ(Work(6, 7), 101);
    // The colour index truncates the interpolated value itself.
    EXPECT_EQ(lut.textureBuffer.Data()[(6 - 4) * 9 + 0], 50);
    EXPECT_EQ(lut.textureBuffer.Data()[(6 - 4) * 9 + 4], 101);
}

TEST_F(SectionSamplerTest, OutermostColumnsAreNeverWritten)
{
    Prepare(1);
    std::vector<uint8_t> volume(kSide * kSide * kSide, 7);
    SectionFrame frame = SliceZ(2);
    frame.column[0] = 0.1;   // the whole row lies inside the volume
    const SectionRect rect = lut.SampleSection(volume.data(), volume.size(), 0, 255, L"GRAY", frame);
    EXPECT_EQ(rect.firstColumn, 2);
    EXPECT_EQ(rect.lastColumn, 13);
    for (int c : {0, 1, 14, 15})
        EXPECT_EQ(Work(8, c), 0) << c;
    EXPECT_EQ(Work(8, 2), 7);
    EXPECT_EQ(Work(8, 13), 7);
}

TEST_F(SectionSamplerTest, ReversedColumnsMirrorTheSlice)
{
    Prepare(1);
    const std::vector<uint8_t> volume = Volume8();
    SectionFrame frame = SliceZ(5);
    frame.column[0] = -1.0;   // column c is x = 11 - c
    const SectionRect rect = lut.SampleSection(volume.data(), volume.size(), 0, 255, L"GRAY", frame);
    EXPECT_EQ(rect.firstColumn, 4);
    EXPECT_EQ(rect.lastColumn, 11);
    EXPECT_EQ(Work(4, 4), Value(7, 0, 5));
    EXPECT_EQ(Work(11, 11), Value(0, 7, 5));
}

TEST_F(SectionSamplerTest, ColourTablesAndSixteenBitSamples)
{
    Prepare(2);
    std::vector<uint8_t> volume(kSide * kSide * kSide * 2);
    for (int i = 0; i < kSide * kSide * kSide; ++i) {
        const uint16_t v = static_cast<uint16_t>(1000 * (i % kSide + 1));   // 1000 x (x + 1)
        std::memcpy(volume.data() + 2 * i, &v, 2);
    }
    SectionRect rect = lut.SampleSection(volume.data(), volume.size(), 0, 8000, L"RGB", SliceZ(3));
    ASSERT_EQ(rect.Width(), 8);
    EXPECT_EQ(Work(5, 6), 3000);   // x = 2
    // index trunc(3000 x 255 / 8000) = 95: green 255, blue 255 - trunc(32 x 255 / 64) = 128
    uint16_t texel[3];
    std::memcpy(texel, lut.textureBuffer.Data() + ((5 - 4) * 8 + (6 - 4)) * 6, 6);
    EXPECT_EQ(texel[0], 0);
    EXPECT_EQ(texel[1], 255 * 256);
    EXPECT_EQ(texel[2], 128 * 256);

    rect = lut.SampleSection(volume.data(), volume.size(), 0, 8000, L"GRAY", SliceZ(3));
    uint16_t gray;
    std::memcpy(&gray, lut.textureBuffer.Data() + ((5 - 4) * 8 + (6 - 4)) * 2, 2);
    EXPECT_EQ(gray, 95 * 256);
}

TEST_F(SectionSamplerTest, APlaneThatMissesLeavesNothingAfterwards)
{
    Prepare(1);
    const std::vector<uint8_t> volume = Volume8();
    EXPECT_TRUE(lut.SampleSection(volume.data(), volume.size(), 0, 255, L"GRAY", SliceZ(100)).Empty());
    EXPECT_TRUE(WorkIsClear());

    lut.SampleSection(volume.data(), volume.size(), 0, 255, L"GRAY", SliceZ(2));
    // Moving off the volume clears what the last plane painted.
    const SectionRect cleared = lut.SampleSection(volume.data(), volume.size(), 0, 255, L"GRAY", SliceZ(-5));
    EXPECT_EQ(cleared.firstColumn, 4);
    EXPECT_EQ(cleared.Width(), 8);
    EXPECT_EQ(cleared.Height(), 8);
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ(lut.textureBuffer.Data()[i], 0);
    EXPECT_TRUE(WorkIsClear());
    EXPECT_TRUE(lut.SampleSection(volume.data(), volume.size(), 0, 255, L"GRAY", SliceZ(-5)).Empty());
}

TEST_F(SectionSamplerTest, ShortBuffersAndBadFramesAreNotRead)
{
    Prepare(1);
    std::vector<uint8_t> shortVolume(kSide * kSide * kSide - 1, 9);
    EXPECT_TRUE(lut.SampleSection(shortVolume.data(), shortVolume.size(), 0, 255, L"GRAY", SliceZ(7)).Empty());
    EXPECT_TRUE(lut.SampleSection(nullptr, 0, 0, 255, L"GRAY", SliceZ(7)).Empty());
    const std::vector<uint8_t> volume = Volume8();
    SectionFrame frame = SliceZ(2);
    frame.column[1] = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(lut.SampleSection(volume.data(), volume.size(), 0, 255, L"GRAY", frame).Empty());
    frame = SliceZ(2);
    frame.origin[0] = std::numeric_limits<double>::infinity();
    EXPECT_TRUE(lut.SampleSection(volume.data(), volume.size(), 0, 255, L"GRAY", frame).Empty());
    EXPECT_TRUE(WorkIsClear());
    // Only single-component volumes are sampled.
    lut.channels = 3;
    EXPECT_TRUE(lut.SampleSection(volume.data(), volume.size(), 0, 255, L"GRAY", SliceZ(2)).Empty());
}

TEST(ColorLutLifetime, DeleteReleasesTheSectionBuffersAndIsRepeatable)
{
    ColorLut lut;
    lut.sectionSamples = 5;
    ASSERT_TRUE(lut.CommitSectionBuffers());
    lut.Delete();
    EXPECT_EQ(lut.textureBuffer.Data(), nullptr);
    EXPECT_EQ(lut.sectionWork.Data(), nullptr);
    lut.Delete();
    EXPECT_EQ(lut.textureId, 0u);
}
