#include "scene/PathParts.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace velmor;
using velmor::test::TempDir;

TEST(PathParts, SplitsWindowsAndPosixPaths)
{
    EXPECT_EQ(GetFolderPart(L"D:\\data\\a.tif"), L"D:\\data\\");
    EXPECT_EQ(GetFileNamePart(L"D:\\data\\a.tif"), L"a");
    EXPECT_EQ(GetExtensionPart(L"D:\\data\\a.tif"), L".tif");
    EXPECT_EQ(GetExtensionPart(L"/data/readme"), L"");
    EXPECT_EQ(GetFolderPart(L"/data/x.y/readme"), L"/data/x.y/");
    EXPECT_EQ(GetFileNamePart(L"a.b.c"), L"a.b");
    EXPECT_EQ(GetFolderPart(L"name.vlm"), L"");
}

TEST(PathParts, ReplaceExtension)
{
    EXPECT_EQ(ReplaceExtension(L"D:\\d\\a.tif", L"png"), L"D:\\d\\a.png");
    EXPECT_EQ(ReplaceExtension(L"/d/a.tif", L".obj"), L"/d/a.obj");
    EXPECT_EQ(ReplaceExtension(L"/d/a", L"mtl"), L"/d/a.mtl");
    EXPECT_EQ(ReplaceExtension(L"/d/a.tif", L""), L"/d/a");
}

TEST(PathParts, ListFolderFilesFiltersAndSortsByCodeUnits)
{
    TempDir dir;
    for (const char* name : {"a.tif", "B.tif", "10.tif", "9.tif", "note.txt", "x.TIF"}) dir.Write(name, "x");
    dir.Write("sub.tif/inner", "x");   // a folder whose name matches is not a file

    std::vector<std::wstring> names{L"/already/there.tif"};
    const std::wstring folder = dir.WidePath("");
    ListFolderFiles(folder + L"*.tif", names);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"/already/there.tif", folder + L"10.tif", folder + L"9.tif",
                                                folder + L"B.tif", folder + L"a.tif"}));

    std::vector<std::wstring> all;
    ListFolderFiles(folder + L"anything", all);
    EXPECT_EQ(all.size(), 6u);
}

TEST(PathParts, ListFolderFilesOfAMissingFolderOnlySorts)
{
    std::vector<std::wstring> names{L"b", L"a"};
    ListFolderFiles(L"/no/such/folder/x.tif", names);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"a", L"b"}));
}

TEST(PathParts, BrowseForFolderGoesThroughTheInstalledChooser)
{
    EXPECT_EQ(BrowseForFolder(L"/tmp"), L"");
    std::wstring seenTitle, seenStart;
    SetFolderChooser([&](const std::wstring& title, const std::wstring& start) {
        seenTitle = title;
        seenStart = start;
        return std::wstring(L"/chosen");
    });
    EXPECT_EQ(BrowseForFolder(L"/tmp"), L"/chosen");
    EXPECT_EQ(seenTitle, L"保存先フォルダを選択してください");
    EXPECT_EQ(seenStart, L"/tmp");
    SetFolderChooser({});
}
