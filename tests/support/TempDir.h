#pragma once
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace velmor::test {

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path Write(const std::string& name, std::string_view bytes) const;
    std::wstring WidePath(const std::string& name) const;

private:
    std::filesystem::path path_;
};

std::string ReadFileBytes(const std::filesystem::path& path);
// The names in a folder, sorted, hidden ones included.
std::vector<std::string> FolderNames(const std::filesystem::path& folder);

// A folder in which no file can be created: a read-only subfolder of `dir`,
// or, for a user the permissions do not stop (root), the system's /sys.
std::filesystem::path ReadOnlyFolder(const TempDir& dir);

// A child that runs `work` and ends, as a killed writer does; unless `reap`, left a zombie to the caller.
pid_t InChild(const std::function<void()>& work, bool reap = true);
// What a writer killed part-way leaves of `target`.
pid_t LeaveTemporary(const std::filesystem::path& target, bool reap = true);
// Renames pass `count` more times, then fail with EIO or, if `thenEnd`, end the process (till mended).
void RenamesRunOutAfter(int count, bool thenEnd = false);
// Renames pass `count` more times, the next fails with EIO, and the rest pass again.
void OneRenameFailsAfter(int count);
// Syncs to the disk pass `count` more times, then end the process.
void SyncsRunOutAfter(int count);

} // namespace velmor::test
