#include "platform/FilePaths.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace velmor;
using velmor::test::TempDir;

TEST(FilePaths, BackslashesAndCaseAreResolved)
{
    TempDir dir;
    dir.Write("Data/Slices/IMG001.tif", "x");
    const std::wstring root = dir.WidePath("");
    EXPECT_EQ(ResolveScenePath(root + L"data\\slices\\img001.TIF"), dir.Path() / "Data/Slices/IMG001.tif");
    EXPECT_EQ(ResolveScenePath(root + L"Data/Slices/IMG001.tif"), dir.Path() / "Data/Slices/IMG001.tif");
}

TEST(FilePaths, AmbiguousOrMissingNamesStayAsWritten)
{
    TempDir dir;
    dir.Write("a/X.raw", "1");
    dir.Write("a/x.raw", "2");
    const std::wstring root = dir.WidePath("");
    EXPECT_EQ(ResolveScenePath(root + L"A\\X.RAW"), dir.Path() / "a/X.RAW");   // two candidates
    EXPECT_EQ(ResolveScenePath(root + L"A\\missing\\f"), dir.Path() / "a/missing/f");
}
