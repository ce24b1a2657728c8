#include "scene/SliceFolder.h"

#include "support/DicomBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace velmor;
using namespace velmor::test;

namespace {

std::wstring Slice(const TempDir& dir, const std::string& name, int series, int instance)
{
    DicomSliceOptions options;
    options.seriesNumber = series;
    options.instanceNumber = instance;
    dir.Write(name, MakeDicomSlice(options));
    return dir.WidePath(name);
}

} // namespace

TEST(SliceFolder, DicomSeriesThenInstanceWithStableTies)
{
    TempDir dir;
    const std::wstring a = Slice(dir, "a.dcm", 3, 1), b = Slice(dir, "b.dcm", 2, 5), c = Slice(dir, "c.dcm", 2, 5),
                       d = Slice(dir, "d.dcm", 2, 4);
    dir.Write("e.dcm", "not a DICOM file");   // no numbers: key 0 sorts first
    const std::wstring e = dir.WidePath("e.dcm");
    std::filesystem::create_directories(dir.Path() / "Sub");
    Slice(dir, "Sub/f.dcm", 2, 6);
    const std::wstring f = dir.WidePath("") + L"/sub\\f.dcm";   // as a scene may spell it
    std::vector<std::wstring> files{a, b, c, d, e, f};
    int reads = 0;
    EXPECT_TRUE(OrderSliceFiles(files, L"DCM", [&] { ++reads; }));
    EXPECT_EQ(reads, 6);
    // Equal keys keep name order, so no slice is lost or read twice.
    EXPECT_EQ(files, (std::vector<std::wstring>{e, d, b, c, f, a}));
}

TEST(SliceFolder, NameOrderWithoutInstanceNumberOrDicom)
{
    TempDir dir;
    dir.Write("a.dcm", "no DICOM here");
    std::vector<std::wstring> files{dir.WidePath("a.dcm"), Slice(dir, "b.dcm", 9, 1), Slice(dir, "c.dcm", 1, 1)};
    const auto named = files;
    EXPECT_FALSE(OrderSliceFiles(files, L"dicom"));
    EXPECT_EQ(files, named);
    files = {Slice(dir, "x.png", 9, 1), Slice(dir, "y.png", 1, 1)};
    EXPECT_FALSE(OrderSliceFiles(files, L"png"));
    EXPECT_EQ(files[0], dir.WidePath("x.png"));
    EXPECT_TRUE(IsDicomSourceType(L"Dic"));
}

TEST(SliceFolder, EveryStepthSliceFromEitherEnd)
{
    const std::vector<std::wstring> files{L"0", L"1", L"2", L"3", L"4"};
    EXPECT_EQ(PlanSliceReads(files, false, 1, 5), files);
    EXPECT_EQ(PlanSliceReads(files, false, 2, 3), (std::vector<std::wstring>{L"0", L"2", L"4"}));
    EXPECT_EQ(PlanSliceReads(files, true, 2, 3), (std::vector<std::wstring>{L"4", L"2", L"0"}));
    EXPECT_EQ(PlanSliceReads(files, true, 4, 2), (std::vector<std::wstring>{L"4", L"0"}));
    EXPECT_EQ(PlanSliceReads(files, false, 4, 3).size(), 2u);   // never past the list
}
