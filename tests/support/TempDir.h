#pragma once
#include <filesystem>
#include <string>
#include <string_view>
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

// What a writer killed part-way leaves of `target`: a child starts the file
// and ends.
void LeaveTemporary(const std::filesystem::path& target);

} // namespace velmor::test
