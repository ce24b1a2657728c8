// The histogram arithmetic, the cut-section control rules, the histogram CSV
// and the section-image save, without widgets.
#include "dialogs/MeshClipControls.h"
#include "dialogs/SectionImageSave.h"
#include "dialogs/UnitHistogram.h"
#include "scene/DataObject.h"
#include "support/TempDir.h"
#include "units/CKxDrawUSTL.h"
#include "units/ColorLut.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

using namespace velmor;
using velmor::test::TempDir;

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

TEST(UnitHistogram, BarsStretchOrSkipBinsAndScaleByMagnification)
{
    EXPECT_EQ(HistogramBinOfColumn(0, 128), 0);
    EXPECT_EQ(HistogramBinOfColumn(127, 128), 254);   // every other bin skipped
    EXPECT_EQ(HistogramBinOfColumn(511, 512), 255);   // bins stretched
    EXPECT_EQ(MagnificationOfText(L" x 10"), 10.0f);
    EXPECT_EQ(MagnificationOfText(L" x 1000000"), 1e6f);
    EXPECT_EQ(HistogramBarScale(100, 1, 50), 2.0f);
    EXPECT_EQ(HistogramBarScale(100, 1, 0), 100.0f);   // no peak yet: never infinite

    uint64_t bins[256] = {};
    bins[0] = 10;
    bins[2] = 40;
    const HistogramPicture p = ComputeHistogramPicture(bins, 128, 100, 10, 40, 64, 192, 0, 256);
    ASSERT_EQ(p.barHeights.size(), 128u);
    EXPECT_DOUBLE_EQ(p.barHeights[0], 10 * 25.0);   // cut off by the view, not here
    EXPECT_DOUBLE_EQ(p.barHeights[1], 1000.0);
    EXPECT_DOUBLE_EQ(p.lowerX, 32.0);
    EXPECT_DOUBLE_EQ(p.upperX, 96.0);
}

TEST(UnitHistogram, LowerLineWinsAndTheGrabDistanceIsExclusive)
{
    // Range 0..256 on 256 pixels, origin 5: value v stands at v + 5.
    EXPECT_EQ(PickThresholdLine(105, 5, 100, 104, 0, 256, 256), 1);   // both in reach
    EXPECT_EQ(PickThresholdLine(115, 5, 100, 104, 0, 256, 256), 2);   // lower exactly 10 away
    EXPECT_EQ(PickThresholdLine(95, 5, 100, 200, 0, 256, 256), 0);
    EXPECT_EQ(PickThresholdLine(96, 5, 100, 200, 0, 256, 256), 1);
    // A constant volume: lines at the origin, no division by zero.
    EXPECT_EQ(ThresholdLineX(7, 3, 3, 256), 0.0);
    EXPECT_EQ(PickThresholdLine(5, 5, 7, 7, 3, 3, 256), 1);
}

TEST(UnitHistogram, DragsStayInsideTheDataRangeAndPairsAreOrdered)
{
    EXPECT_FLOAT_EQ(DraggedThreshold(100, 150, 100, 256, 0, 512), 200.0f);
    EXPECT_FLOAT_EQ(DraggedThreshold(100, 5000, 100, 256, -1000, 3000), 3000.0f);
    EXPECT_FLOAT_EQ(DraggedThreshold(100, -5000, 100, 256, -1000, 3000), -1000.0f);
    int32_t lo = 300, hi = 100;
    EXPECT_TRUE(OrderThresholds(lo, hi));
    EXPECT_EQ(lo, 100);
    EXPECT_EQ(hi, 300);
    EXPECT_FALSE(OrderThresholds(lo, hi));
}

TEST(UnitHistogram, CsvHasOneLinePerStoredValue)
{
    TempDir dir;
    DataObject bytes(L"b");
    bytes.bytesPerComponent = 1;
    bytes.histogram256.reset(new uint64_t[256]());
    bytes.histogram256[0] = 7;
    bytes.histogram256[255] = 123456789012ull;
    bytes.minValue = 0;
    bytes.maxValue = 255;
    ASSERT_TRUE(WriteHistogramCsv(bytes, dir.WidePath("h.csv")));
    const std::string text = ReadAll((dir.Path() / "h.csv").string());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 256);
    EXPECT_EQ(text.substr(0, 5), "0,7\r\n");
    EXPECT_NE(text.find("\r\n255,123456789012\r\n"), std::string::npos);

    DataObject wide(L"w");
    wide.bytesPerComponent = 2;
    wide.isSigned = true;
    wide.histogram65536.reset(new uint64_t[65536]());
    wide.histogram65536[900] = 3;
    wide.minValue = 900.9f;
    wide.maxValue = 1100;
    ASSERT_TRUE(WriteHistogramCsv(wide, dir.WidePath("w.csv")));
    const std::string lines = ReadAll((dir.Path() / "w.csv").string());
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 201);
    EXPECT_EQ(lines.substr(0, 7), "900,3\r\n");   // stored values, 32768 included
    EXPECT_NE(lines.find("\r\n1100,0\r\n"), std::string::npos);

    // Bounds beyond the table are not read.
    wide.maxValue = 1e9f;
    ASSERT_TRUE(WriteHistogramCsv(wide, dir.WidePath("big.csv")));
    const std::string big = ReadAll((dir.Path() / "big.csv").string());
    EXPECT_EQ(std::count(big.begin(), big.end(), '\n'), 65536 - 900);
    EXPECT_FALSE(WriteHistogramCsv(bytes, dir.WidePath("missing/h.csv")));
}

TEST(MeshClipControls, GroupsFollowPaneSettingsAndRenderingType)
{
    CKxDrawUSTL unit(nullptr);
    unit.renderingType = L"A";
    unit.capTextured = true;
    unit.translucentOpacity = 0.9f;
    unit.translucentType = L"D";
    ClipControlState s = ComputeClipControls(unit, false, true, true);
    EXPECT_FALSE(s.capCheckEnabled || s.translucentCheckEnabled || s.sectionButtonsEnabled);
    s = ComputeClipControls(unit, true, true, true);
    EXPECT_TRUE(s.capCheckEnabled && s.sectionButtonsEnabled && s.translucentControlsEnabled);
    EXPECT_FALSE(s.capForcedOff);
    EXPECT_EQ(s.opacityPercent, 90);
    EXPECT_EQ(s.renderingType, L"D");
    unit.innerDraw = false;
    unit.translucentClip = false;
    s = ComputeClipControls(unit, true, true, true);
    EXPECT_TRUE(s.capForcedOff && s.translucentForcedOff);
    EXPECT_FALSE(s.sectionButtonsEnabled || s.translucentControlsEnabled);
    unit.renderingType = L"B";
    s = ComputeClipControls(unit, true, true, true);
    EXPECT_TRUE(s.capCheckEnabled);
    EXPECT_FALSE(s.translucentCheckEnabled);
    unit.renderingType = L"C";
    s = ComputeClipControls(unit, true, true, true);
    EXPECT_FALSE(s.capCheckEnabled || s.translucentCheckEnabled);
    EXPECT_EQ(OpacityPercent(0.125f), 13);
}

TEST(SectionImageSave, MapsSamplesThroughTheWindowAndChecksTheFormat)
{
    EXPECT_EQ(SectionTableIndex(0, 0, 255), 0);
    EXPECT_EQ(SectionTableIndex(300, 0, 255), 255);
    EXPECT_EQ(SectionTableIndex(50, 100, 200), 0);
    EXPECT_EQ(SectionTableIndex(150, 100, 200), 127);
    EXPECT_EQ(SectionTableIndex(10, 10, 10), 255);   // empty window: no division by zero
    EXPECT_EQ(SectionTableIndex(9, 10, 10), 0);
    EXPECT_EQ(SectionRowStride(5), 16u);
    EXPECT_EQ(SectionRowStride(4), 12u);

    TempDir dir;
    CKxDrawUSTL unit(nullptr);
    EXPECT_EQ(SaveSectionImage(unit, dir.WidePath("a.bmp"), L"bmp"), SectionSaveResult::kNoSection);
    EXPECT_EQ(SaveSectionImage(unit, dir.WidePath("a.TIF"), L"TIF"), SectionSaveResult::kWrongFormat);
    unit.colorTable = L"RGB";
    EXPECT_EQ(SaveSectionImage(unit, dir.WidePath("a.tif"), L"tif"), SectionSaveResult::kTiffNotGray);

    unit.capLut = ColorLutHandle(new ColorLut, [](ColorLut* lut) { delete lut; });
    ColorLut& lut = *unit.capLut;
    lut.sectionSamples = 5;
    lut.bytesPerChannel = 1;
    ASSERT_TRUE(lut.sectionWork.Commit(5 * 5 * 2));
    for (int i = 0; i < 25; ++i) lut.sectionWork.Data()[i] = static_cast<uint8_t>(i * 10);
    unit.colorTableLow = 0;
    unit.colorTableUp = 255;
    EXPECT_EQ(SaveSectionImage(unit, dir.WidePath("s.bmp"), L"bmp"), SectionSaveResult::kSaved);
    EXPECT_EQ(SaveSectionImage(unit, dir.WidePath("s.jpg"), L"jpg"), SectionSaveResult::kSaved);
    unit.colorTable = L"GRAY";
    EXPECT_EQ(SaveSectionImage(unit, dir.WidePath("s.tif"), L"tif"), SectionSaveResult::kSaved);
    EXPECT_GT(ReadAll((dir.Path() / "s.bmp").string()).size(), 54u);
    EXPECT_EQ(ReadAll((dir.Path() / "s.jpg").string()).substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(ReadAll((dir.Path() / "s.tif").string()).substr(0, 2), "II");
    // A side larger than the samples held is never read.
    lut.sectionSamples = 8;
    EXPECT_EQ(SaveSectionImage(unit, dir.WidePath("t.bmp"), L"bmp"), SectionSaveResult::kNoSection);
}
