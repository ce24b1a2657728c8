#include "scene/TextFileWriter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace velmor;
using velmor::test::ReadFileBytes;
using velmor::test::TempDir;

TEST(TextFileWriter, WritesUtf16LEWithCrLfAndNoBom)
{
    TempDir dir;
    const std::wstring path = dir.WidePath("note.txt");
    {
        TextFileWriter w;
        ASSERT_TRUE(w.OpenForWrite(path));
        EXPECT_TRUE(w.WriteLine(L"%ls=%d", L"日", 7));
        EXPECT_TRUE(w.Close());
    }
    EXPECT_EQ(ReadFileBytes(dir.Path() / "note.txt"), std::string("\xe5\x65=\0" "7\0\r\0\n\0", 10));
}

TEST(TextFileWriter, LongLinesAreNotCutAndReopeningEmpties)
{
    TempDir dir;
    const std::wstring path = dir.WidePath("long.csv");
    const std::wstring longText(3000, L'x');
    TextFileWriter w;
    ASSERT_TRUE(w.OpenForWrite(path));
    EXPECT_TRUE(w.WriteLine(L"%ls", longText.c_str()));
    EXPECT_TRUE(w.Close());
    EXPECT_EQ(ReadFileBytes(dir.Path() / "long.csv").size(), (3000u + 2u) * 2u);

    ASSERT_TRUE(w.OpenForWrite(path));
    EXPECT_TRUE(w.Close());
    EXPECT_EQ(ReadFileBytes(dir.Path() / "long.csv").size(), 0u);
}

TEST(TextFileWriter, FailuresAreReported)
{
    TextFileWriter w;
    EXPECT_FALSE(w.OpenForWrite(L"/no/such/folder/x.txt"));
    EXPECT_FALSE(w.WriteLine(L"x"));

    TextFileWriter full;
    ASSERT_TRUE(full.OpenForWrite(L"/dev/full"));
    full.WriteLine(L"%ls", std::wstring(10000, L'y').c_str());
    EXPECT_FALSE(full.Close());   // a disk that is full is not a written file
}
