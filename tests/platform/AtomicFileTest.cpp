// Files written whole or not at all: what a folder holds while a file is
// written, after a failure, after a series is published, and for targets
// that are links, folders, devices or names near the length limit.
#include "platform/AtomicFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <vector>

using namespace velmor;
using namespace velmor::test;

TEST(AtomicFile, TheOldFileStaysUntilTheNewOneIsComplete)
{
    TempDir dir;
    const auto target = dir.Write("out.stl", "old bytes");
    ::chmod(target.c_str(), 0640);
    {
        AtomicFile file;
        ASSERT_TRUE(file.Create(target));
        ASSERT_TRUE(file.Write("new"));
        ASSERT_TRUE(file.Finish());
        EXPECT_EQ(ReadFileBytes(target), "old bytes");
        EXPECT_EQ(FolderNames(dir.Path()).size(), 2u);
        ASSERT_TRUE(file.Publish());
    }
    EXPECT_EQ(ReadFileBytes(target), "new");
    EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{"out.stl"});
    struct stat info;
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u) << "a replaced file keeps its permissions";

    // A writer that saw an error, or one that never finishes, leaves the
    // file as it was and nothing else.
    for (const bool markFailed : {true, false}) {
        AtomicFile file;
        ASSERT_TRUE(file.Create(target));
        file.Write("half");
        if (markFailed) {
            file.MarkFailed();
            EXPECT_FALSE(file.Commit());
        }
    }
    EXPECT_EQ(ReadFileBytes(target), "new");
    EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{"out.stl"});
}

TEST(AtomicFile, ASeriesAppearsWholeOrNotAtAll)
{
    TempDir dir;
    dir.Write("0000.tif", "old slice");
    std::vector<AtomicFile> series(3);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(series[i].Create(dir.Path() / ("000" + std::to_string(i) + ".tif")));
        series[i].Write("slice " + std::to_string(i));
        ASSERT_TRUE(series[i].Finish());
    }
    EXPECT_EQ(ReadFileBytes(dir.Path() / "0000.tif"), "old slice");
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "0001.tif"));
    // A name taken by a folder after the files were written: renaming stops
    // there and the files after it are removed.
    std::filesystem::create_directory(dir.Path() / "0001.tif");
    EXPECT_FALSE(AtomicFile::PublishAll(series));
    EXPECT_EQ(ReadFileBytes(dir.Path() / "0000.tif"), "slice 0");
    EXPECT_EQ(FolderNames(dir.Path()), (std::vector<std::string>{"0000.tif", "0001.tif"}));

    // A folder in the way from the start refuses the file at once.
    AtomicFile blocked;
    EXPECT_FALSE(blocked.Create(dir.Path() / "0001.tif"));
}

TEST(AtomicFile, LinksDevicesAndLongNames)
{
    TempDir dir;
    const auto real = dir.Write("real.csv", "old");
    std::filesystem::create_symlink(real, dir.Path() / "link.csv");
    AtomicFile viaLink;
    ASSERT_TRUE(viaLink.Create(dir.Path() / "link.csv"));
    viaLink.Write("new");
    ASSERT_TRUE(viaLink.Commit());
    EXPECT_TRUE(std::filesystem::is_symlink(dir.Path() / "link.csv"));
    EXPECT_EQ(ReadFileBytes(real), "new");

    // A device cannot be replaced: it is written in place and stays.
    AtomicFile device;
    ASSERT_TRUE(device.Create("/dev/null"));
    EXPECT_TRUE(device.TemporaryPath().empty());
    device.Write("gone");
    EXPECT_TRUE(device.Commit());
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
    // A pipe that nobody reads fails at once rather than waiting for a reader.
    ASSERT_EQ(::mkfifo((dir.Path() / "pipe.csv").c_str(), 0600), 0);
    AtomicFile pipe;
    EXPECT_FALSE(pipe.Create(dir.Path() / "pipe.csv"));
    std::filesystem::remove(dir.Path() / "pipe.csv");

    // The temporary name of a name of the longest length still fits.
    const std::string longest(255 - 4, 'n');
    AtomicFile named;
    ASSERT_TRUE(named.Create(dir.Path() / (longest + ".stl")));
    named.Write("x");
    ASSERT_TRUE(named.Commit());
    EXPECT_EQ(ReadFileBytes(dir.Path() / (longest + ".stl")), "x");

    AtomicFile missing;
    EXPECT_FALSE(missing.Create(dir.Path() / "no" / "such.stl"));
    EXPECT_FALSE(missing.Commit());
    EXPECT_EQ(FolderNames(dir.Path()), (std::vector<std::string>{"link.csv", longest + ".stl", "real.csv"}));
}
