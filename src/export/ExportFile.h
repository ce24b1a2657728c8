#pragma once
// A file an export writes. Every write, the flush and the close are checked,
// so that a full disk, a missing folder or a device that refuses data ends
// in failure, and a failed regular file is removed rather than left half
// written. Writes go through one large buffer: writers hand over small
// records (a 50-byte STL facet, a text line) without a system call each.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace velmor {

class ExportFile {
public:
    ExportFile() = default;
    ~ExportFile();   // an open file is abandoned as failed
    ExportFile(const ExportFile&) = delete;
    ExportFile& operator=(const ExportFile&) = delete;

    // Creates the file anew (or empties it). False when it cannot be created.
    bool Create(const std::filesystem::path& path);
    bool Write(const void* bytes, size_t count);
    bool Write(std::string_view text) { return Write(text.data(), text.size()); }
    // Pushes what is buffered to the system.
    bool Flush();
    // Flushes and closes; false when anything since Create failed, in which
    // case a regular file is removed.
    bool Close();
    // Closes and removes a regular file whatever happened.
    void Abandon();
    bool Failed() const { return failed_; }
    bool IsOpen() const { return file_ != nullptr; }

private:
    std::FILE* file_ = nullptr;
    std::filesystem::path path_;
    bool failed_ = false;
};

} // namespace velmor
