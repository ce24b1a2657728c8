// Files written whole or not at all: what a folder holds while a file is
// written, after a failure or a killed writer, after a series is published
// or taken back, and for targets that are links (other users' in shared
// folders too), folders, devices or long names; and a file that shrinks.
#include "platform/AtomicFile.h"
#include "platform/HiddenNames.h"
#include "platform/PublishRecord.h"
#include "platform/ReadOnlyFile.h"
#include "platform/WriterLock.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <grp.h>
#include <map>
#include <numeric>
#include <sched.h>
#include <sstream>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <vector>

using namespace velmor;
using namespace velmor::test;

constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;
constexpr gid_t kProjectGroup = 100;   // users
constexpr uid_t kPlainUser = 1000;
constexpr auto kByUser = AtomicFile::Naming::ByUser;

namespace {

// Changes `path`'s ACL with the outside tool.
bool SetAcl(const std::string& arguments, const std::filesystem::path& path)
{
    return std::system(("setfacl " + arguments + " '" + path.string() + "' 2>/dev/null").c_str()) == 0;
}

pid_t Started(const std::function<bool()>& work)
{
    const pid_t child = ::fork();
    if (child == 0) _exit(work() ? 0 : 1);
    return child;
}

bool EndedWell(pid_t child)
{
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Whether each of two members of the project group and one user outside it
// may open `file` to read, and to write, as the kernel answers them.
std::string WhoMayOpen(const std::filesystem::path& file)
{
    std::string answers;
    for (const auto& [user, member] : {std::pair{uid_t{1}, true}, {uid_t{2}, true}, {kNobody, false}})
        for (const int flags : {O_RDONLY, O_WRONLY})
            answers += EndedWell(Started([&, user = user, member = member] {
                return ::setgroups(member ? 1 : 0, &kProjectGroup) == 0 && ::setgid(kNoGroup) == 0 && ::setuid(user) == 0 &&
                       ::open(file.c_str(), flags | O_CLOEXEC) >= 0;
            })) ? '+' : '-';
    return answers;
}

// Becomes `user`, alone in a user namespace that maps it to itself, as a
// rootless container runs it.
bool BecomeUserInItsOwnNamespace(uid_t user)
{
    const std::string map = std::to_string(user) + ' ' + std::to_string(user) + " 1\n";
    const auto put = [](const char* file, const std::string& text) { return bool(std::ofstream(file) << text << std::flush); };
    // Dumpable again after the change of user, so that its /proc files are its own to write.
    return ::setgroups(0, nullptr) == 0 && ::setgid(user) == 0 && ::setuid(user) == 0 && ::prctl(PR_SET_DUMPABLE, 1) == 0 &&
           ::unshare(CLONE_NEWUSER) == 0 && put("/proc/self/uid_map", map) && put("/proc/self/setgroups", "deny") &&
           put("/proc/self/gid_map", map);
}

} // namespace

TEST(AtomicFile, TheOldFileStaysUntilTheNewOneIsComplete)
{
    TempDir dir;
    const auto target = dir.Write("out.stl", "old bytes");
    ::chmod(target.c_str(), 0640);
    {
        AtomicFile file;
        ASSERT_TRUE(file.Create(target, kByUser));
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
        ASSERT_TRUE(file.Create(target, kByUser));
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
    EXPECT_TRUE(fresh.Create(dir.Path() / "new.csv", kByUser) && fresh.Commit());
    EXPECT_EQ(status(dir.Path() / "new.csv").permissions(), std::filesystem::perms(0640));
    static int refusal;
    AtomicFile::ReplaceModeForTest(+[](int, mode_t) { return errno = refusal, -1; });
    for (const int error : {EPERM, EOPNOTSUPP, EIO}) {
        refusal = error;
        AtomicFile file;
        EXPECT_EQ(file.Create(dir.Path() / "fat.csv", kByUser) && file.Commit(), error != EIO) << error;
    }
    AtomicFile::ReplaceModeForTest(nullptr);
    // A file of the user's with another name, which someone else may have
    // put there, lends its mode no wider than the umask lets a new one be.
    for (const auto [mode, umask, links, expected] : std::initializer_list<std::array<mode_t, 4>>{
             {0640, 022, 2, 0640}, {0664, 077, 2, 0600}, {0664, 077, 1, 0664}}) {
        const auto linked = dir.Write("linked.csv", "x");
        ::chmod(linked.c_str(), mode), ::umask(umask);
        ASSERT_TRUE(links == 1 || ::link(linked.c_str(), (dir.Path() / "planted.csv").c_str()) == 0);
        AtomicFile planted;
        EXPECT_TRUE(planted.Create(linked, kByUser) && planted.Commit());
        EXPECT_EQ(status(linked).permissions(), std::filesystem::perms(expected)) << mode << links;
        std::filesystem::remove(dir.Path() / "planted.csv");
    }
    ::umask(mask);
    EXPECT_EQ(status(dir.Path() / "fat.csv").permissions(), std::filesystem::perms(0600));

    // In a project's setgid folder a file shared with one user by its ACL, and
    // one whose ACL keeps a member of the group out, give everyone the same
    // access when replaced; the mode set before the ACL (all that a file system
    // without ACLs keeps) gives the group its own entry, not the mask. With a
    // second link every entry is narrowed by the umask.
    const auto project = dir.Path() / "project", shared = project / "shared.stl";
    std::filesystem::create_directory(project);
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755) | ::chown(project.c_str(), -1, kProjectGroup) | ::chmod(project.c_str(), 02775), 0);
    static mode_t lent;
    for (const auto& [mode, entry, links, own] : {std::tuple{0600, "u:daemon:rw", 1, 0600}, {0664, "u:daemon:-", 1, 0664}, {0600, "u:daemon:rw", 2, 0600}}) {
        std::filesystem::remove(shared), dir.Write("project/shared.stl", "old");
        ASSERT_TRUE(::chmod(shared.c_str(), mode_t(mode)) == 0 && (links == 1 || ::link(shared.c_str(), (project / "planted").c_str()) == 0));
        if (!SetAcl(std::string("-m ") + entry, shared)) GTEST_SKIP() << "the temporary folder takes no ACLs";
        const std::string access = WhoMayOpen(shared);
        const mode_t umask = ::umask(links == 1 ? 022 : 077);
        AtomicFile::ReplaceModeForTest(+[](int fd, mode_t mode) { return lent = mode, ::fchmod(fd, mode); });
        AtomicFile file;
        EXPECT_TRUE(file.Create(shared, kByUser) && file.Commit());
        AtomicFile::ReplaceModeForTest(nullptr), ::umask(umask), std::filesystem::remove(project / "planted");
        EXPECT_EQ(lent, mode_t(own)) << entry;
        EXPECT_EQ(WhoMayOpen(shared), links == 1 ? access : "------") << entry;
    }
    // Where the file system keeps no ACLs (ramfs) the mode is lent whole;
    // where the ACL cannot be read (no /proc) the group gets no more than a
    // new file would.
    InChild([&] {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) _exit(0);
        for (const bool ramfs : {true, false}) {
            if (ramfs ? ::mount("none", project.c_str(), "ramfs", 0, nullptr) : ::mount("tmpfs", "/proc", "tmpfs", 0, nullptr)) _exit(1);
            std::filesystem::remove(shared), dir.Write("project/shared.stl", "old");
            ::chmod(shared.c_str(), 0660), ramfs || SetAcl("-m u:daemon:rw", shared);
            AtomicFile file;
            EXPECT_TRUE(file.Create(shared, kByUser) && file.Commit());
            EXPECT_EQ(status(shared).permissions(), std::filesystem::perms(ramfs ? 0660 : 0600));
            if (ramfs) ::umount(project.c_str());
        }
        _exit(::testing::Test::HasFailure() ? 1 : 0);
    });
}

TEST(AtomicFile, ASeriesAppearsWholeOrNotAtAll)
{
    TempDir dir;
    dir.Write("0000.tif", "old slice");
    std::vector<AtomicFile> series(3);
    const auto write = [&](const std::string& text) {
        for (size_t i = 0; i < series.size(); ++i) {
            ASSERT_TRUE(series[i].Create(dir.Path() / ("000" + std::to_string(i) + ".tif"), kByUser));
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
    EXPECT_FALSE(blocked.Create(dir.Path() / "0001.tif", kByUser));

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
    // `renames`, or at the sync after -`renames` (the record and its folder
    // take two before the first rename).
    const auto killed = [&](const std::string& text, size_t files, int renames) {
        InChild([&] {
            series.resize(files);
            write(text);
            std::reverse(series.begin(), series.end());
            renames < 0 ? SyncsRunOutAfter(-renames) : RenamesRunOutAfter(renames, true);
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
    // Killed after its last rename, before its record says it is done: undone as well.
    killed("late ", 3, -2);
    EXPECT_EQ(ReadFileBytes(dir.Path() / "0000.tif"), "late 0");
    AtomicFile::RemoveLeftovers(dir.Path(), names);
    holds("slice ");
    // Killed once its record says so: the new series stays, the copies go.
    killed("new ", 3, -3);
    EXPECT_GT(FolderNames(dir.Path()).size(), 3u);
    AtomicFile::RemoveLeftovers(dir.Path(), names);
    holds("new ");
    // An old file that could not be put back keeps the record, through a
    // sweep that cannot either, until one puts it back.
    InChild([&] { write("stuck "), RenamesRunOutAfter(1), AtomicFile::PublishAll(series); });
    RenamesRunOutAfter(0);
    AtomicFile::RemoveLeftovers(dir.Path(), names);
    ReplaceRenameForTest(nullptr);
    AtomicFile::RemoveLeftovers(dir.Path(), names);
    holds("new ");
    // A kept copy changed since it was set aside is not put back.
    killed("cut ", 3, 1);
    std::filesystem::path aside;
    for (const std::string& name : FolderNames(dir.Path()))
        if (name[0] == '.' && ReadFileBytes(dir.Path() / name) == "new 2") std::ofstream(aside = dir.Path() / name) << "changed";
    AtomicFile::RemoveLeftovers(dir.Path(), names);
    EXPECT_EQ(ReadFileBytes(dir.Path() / "0002.tif") + ReadFileBytes(aside), "cut 2changed");
    std::filesystem::remove(aside);
    // A name given another file since: neither it nor the old file is lost.
    killed("cut ", 3, 1);
    std::filesystem::remove(dir.Path() / "0002.tif");
    dir.Write("0002.tif", "later");
    AtomicFile::RemoveLeftovers(dir.Path(), names);
    EXPECT_EQ(ReadFileBytes(dir.Path() / "0002.tif"), "later");
    EXPECT_EQ(FolderNames(dir.Path()).size(), 4u) << "the series and the old file kept";
}

TEST(AtomicFile, LinksDevicesAndLongNames)
{
    TempDir dir;
    const auto real = dir.Write("real.csv", "old");
    std::filesystem::create_symlink(real, dir.Path() / "link.csv");
    AtomicFile viaLink;
    ASSERT_TRUE(viaLink.Create(dir.Path() / "link.csv", kByUser));
    viaLink.Write("new");
    ASSERT_TRUE(viaLink.Commit());
    EXPECT_TRUE(std::filesystem::is_symlink(dir.Path() / "link.csv"));
    EXPECT_EQ(ReadFileBytes(real), "new");

    // Only regular files are written: a device, and the user's own pipe in
    // a private folder while someone holds it open to read, are refused.
    ASSERT_EQ(::mkfifo((dir.Path() / "pipe.csv").c_str(), 0600), 0);
    const int reader = ::open((dir.Path() / "pipe.csv").c_str(), O_RDONLY | O_NONBLOCK);
    AtomicFile device, pipe;
    EXPECT_FALSE(device.Create("/dev/null", kByUser) || pipe.Create(dir.Path() / "pipe.csv", kByUser));
    ::close(reader);
    std::filesystem::remove(dir.Path() / "pipe.csv");

    // The temporary name of a name of the longest length still fits.
    const std::string longest(255 - 4, 'n');
    AtomicFile named;
    ASSERT_TRUE(named.Create(dir.Path() / (longest + ".stl"), kByUser));
    named.Write("x");
    ASSERT_TRUE(named.Commit());
    EXPECT_EQ(ReadFileBytes(dir.Path() / (longest + ".stl")), "x");

    AtomicFile missing;
    EXPECT_FALSE(missing.Create(dir.Path() / "no" / "such.stl", kByUser));
    EXPECT_FALSE(missing.Commit());
    EXPECT_EQ(FolderNames(dir.Path()), (std::vector<std::string>{"link.csv", longest + ".stl", "real.csv"}));

    // A path of 4085 bytes: its temporary's name is shortened to fit.
    std::filesystem::path deep = dir.Path();
    while (deep.native().size() < 3800) deep /= std::string(200, 'd');
    deep /= std::string(4085 - 61 - deep.native().size() - 1, 'e');
    std::filesystem::create_directories(deep);
    AtomicFile far;
    ASSERT_TRUE(far.Create(deep / std::string(60, 'f'), kByUser) && far.Write("far"));
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
            EXPECT_EQ(file.Create(shared / name, kByUser) && file.Write(name) && file.Commit(), mode == 0777) << name;
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
        ASSERT_TRUE(running.Create(target, kByUser));
        // A writer whose lock is gone, as one of a machine that crashed: it goes.
        std::string gone = running.TemporaryPath().filename();
        dir.Write(gone.replace(gone.rfind('-') - 16, 16, "0123456789abcdef"), "x");
        ASSERT_TRUE(next.Create(target, kByUser));
        EXPECT_EQ(FolderNames(dir.Path()).size(), 4u);
        ASSERT_EQ(::chown(left.c_str(), ::geteuid(), -1), 0);
        ASSERT_TRUE(next.Create(target, kByUser) && next.Commit());
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

namespace {

std::vector<std::string> SliceNames(size_t count)
{
    std::vector<std::string> names;
    for (size_t i = 0; i < count; ++i) names.push_back("000" + std::to_string(i) + ".tif");
    return names;
}

// A series published into `folder` as the voxel export publishes one, after
// the sweep of what ended writers left there.
// Where `stamped`, each file gets the time of the one it replaces, as
// FAT's two-second steps give a quick re-export.
bool ExportSeries(const std::filesystem::path& folder, const std::string& text, size_t count = 3, bool stamped = false)
{
    const std::vector<std::string> names = SliceNames(count);
    AtomicFile::RemoveLeftovers(folder, names);
    std::vector<AtomicFile> series(count);
    for (size_t i = 0; i < count; ++i) {
        struct stat old;
        if (!series[i].Create(folder / names[i], AtomicFile::Naming::ByProgram, AtomicFile::Leftovers::RemovedByCaller) ||
            !series[i].Write(text + std::to_string(i)) || !series[i].Finish())
            return false;
        if (stamped && ::stat((folder / names[i]).c_str(), &old) == 0)
            ::utimensat(AT_FDCWD, series[i].TemporaryPath().c_str(), std::array{old.st_atim, old.st_mtim}.data(), 0);
    }
    return AtomicFile::PublishAll(series);
}

// Every file below `folder` with its bytes, hidden ones and links included.
std::map<std::string, std::string> Tree(const std::filesystem::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().lexically_relative(folder).string();
        if (entry.is_symlink()) files[name] = "-> " + std::filesystem::read_symlink(entry.path()).string();
        else if (entry.is_regular_file() && entry.file_size() < 4096) files[name] = ReadFileBytes(entry.path());
        else files[name] = entry.is_directory() ? "folder" : std::to_string(entry.file_size());
    }
    return files;
}

} // namespace

// What another user plants in a shared folder, with a file of the user's
// that it may write, steers no write there: a record of a publish and kept
// copies in the form this writer once kept there, naming a file outside
// the folder, one elsewhere in it and an absent one, and a record of 64 GB.
// Exports succeed, or fail and put back, as they would without them.
TEST(AtomicFile, NothingPlantedInASharedFolderSteersAWrite)
{
    TempDir dir;
    const auto outside = dir.Write("home/.bashrc", "the user's own");
    const auto writable = dir.Path() / "project" / "notes.txt";
    for (const mode_t mode : {01777, 02775}) {
        const std::string shared = mode == 01777 ? "sticky" : "group";
        const auto folder = dir.Path() / shared;
        dir.Write(shared + "/victim.txt", "elsewhere in the folder");
        dir.Write(shared + "/0000.tif", "old 0");
        ASSERT_EQ(::chmod(folder.c_str(), mode), 0);
        std::string listing;
        for (const std::string& name : {outside.string(), std::string("../home/.bashrc"), std::string("victim.txt"),
                                        std::string("absent.txt"), std::string("0000.tif")})
            listing += "1-0-0:" + name + '\0';
        dir.Write("project/notes.txt", listing);
        for (const char* name : {".publishing-1-1-0", ".victim.txt.aside-1-1-0", "..bashrc.aside-1-1-0", ".absent.txt.aside-1-1-0",
                                 ".0000.tif.aside-1-1-0", ".0001.tif.part-1-1-0"})
            ASSERT_EQ(::link(writable.c_str(), (folder / name).c_str()), 0) << name;
        const int big = ::open((folder / ".publishing-2-1-0").c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
        ASSERT_EQ(::ftruncate(big, off_t{64} << 30), 0);
        ::close(big);
        auto before = Tree(dir.Path());
        OneRenameFailsAfter(1);   // the first is put back
        EXPECT_FALSE(ExportSeries(folder, "failed "));
        ReplaceRenameForTest(nullptr);
        EXPECT_EQ(Tree(dir.Path()), before) << shared;
        EXPECT_TRUE(ExportSeries(folder, "new "));
        for (const std::string& name : SliceNames(3)) before[shared + "/" + name] = "new " + name.substr(3, 1);
        EXPECT_EQ(Tree(dir.Path()), before) << shared;
    }
}

// The record of a publish is kept only in a private folder that is this
// user's alone and that it can write. Another user's, one open to others, a
// link to one, one in a folder another user owns or may write (by its ACL,
// or its group's when that is not the user's alone), or reached through
// another user's link, one whose ACLs cannot be read, a read-only one and a
// full one are neither read nor written: a publish cut off stays as it is,
// and exports go on without a record. Inside a user namespace root's
// folders are the system's still.
TEST(AtomicFile, ARecordIsKeptOnlyWhereNobodyElseMayWrite)
{
    TempDir dir;
    const auto out = dir.Path() / "out", other = dir.Path() / "other", state = dir.Path() / "state";
    const auto folder = state / "Quillmarsh" / "Velmor", moved = state / "elsewhere";
    std::filesystem::create_directories(out);
    std::filesystem::create_directories(other);
    const std::string outer = std::getenv("XDG_STATE_HOME");
    ::setenv("XDG_STATE_HOME", state.c_str(), 1);
    ASSERT_TRUE(ExportSeries(out, "old "));
    InChild([&] { RenamesRunOutAfter(2, true), ExportSeries(out, "cut "); });
    const auto cut = Tree(out);
    // The full one last: its writer holds a lock there, and so removes the temporary.
    for (const int way : {0, 1, 2, 3, 4, 7, 8, 9, 10, 11, 12, 5, 6}) {
        if (way == 7) ASSERT_TRUE(SetAcl("-m u:nobody:rwx", state));
        // Open to a group that is not the user's alone, or (in the child) seems so.
        if (way == 8 || way >= 10) ASSERT_EQ(::chmod(state.c_str(), 0775) | ::chown(state.c_str(), -1, way == 8 ? kNoGroup : ::getegid()), 0);
        if (way == 9) std::filesystem::create_symlink(state, dir.Path() / "lent"), ::setenv("XDG_STATE_HOME", (dir.Path() / "lent").c_str(), 1);
        if (way == 9) ASSERT_EQ(::lchown((dir.Path() / "lent").c_str(), kNobody, -1), 0);
        if (way == 3) ASSERT_EQ(::chown(state.c_str(), kNobody, -1), 0);
        if (way == 4) ASSERT_EQ(::chmod((state / "Quillmarsh").c_str(), 0777), 0);
        if (way == 0) ASSERT_EQ(::chown(folder.c_str(), kNobody, -1), 0);
        if (way == 1) ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);
        if (way == 2) std::filesystem::rename(folder, moved), std::filesystem::create_symlink(moved, folder);
        const auto kept = Tree(state);
        InChild([&] {
            const bool readOnly = way == 5, full = way == 6, planted = way == 10 || way == 12, noProc = way == 11;
            if ((readOnly || full || planted || noProc) &&
                (::unshare(CLONE_NEWNS) != 0 || ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0))
                _exit(0);
            // An account whose primary group is the user's, or one of its members.
            const std::string group = std::to_string(::getegid()), database = way == 10 ? "/etc/passwd" : "/etc/group";
            const auto accounts = dir.Write("accounts", ReadFileBytes(database) + (way == 10 ? "planted:x:4242:" + group + "::/:/bin/sh\n"
                                                                                             : "planted:x:" + group + ":daemon\n"));
            if (planted && ::mount(accounts.c_str(), database.c_str(), nullptr, MS_BIND, nullptr) != 0) _exit(1);
            if (noProc && ::mount("tmpfs", "/proc", "tmpfs", 0, nullptr) != 0) _exit(1);
            if (readOnly && (::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
                             ::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0))
                _exit(1);
            if (full && ::mount("tmpfs", state.c_str(), "tmpfs", 0, "size=4096") != 0) _exit(1);
            std::ofstream(state / "filler") << std::string(8192, 'f');
            AtomicFile::RemoveLeftovers(out, SliceNames(3));
            if (!full) EXPECT_EQ(Tree(out), cut) << way;
            EXPECT_TRUE(ExportSeries(other, "other ")) << way;
            if (!full) EXPECT_EQ(Tree(state).size(), kept.size() + 1) << "only the filler is new";
            for (const auto& [name, bytes] : Tree(state)) EXPECT_TRUE(!full || name.find("publish") == std::string::npos) << name;
            _exit(::testing::Test::HasFailure() ? 1 : 0);
        });
        std::filesystem::remove(state / "filler");
        if (way == 0) ASSERT_EQ(::chown(folder.c_str(), ::geteuid(), -1), 0);
        if (way == 1) ASSERT_EQ(::chmod(folder.c_str(), 0700), 0);
        if (way == 2) std::filesystem::remove(folder), std::filesystem::rename(moved, folder);
        if (way == 3) ASSERT_EQ(::chown(state.c_str(), ::geteuid(), -1), 0);
        if (way == 4) ASSERT_EQ(::chmod((state / "Quillmarsh").c_str(), 0700), 0);
        if (way == 7) ASSERT_TRUE(SetAcl("-b", state));
        if (way == 8 || way >= 10) ASSERT_EQ(::chmod(state.c_str(), 0755), 0);
        if (way == 9) ::setenv("XDG_STATE_HOME", state.c_str(), 1), std::filesystem::remove(dir.Path() / "lent");
    }
    EXPECT_EQ(ReadFileBytes(other / "0000.tif"), "other 0");
    EXPECT_TRUE(ExportSeries(other, "other "));   // which leaves the record of `out` alone
    // Reached through the user's own link, open to the user's own group only
    // and to another user only to read, it serves.
    std::filesystem::create_symlink(state, dir.Path() / "via");
    ::setenv("XDG_STATE_HOME", (dir.Path() / "via").c_str(), 1);
    ASSERT_EQ(::chmod(state.c_str(), 0775) | ::chown(state.c_str(), -1, ::getegid()), 0);
    ASSERT_TRUE(SetAcl("-m u:nobody:rx", state));
    AtomicFile::RemoveLeftovers(out, SliceNames(3));
    const std::map<std::string, std::string> old{{"0000.tif", "old 0"}, {"0001.tif", "old 1"}, {"0002.tif", "old 2"}};
    EXPECT_EQ(Tree(out), old);
    ::setenv("XDG_STATE_HOME", outer.c_str(), 1);

    // A plain user alone in a user namespace, as in a rootless container,
    // sees root's folders owned by an id the namespace cannot name: they are
    // the system's still, and its writer holds its lock and undoes a publish
    // cut off; unless a folder on the way is open to a group it cannot name.
    if (!EndedWell(Started([] { return BecomeUserInItsOwnNamespace(kPlainUser); }))) GTEST_SKIP() << "no user namespace for a plain user here";
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    for (const bool shared : {false, true}) {
        const auto sandbox = dir.Path() / (shared ? "shared" : "sandbox"), home = sandbox / "home";
        std::filesystem::create_directories(home);
        ASSERT_EQ(::chown(home.c_str(), kPlainUser, kPlainUser) | ::chown(sandbox.c_str(), -1, shared ? kNoGroup : 0) |
                      ::chmod(sandbox.c_str(), shared ? 0775 : 0755), 0);
        InChild([&] {
            if (!BecomeUserInItsOwnNamespace(kPlainUser)) _exit(1);
            const auto series = home / "out";
            ::setenv("XDG_STATE_HOME", (home / "state").c_str(), 1);
            EXPECT_NE(WriterLock::Held(), shared);
            EXPECT_TRUE(std::filesystem::create_directory(series) && ExportSeries(series, "old "));
            InChild([&] { RenamesRunOutAfter(2, true), ExportSeries(series, "cut "); });
            AtomicFile::RemoveLeftovers(series, SliceNames(3));
            EXPECT_EQ(Tree(series) == old, !shared);
            _exit(::testing::Test::HasFailure() ? 1 : 0);
        });
    }
}

// Whether a writer still runs is told by its lock, which reaches into
// another pid namespace, as a sandboxed copy runs in: its publish is left
// alone while it runs, and rolled back whole once it has been killed.
TEST(AtomicFile, APublishRunningInAnotherPidNamespaceIsLeftAlone)
{
    TempDir dir;
    const auto out = dir.Path();
    ASSERT_TRUE(ExportSeries(out, "old "));
    int renamed[2], writer[2];
    ASSERT_EQ(::pipe(renamed) | ::pipe(writer), 0);
    const pid_t middle = ::fork();
    if (middle == 0) {
        const bool own = ::unshare(CLONE_NEWPID) == 0;   // else in this namespace, which proves less
        const pid_t child = ::fork();
        if (child == 0) {
            static int signal;
            signal = renamed[1];
            ReplaceRenameForTest(+[](int from, const char* old, int to, const char* name) {
                const int done = ::renameat(from, old, to, name);
                if (::write(signal, "r", 1) == 1) ::pause();
                return done;
            });
            ExportSeries(out, own ? "sandboxed " : "running ");
            _exit(0);
        }
        const pid_t seen = child;
        (void)!::write(writer[1], &seen, sizeof seen);
        ::waitpid(child, nullptr, 0);
        _exit(0);
    }
    pid_t child = 0;
    char byte = 0;
    ASSERT_EQ(::read(writer[0], &child, sizeof child), ssize_t(sizeof child));
    ASSERT_EQ(::read(renamed[0], &byte, 1), 1);
    const auto midway = Tree(out);
    AtomicFile::RemoveLeftovers(out, SliceNames(3));
    EXPECT_EQ(Tree(out), midway) << "a running publish is not undone";
    EXPECT_NE(ReadFileBytes(out / "0000.tif"), "old 0");
    ::kill(child, SIGKILL);
    ::waitpid(middle, nullptr, 0);
    AtomicFile::RemoveLeftovers(out, SliceNames(3));
    EXPECT_EQ(Tree(out), (std::map<std::string, std::string>{{"0000.tif", "old 0"}, {"0001.tif", "old 1"}, {"0002.tif", "old 2"}}));
    for (const int fd : {renamed[0], renamed[1], writer[0], writer[1]}) ::close(fd);
}

namespace {

constexpr int kNoStick = 77;   // the exit of a child that cannot mount one

// Mounts the exFAT image `image` at `point` through FUSE, on a loop device
// that the kernel lets go of once the driver does.
bool MountStick(const std::filesystem::path& image, const std::filesystem::path& point)
{
    const std::string command = "l=$(losetup -f --show '" + image.string() + "') && { mount.exfat-fuse \"$l\" '" +
                                point.string() + "' >/dev/null 2>&1; s=$?; losetup -d \"$l\"; exit $s; }";
    return std::system(command.c_str()) == 0;
}

} // namespace

// A stick with FAT on it makes up new inode numbers at every mount: a
// publish cut off there is found again by its folder's path and its files'
// sizes and times, and undone, though its new files have the old ones' size
// and time; so is one whose third file fails. Where inodes are kept, a
// folder whose files all have new inodes is another folder, and nothing is
// undone there. On FAT an old file is moved aside, not linked: one that
// changes on its way there stays under its name, and nothing is published.
// The same on an exFAT stick mounted through FUSE, whose driver hands out
// inode numbers anew at every mount, with and without a remount.
TEST(AtomicFile, APublishCutOffOnFatIsUndoneAfterARemount)
{
    for (const bool fat : {true, false}) {
        ReplaceKeepsInodesForTest(fat ? +[](int) { return false; } : nullptr);
        TempDir dir;
        const auto out = dir.Path() / "stick";
        std::filesystem::create_directory(out);
        ASSERT_TRUE(ExportSeries(out, "old "));
        std::map<std::string, std::string> old{{"0000.tif", "old 0"}, {"0001.tif", "old 1"}, {"0002.tif", "old 2"}};
        const int before = fat ? 5 : 2;   // renames before the third file's own
        OneRenameFailsAfter(before);
        EXPECT_FALSE(ExportSeries(out, "new ", 3, true));
        EXPECT_EQ(Tree(out), old);
        InChild([&] { RenamesRunOutAfter(before, true), ExportSeries(out, "cut ", 3, true); });
        const auto cut = Tree(out);
        // Unplugged and plugged in again: every file and the folder anew, with their times.
        std::filesystem::rename(out, dir.Path() / "before");
        std::filesystem::create_directory(out);
        for (const auto& [name, bytes] : Tree(dir.Path() / "before")) {
            struct stat info;
            ASSERT_EQ(::stat((dir.Path() / "before" / name).c_str(), &info), 0);
            dir.Write("stick/" + name, bytes);
            ASSERT_EQ(::utimensat(AT_FDCWD, (out / name).c_str(), std::array{info.st_atim, info.st_mtim}.data(), 0), 0);
        }
        AtomicFile::RemoveLeftovers(out, SliceNames(3));
        auto kept = cut;
        std::erase_if(kept, [](const auto& file) { return file.first.find(".part-") != std::string::npos; });
        EXPECT_EQ(Tree(out), fat ? old : kept) << "the temporary goes either way";
        ReplaceRenameForTest(+[](int from, const char* name, int to, const char* aside) {
            const int fd = std::string_view(name) == "0000.tif" ? ::openat(from, name, O_WRONLY | O_APPEND) : -1;
            if (fd >= 0) (void)!::write(fd, "!", 1), ::close(fd);
            return ::renameat(from, name, to, aside);
        });
        EXPECT_EQ(ExportSeries(out, "new "), !fat);
        old["0000.tif"] += "!";
        EXPECT_TRUE(!fat || Tree(out) == old);
    }
    ReplaceRenameForTest(nullptr);
    ReplaceKeepsInodesForTest(nullptr);

    // A series of five cut off past its third rename, on a stick mounted
    // where its label puts it. While the stick is unplugged its record stays
    // through a write elsewhere; a record of a folder removed from a disk
    // still there, and one by inode of the stick's folder, as a version that
    // took FUSE to keep inodes wrote, are set aside unread.
    TempDir dir;
    const auto image = dir.Path() / "stick.img", point = dir.Path() / "the stick", out = point / "slices";
    const auto records = dir.Path() / "state/Quillmarsh/Velmor", gone = dir.Path() / "gone";
    const auto listed = [&](const std::string& kind) {
        const auto names = FolderNames(records);
        return std::count_if(names.begin(), names.end(), [&](const std::string& name) { return name.starts_with(kind); });
    };
    const auto rows = [&] {
        struct stat folder;
        ASSERT_TRUE(std::filesystem::create_directory(out) && std::filesystem::create_directory(gone) &&
                    std::filesystem::create_directory(dir.Path() / "other") &&
                    ExportSeries(out, "old ", 5) && ExportSeries(gone, "old ") && ::stat(out.c_str(), &folder) == 0);
        InChild([&] { RenamesRunOutAfter(1, true), ExportSeries(gone, "cut "); });
        std::filesystem::remove_all(gone);
        PublishRecord::Contents legacy{folder.st_dev, folder.st_ino, true, out, {{"legacy.txt", ".t", {}, "", {}}}};
        IdentityAt(AT_FDCWD, dir.Write("the stick/slices/legacy.txt", "kept"), legacy.entries[0].placed);
        std::ofstream(records / "publish-0123456789abcdef-0") << PublishRecord::Encode(legacy);
        auto old = Tree(out);
        for (const bool remount : {false, true}) {
            InChild([&] { RenamesRunOutAfter(3, true), ExportSeries(out, "cut ", 5, true); });
            EXPECT_EQ(Tree(out).size(), old.size() + 5) << "one name left empty, two kept copies, four temporaries";
            if (remount) {
                ASSERT_EQ(::umount(point.c_str()), 0);
                EXPECT_TRUE(ExportSeries(dir.Path() / "other", "other "));
                EXPECT_EQ(listed("publish-"), 1);
                ASSERT_TRUE(MountStick(image, point));
            }
            AtomicFile note;
            ASSERT_TRUE(note.Create(out / "note.txt", kByUser) && note.Write("note") && note.Commit());
            old["note.txt"] = "note";
            EXPECT_EQ(Tree(out), old) << remount;
            EXPECT_TRUE(listed("publish-") == 0 && listed("orphaned-") == 2) << remount;
            std::filesystem::remove(out / "note.txt"), old.erase("note.txt");
        }
    };
    const pid_t child = ::fork();
    if (child == 0) {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::access("/dev/fuse", R_OK | W_OK) != 0 || !std::filesystem::create_directories(point) ||
            std::system(("truncate -s 64M '" + image.string() + "' && mkfs.exfat '" + image.string() + "' >/dev/null 2>&1").c_str()) != 0 ||
            !MountStick(image, point))
            _exit(kNoStick);
        ::setenv("XDG_STATE_HOME", (dir.Path() / "state").c_str(), 1);
        rows();
        ::umount(point.c_str());
        _exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    if (WIFEXITED(status) && WEXITSTATUS(status) == kNoStick)
        GTEST_SKIP() << "no mount namespace, /dev/fuse, loop device, mkfs.exfat or mount.exfat-fuse to make a stick with";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// Records in the private folder that no writer makes steer nothing and are
// set aside once, unread by later writes: a name with a slash, a name listed
// twice, one beyond the size bound, NUL bytes. A well-formed one, whose name
// held nothing before, takes its file away.
TEST(AtomicFile, ADamagedRecordIsSetAsideOnceAndSteersNothing)
{
    TempDir dir;
    const auto out = dir.Path() / "out", records = std::filesystem::path(std::getenv("XDG_STATE_HOME")) / "Quillmarsh/Velmor";
    dir.Write("victim.txt", "elsewhere");
    ASSERT_TRUE(std::filesystem::create_directory(out) && ExportSeries(out, "old "));
    struct stat folder;
    ASSERT_EQ(::stat(out.c_str(), &folder), 0);
    const auto record = [&](const std::string& path, const std::vector<std::string>& names) {
        PublishRecord::Contents contents{folder.st_dev, folder.st_ino, true, path, {}};
        for (const std::string& name : names) {
            contents.entries.push_back({name, ".t" + std::to_string(contents.entries.size()), {}, "", {}});
            IdentityAt(AT_FDCWD, out / name, contents.entries.back().placed);
        }
        return PublishRecord::Encode(contents);
    };
    auto expected = Tree(dir.Path());
    for (const int row : {0, 1, 2, 3, 4}) {
        const std::string name = "publish-0123456789abcdef-" + std::to_string(row), big(row == 2 || row == 3 ? size_t{64} << 20 : 0, row == 3 ? '\0' : 'x');
        std::ofstream(records / name) << (row == 0 ? record(out, {"../victim.txt"}) : row == 1 ? record(out, {"0001.tif", "0001.tif"})
                                          : row == 2 ? record("/" + big, {"0001.tif"}) : row == 3 ? big : record(out, {"0001.tif"}));
        AtomicFile::RemoveLeftovers(out, {});
        if (row == 4) expected.erase("out/0001.tif");
        EXPECT_EQ(Tree(dir.Path()), expected) << row;
        EXPECT_TRUE(!exists(records / name) && exists(records / ("damaged-" + name)) == (row < 4)) << row;
    }
}

namespace {

// A lock or a turn waited for, and a rename, held up until the test lets them go on.
int gArrived = -1, gGoOn = -1;
void HoldUp()
{
    char byte = 0;
    if (::write(gArrived, "w", 1) == 1) (void)!::read(gGoOn, &byte, 1);
}

// The first exclusive lock of a file that has a name (a lock made unnamed has none yet).
int HoldUpFirstExclusiveLock(int fd, int operation)
{
    struct stat file;
    if ((operation & LOCK_EX) != 0 && ::fstat(fd, &file) == 0 && file.st_nlink > 0) HoldUp(), WriterLock::ReplaceLockForTest(nullptr);
    return ::flock(fd, operation);
}

// Stops this process as its user would (Ctrl+Z) once it holds
// `making-locks` alone: a sweeper stopped in its sweep.
int StopHoldingMakingLocks(int fd, int operation)
{
    const int done = ::flock(fd, operation);
    char held[PATH_MAX] = {};
    if (done == 0 && (operation & LOCK_EX) != 0 && ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), held, PATH_MAX - 1) > 0 &&
        std::string_view(held).ends_with("/making-locks"))
        WriterLock::ReplaceLockForTest(nullptr), ::raise(SIGSTOP);
    return done;
}

bool Stopped(pid_t child)
{
    int status = 0;
    return ::waitpid(child, &status, WUNTRACED) == child && WIFSTOPPED(status);
}

bool Saved(const std::filesystem::path& target, const std::string& text)
{
    AtomicFile file;
    return file.Create(target, kByUser) && file.Write(text) && file.Commit();
}

} // namespace

// A lock half made is its maker's alone: a sweep that meets it leaves it,
// and its writer runs holding it.
TEST(WriterLock, ASweepLeavesALockItsMakerIsStillToLock)
{
    TempDir dir;
    int arrived[2], goOn[2], id[2];
    ASSERT_EQ(::pipe(arrived) | ::pipe(goOn) | ::pipe(id), 0);
    gArrived = arrived[1], gGoOn = goOn[0];
    const pid_t maker = Started([&] {
        // Without /proc no lock is made unnamed: it gets its name before it is locked.
        if (::unshare(CLONE_NEWNS) == 0 && ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0)
            ::mount("tmpfs", "/proc", "tmpfs", 0, nullptr);
        WriterLock::ReplaceLockForTest(&HoldUpFirstExclusiveLock);
        const std::string held = WriterLock::Held() ? WriterLock::Id() : std::string(16, '-');
        const bool told = ::write(id[1], held.data(), held.size()) == 16;
        return HoldUp(), told;
    });
    char byte = 0, made[16];
    ASSERT_EQ(::read(arrived[0], &byte, 1), 1);
    AtomicFile::RemoveLeftovers(dir.Path(), {});
    ASSERT_EQ(::write(goOn[1], "g", 1), 1);
    ASSERT_EQ(::read(id[0], made, sizeof made), ssize_t(sizeof made));
    EXPECT_TRUE(WriterLock::Running(std::string(made, sizeof made)));
    EXPECT_TRUE(::write(goOn[1], "g", 1) == 1 && EndedWell(maker));
}

// A sweeper stopped holding `making-locks` and its folder's turn holds up no
// other writer: a sweep beside it leaves it the folder, a fresh writer takes
// its lock, and one that cannot link an unnamed lock in (no /proc) writes
// without it after the wait, and with it once the sweeper, which takes no
// lock that is held, has gone on.
TEST(WriterLock, WritersBesideAStoppedSweeperGoOn)
{
    TempDir dir, other;
    const std::string parent = WriterLock::Id();
    LeaveTemporary(dir.Path() / "a.csv");
    const pid_t sweeper = Started([&] {
        WriterLock::ReplaceLockForTest(&StopHoldingMakingLocks);
        AtomicFile::RemoveLeftovers(dir.Path(), {"a.csv"});
        return true;
    });
    ASSERT_TRUE(Stopped(sweeper));
    AtomicFile::RemoveLeftovers(dir.Path(), {"a.csv"});
    EXPECT_EQ(FolderNames(dir.Path()).size(), 1u) << "the stopped sweep has the folder's turn";
    EXPECT_TRUE(EndedWell(Started([&] { return WriterLock::Held() && Saved(other.Path() / "fresh.csv", "fresh"); })));
    const pid_t unlinked = Started([&] {
        const bool hidden = ::unshare(CLONE_NEWNS) == 0 && ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                            ::mount("tmpfs", "/proc", "tmpfs", 0, nullptr) == 0;
        const bool without = !hidden || (!WriterLock::Held() && Saved(other.Path() / "without.csv", "without"));
        ::raise(SIGSTOP);
        return without && Saved(other.Path() / "with.csv", "with") && WriterLock::Held() && WriterLock::Running(parent);
    });
    ASSERT_TRUE(Stopped(unlinked));
    ::kill(sweeper, SIGCONT);
    EXPECT_TRUE(EndedWell(sweeper) && FolderNames(dir.Path()).empty()) << "the sweep went on";
    ::kill(unlinked, SIGCONT);
    EXPECT_TRUE(EndedWell(unlinked));
}

// A publisher stopped in its turn (a series', or a single file's, after a
// rename): a file saved beside it goes on without the turn after the wait, a
// series is refused before any rename, and the stopped one completes later.
TEST(AtomicFile, WritesBesideAPublisherStoppedInItsTurnEnd)
{
    for (const size_t stoppedFiles : {3, 1}) {
        TempDir dir;
        ASSERT_TRUE(ExportSeries(dir.Path(), "old "));
        const pid_t stopped = Started([&] {
            ReplaceRenameForTest(+[](int from, const char* old, int to, const char* name) {
                const int done = ::renameat(from, old, to, name);
                return ReplaceRenameForTest(nullptr), ::raise(SIGSTOP), done;
            });
            return stoppedFiles == 1 ? Saved(dir.Path() / "0000.tif", "stopped 0") : ExportSeries(dir.Path(), "stopped ");
        });
        ASSERT_TRUE(Stopped(stopped));
        auto expected = Tree(dir.Path());
        std::thread beside([&] { EXPECT_TRUE(Saved(dir.Path() / "notes.csv", "beside")); });
        EXPECT_FALSE(ExportSeries(dir.Path(), "refused "));
        beside.join();
        expected["notes.csv"] = "beside";
        EXPECT_EQ(Tree(dir.Path()), expected) << stoppedFiles;
        ::kill(stopped, SIGCONT);
        EXPECT_TRUE(EndedWell(stopped) && FolderNames(dir.Path()).size() == 4u);
        for (size_t i = 0; i < 3; ++i)
            EXPECT_EQ(ReadFileBytes(dir.Path() / SliceNames(3)[i]), (i < stoppedFiles ? "stopped " : "old ") + std::to_string(i));
    }
}

// Two publishes of one series into one folder at the same moment take
// turns: while one is held up after its first rename the other waits for
// the folder, and both succeed, leaving the later series whole.
TEST(AtomicFile, PublishesIntoOneFolderTakeTurns)
{
    TempDir dir;
    ASSERT_TRUE(ExportSeries(dir.Path(), "old ", 10));
    int arrived[2], goOn[2], waiting[2];
    ASSERT_EQ(::pipe(arrived) | ::pipe(goOn), 0);
    gArrived = arrived[1], gGoOn = goOn[0];
    const pid_t first = Started([&] {
        ReplaceRenameForTest(+[](int from, const char* old, int to, const char* name) {
            const int done = ::renameat(from, old, to, name);
            return HoldUp(), ReplaceRenameForTest(nullptr), done;
        });
        return ExportSeries(dir.Path(), "first ", 10);
    });
    char byte = 0;
    ASSERT_EQ(::read(arrived[0], &byte, 1), 1);
    ASSERT_EQ(::pipe(waiting), 0);
    gArrived = waiting[1];
    const pid_t second = Started([&] {
        WriterLock::Held();
        WriterLock::ReplaceLockForTest(&HoldUpFirstExclusiveLock);
        return ExportSeries(dir.Path(), "second ", 10);
    });
    // The second at the folder's turn, or done.
    ::close(waiting[1]);
    (void)!::read(waiting[0], &byte, 1);
    ASSERT_EQ(::write(goOn[1], "gg", 2), 2);
    EXPECT_TRUE(EndedWell(first) && EndedWell(second));
    for (const std::string& name : SliceNames(10))
        EXPECT_EQ(ReadFileBytes(dir.Path() / name), "second " + name.substr(3, 1));
}

// What a folder shows tells nobody a writer's next names: another user's
// pipes, in a sticky folder, at the names that follow from a series' first
// temporary (its writer and number, counted on) stop neither the other
// temporaries nor the kept copies.
TEST(AtomicFile, PipesAtNamesAFolderSuggestsStopNoPublish)
{
    TempDir dir;
    ASSERT_TRUE(ExportSeries(dir.Path(), "old ", 3));
    ASSERT_EQ(::chmod(dir.Path().c_str(), 01777), 0);
    std::vector<AtomicFile> series(3);
    ASSERT_TRUE(series[0].Create(dir.Path() / "0000.tif", kByUser));
    const std::string shown = series[0].TemporaryPath().filename(), writer = shown.substr(15, 16);
    const unsigned long long seen = std::stoull(shown.substr(32), nullptr, 16);
    for (const std::string& name : SliceNames(3))
        for (const std::string kind : {".part-", ".aside-"})
            for (unsigned long long n = 1; n <= 0x40; ++n) {
                std::ostringstream next;
                next << dir.Path().native() << "/." << name << kind << writer << "-" << std::hex << seen + n;
                ASSERT_EQ(::mkfifo(next.str().c_str(), 0600) | ::lchown(next.str().c_str(), kNobody, -1), 0);
            }
    for (size_t i = 0; i < series.size(); ++i)
        ASSERT_TRUE((i == 0 || series[i].Create(dir.Path() / SliceNames(3)[i], kByUser)) && series[i].Write("new") &&
                    series[i].Finish());
    EXPECT_TRUE(AtomicFile::PublishAll(series));
    for (const std::string& name : SliceNames(3)) EXPECT_EQ(ReadFileBytes(dir.Path() / name), "new");
    // Nor do the digits of one name lie near another's, as a count's would.
    std::vector<unsigned long long> drawn(64);
    for (auto& digits : drawn) digits = std::stoull(HiddenName(HiddenKind::Aside, "x", 0).substr(26), nullptr, 16);
    std::sort(drawn.begin(), drawn.end());
    std::adjacent_difference(drawn.begin(), drawn.end(), drawn.begin());
    EXPECT_GT(*std::min_element(drawn.begin() + 1, drawn.end()), 1ull << 24);
}
