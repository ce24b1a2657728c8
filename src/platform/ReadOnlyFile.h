#pragma once
// A regular file opened for reading by position, as the scene, container and
// payload readers use it. Anything else (a FIFO, a device, a socket, a
// folder) is not opened at all.
#include <cstdint>
#include <filesystem>

namespace velmor {

class ReadOnlyFile {
public:
    ReadOnlyFile() = default;
    explicit ReadOnlyFile(const std::filesystem::path& path);
    ~ReadOnlyFile();
    ReadOnlyFile(ReadOnlyFile&& other) noexcept;
    ReadOnlyFile& operator=(ReadOnlyFile&& other) noexcept;
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // Hands the descriptor to a library that closes it itself; -1 when none.
    int ReleaseDescriptor();
    // Only regular files have a size here: a folder or a device is no data file.
    bool RegularSize(uint64_t& size) const;
    // Up to `bytes` from `offset`: how many it got (fewer at the end), or -1.
    int64_t ReadAt(uint64_t offset, void* dst, uint64_t bytes) const;
    // All `bytes` or false.
    bool ReadExactlyAt(uint64_t offset, void* dst, uint64_t bytes) const;

private:
    int fd_ = -1;
};

} // namespace velmor
