#include "support/TempDir.h"

#include "platform/AtomicFile.h"
#include "platform/HiddenNames.h"
#include "platform/WideText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace velmor::test {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "velmor-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::filesystem::path TempDir::Write(const std::string& name, std::string_view bytes) const
{
    const auto file = path_ / name;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file;
}

std::wstring TempDir::WidePath(const std::string& name) const { return WideFromPath(path_ / name); }

std::string ReadFileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> FolderNames(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::filesystem::path ReadOnlyFolder(const TempDir& dir)
{
    namespace fs = std::filesystem;
    const fs::path folder = dir.Path() / "read-only";
    fs::create_directories(folder);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    const fs::path probe = folder / ".probe";
    if (std::FILE* f = std::fopen(probe.c_str(), "wb")) {
        std::fclose(f);
        fs::remove(probe);
        return "/sys";
    }
    return folder;
}

pid_t InChild(const std::function<void()>& work, bool reap)
{
    const pid_t child = ::fork();
    if (child == 0) work(), _exit(0);
    siginfo_t ended{};
    EXPECT_TRUE(::waitid(P_PID, id_t(child), &ended, WEXITED | (reap ? 0 : WNOWAIT)) == 0 && ended.si_status == 0) << ended.si_status;
    return child;
}

pid_t LeaveTemporary(const std::filesystem::path& target, bool reap)
{
    return InChild([&] { AtomicFile file; _exit(file.Create(target, AtomicFile::Naming::ByUser) && file.Write("partial") && file.Flush() ? 0 : 1); }, reap);
}

void RenamesRunOutAfter(int count, bool thenEnd)
{
    static std::atomic<int> left, end;   // the renames let through, and whether the process ends then
    left = count, end = thenEnd;
    ReplaceRenameForTest(+[](int from, const char* old, int to, const char* name) {
        return left-- > 0 ? ::renameat(from, old, to, name) : end ? (_exit(0), -1) : (errno = EIO, -1);
    });
}

void OneRenameFailsAfter(int count)
{
    static std::atomic<int> left;
    left = count;
    ReplaceRenameForTest(+[](int from, const char* old, int to, const char* name) {
        return left-- == 0 ? (errno = EIO, -1) : ::renameat(from, old, to, name);
    });
}

void SyncsRunOutAfter(int count)
{
    static std::atomic<int> left;
    left = count;
    AtomicFile::ReplaceSyncForTest(+[](int fd) { return left-- > 0 ? ::fsync(fd) : (_exit(0), -1); });
}

} // namespace velmor::test
