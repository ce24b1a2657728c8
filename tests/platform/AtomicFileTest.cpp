// Files written whole or not at all: what a folder holds while a file is
// written, after a failure or a killed writer, after a series is published
// or taken back, and for targets that are links (other users' in shared
// folders too), folders, devices or long names; and a file that shrinks.
#include "platform/AtomicFile.h"
#include "platform/ReadOnlyFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace velmor;
using namespace velmor::test;

constexpr uid_t kNobody = 65534;

TEST(AtomicFile, TheOldFileStaysUntilTheNewOneIsComplete)
{
    TempDir dir;
    const auto target = dir.Write("out.stl", "old bytes");
    ::chmod(target.c_str(), 0640);
    {
        AtomicFile file;
        ASSERT_TRUE(file.Create(target));
        EXPECT_EQ(status(file.TemporaryPath()).permissions(), std::filesystem::perms(0600)) << "its owner's alone while written";
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

    // A writer that saw an error, one that never finishes, or one whose
    // bytes the disk did not take, leaves the file as it was and nothing
    // else.
    for (const int way : {0, 1, 2}) {
        AtomicFile::ReplaceSyncForTest(way == 2 ? +[](int) { return errno = EIO, -1; } : nullptr);
        AtomicFile file;
        ASSERT_TRUE(file.Create(target));
        file.Write("half");
        if (way == 0) file.MarkFailed();
        if (way != 1) { EXPECT_FALSE(file.Commit()) << way; }
    }
    AtomicFile::ReplaceSyncForTest(nullptr);
    EXPECT_EQ(ReadFileBytes(target), "new");
    EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{"out.stl"});

    // A new file gets what the umask leaves of 0666; where the file system
    // keeps no modes it stays owner-only, and another refusal fails it.
    const mode_t mask = ::umask(027);
    AtomicFile fresh;
    EXPECT_TRUE(fresh.Create(dir.Path() / "new.csv") && fresh.Commit());
    EXPECT_EQ(status(dir.Path() / "new.csv").permissions(), std::filesystem::perms(0640));
    static int refusal;
    AtomicFile::ReplaceModeForTest(+[](int, mode_t) { return errno = refusal, -1; });
    for (const int error : {EPERM, EOPNOTSUPP, EIO}) {
        refusal = error;
        AtomicFile file;
        EXPECT_EQ(file.Create(dir.Path() / "fat.csv") && file.Commit(), error != EIO) << error;
    }
    AtomicFile::ReplaceModeForTest(nullptr);
    ::umask(mask);
    EXPECT_EQ(status(dir.Path() / "fat.csv").permissions(), std::filesystem::perms(0600));
}

TEST(AtomicFile, ASeriesAppearsWholeOrNotAtAll)
{
    TempDir dir;
    dir.Write("0000.tif", "old slice");
    std::vector<AtomicFile> series(3);
    const auto write = [&](const std::string& text) {
        for (size_t i = 0; i < series.size(); ++i) {
            ASSERT_TRUE(series[i].Create(dir.Path() / ("000" + std::to_string(i) + ".tif")));
            series[i].Write(text + std::to_string(i));
            ASSERT_TRUE(series[i].Finish());
        }
    };
    write("slice ");
    EXPECT_EQ(ReadFileBytes(dir.Path() / "0000.tif"), "old slice");
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "0001.tif"));
    // A name taken by a folder after the files were written: renaming stops
    // there, the old first slice comes back and the rest are removed.
    std::filesystem::create_directory(dir.Path() / "0001.tif");
    EXPECT_FALSE(AtomicFile::PublishAll(series));
    EXPECT_EQ(ReadFileBytes(dir.Path() / "0000.tif"), "old slice");
    EXPECT_EQ(FolderNames(dir.Path()), (std::vector<std::string>{"0000.tif", "0001.tif"}));

    // A folder in the way from the start refuses the file at once.
    AtomicFile blocked;
    EXPECT_FALSE(blocked.Create(dir.Path() / "0001.tif"));

    // Published whole, the old files' hidden names go too.
    std::filesystem::remove(dir.Path() / "0001.tif");
    write("slice ");
    EXPECT_TRUE(AtomicFile::PublishAll(series));
    const std::vector<std::string> names{"0000.tif", "0001.tif", "0002.tif"};
    const auto holds = [&](const std::string& text) {
        EXPECT_EQ(FolderNames(dir.Path()), names);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(ReadFileBytes(dir.Path() / names[i]), text + std::to_string(i));
    };
    holds("slice ");

    // Writers of `files` slices, last first, killed at the rename after
    // `renames`, or at the folder sync after the last (-1).
    const auto killed = [&](const std::string& text, size_t files, int renames) {
        InChild([&] {
            series.resize(files);
            write(text);
            std::reverse(series.begin(), series.end());
            renames < 0 ? void(AtomicFile::ReplaceSyncForTest(+[](int) -> int { _exit(0); })) : RenamesRunOutAfter(renames, true);
            AtomicFile::PublishAll(series);
        });
    };
    // Cut off in a longer series: the next write's sweep, though of other names, puts the
    // old files back and removes the one added, and a failing write then leaves them whole.
    killed("killed ", 4, 2);
    EXPECT_EQ(ReadFileBytes(dir.Path() / "0003.tif"), "killed 3");
    AtomicFile::RemoveLeftovers(dir.Path(), {"0000.tif", "0001.tif"});
    holds("slice ");
    write("failed ");
    series[2].MarkFailed();
    EXPECT_FALSE(AtomicFile::PublishAll(series));
    holds("slice ");
    // Killed after its last rename: the new series stays, the copies go.
    killed("new ", 3, -1);
    EXPECT_GT(FolderNames(dir.Path()).size(), 3u);
    AtomicFile::RemoveLeftovers(dir.Path(), names);
    holds("new ");
    // A name given another file since: neither it nor the old file is lost.
    killed("cut ", 3, 1);
    std::filesystem::remove(dir.Path() / "0002.tif");
    dir.Write("0002.tif", "later");
    AtomicFile::RemoveLeftovers(dir.Path(), names);
    EXPECT_EQ(ReadFileBytes(dir.Path() / "0002.tif"), "later");
    EXPECT_EQ(FolderNames(dir.Path()).size(), 5u) << "the series, the old file kept and its publish's marker";
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

    // Only regular files are written: a device, and the user's own pipe in
    // a private folder while someone holds it open to read, are refused.
    ASSERT_EQ(::mkfifo((dir.Path() / "pipe.csv").c_str(), 0600), 0);
    const int reader = ::open((dir.Path() / "pipe.csv").c_str(), O_RDONLY | O_NONBLOCK);
    AtomicFile device, pipe;
    EXPECT_FALSE(device.Create("/dev/null") || pipe.Create(dir.Path() / "pipe.csv"));
    ::close(reader);
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

    // A path of 4085 bytes: its temporary's name is shortened to fit.
    std::filesystem::path deep = dir.Path();
    while (deep.native().size() < 3800) deep /= std::string(200, 'd');
    deep /= std::string(4085 - 61 - deep.native().size() - 1, 'e');
    std::filesystem::create_directories(deep);
    AtomicFile far;
    ASSERT_TRUE(far.Create(deep / std::string(60, 'f')) && far.Write("far"));
    EXPECT_LT(far.TemporaryPath().native().size(), size_t(PATH_MAX));
    EXPECT_TRUE(far.Commit() && ReadFileBytes(deep / std::string(60, 'f')) == "far");
}

// Another user's link to a folder, or reached through one of this user's, is
// not followed in a sticky folder open to all, and is in one that is not.
// Another user's file is refused there, elsewhere replaced without its mode.
TEST(AtomicFile, SharedFoldersFollowOnlyLinksOfTheWriterOrTheFolderOwner)
{
    TempDir dir;
    const auto secret = dir.Write("private/secret", "mine");
    const auto shared = dir.Path() / "shared";
    std::filesystem::create_directories(shared / "sub");
    std::filesystem::create_symlink(secret.parent_path(), shared / "into");
    std::filesystem::create_symlink(secret, shared / "skull.stl");
    std::filesystem::create_symlink(shared / "skull.stl", shared / "sub" / "hop.stl");
    for (const char* name : {"into", "skull.stl"}) ASSERT_EQ(::lchown((shared / name).c_str(), kNobody, -1), 0);
    const auto theirs = dir.Write("shared/0000.tif", "theirs");
    const mode_t mask = ::umask(022);
    for (const mode_t mode : {01777, 0777}) {
        ::chmod(shared.c_str(), mode);
        for (const char* name : {"into/secret", "into/new.stl", "sub/hop.stl", "0000.tif"}) {
            ASSERT_EQ(::chown(theirs.c_str(), kNobody, -1) | ::chmod(theirs.c_str(), 0666), 0);
            AtomicFile file;
            EXPECT_EQ(file.Create(shared / name) && file.Write(name) && file.Commit(), mode == 0777) << name;
        }
        EXPECT_EQ(ReadFileBytes(secret), mode == 0777 ? "sub/hop.stl" : "mine");
        EXPECT_EQ(FolderNames(secret.parent_path()).size(), mode == 0777 ? 2u : 1u);
    }
    ::umask(mask);
    EXPECT_EQ(status(theirs).permissions(), std::filesystem::perms(0644));
}

// A short name, and one whose temporary carries a hash of it instead.
TEST(AtomicFile, WhatAnEndedWriterLeftGoesWithTheNextWriteOfItsTarget)
{
    for (const std::string& name : {std::string("ball.stl"), std::string(255, 'b')}) {
        TempDir dir;
        const auto target = dir.Path() / name;
        const pid_t zombie = LeaveTemporary(target, false);   // ended, not yet waited for
        const auto left = dir.Path() / FolderNames(dir.Path()).at(0);
        // Another target's, another user's, and one a running writer (this
        // process) is writing, stay.
        LeaveTemporary(dir.Path() / "other.stl");
        ASSERT_EQ(::chown(left.c_str(), kNobody, -1), 0);
        AtomicFile running, next;
        ASSERT_TRUE(running.Create(target));
        // The running writer's id with another start time, an ended writer's id given again: it goes.
        std::string reused = running.TemporaryPath().filename();
        const size_t number = reused.rfind('-'), start = reused.rfind('-', number - 1);
        dir.Write(reused.replace(start + 1, number - start - 1, "1"), "x");
        ASSERT_TRUE(next.Create(target));
        EXPECT_EQ(FolderNames(dir.Path()).size(), 4u);
        ASSERT_EQ(::chown(left.c_str(), ::geteuid(), -1), 0);
        ASSERT_TRUE(next.Create(target) && next.Commit());
        EXPECT_EQ(FolderNames(dir.Path()).size(), 3u) << "the file, the other target's and the running writer's";
        ::waitpid(zombie, nullptr, 0);
    }
}

TEST(ReadOnlyFile, AFileThatShrinksUnderItsReaderIsNoWholeRead)
{
    TempDir dir;
    const ReadOnlyFile file(dir.Write("volume.raw", std::string(100, 'v')));
    std::filesystem::resize_file(dir.Path() / "volume.raw", 60);
    char bytes[100];
    EXPECT_FALSE(file.ReadExactlyAt(0, bytes, 100) || file.ReadExactlyAt(50, bytes, 20));
    EXPECT_TRUE(file.ReadExactlyAt(40, bytes, 20));
}
