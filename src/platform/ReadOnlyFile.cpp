#include "platform/ReadOnlyFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace velmor {

namespace {

// A FIFO, a device or a socket named where a file belongs could block the
// open itself, or the reads, for good: only a regular file is opened, and the
// descriptor is looked at again because the name may have been replaced
// between the two looks. O_NONBLOCK keeps that window from blocking; reads of
// a regular file ignore it.
int OpenRegularFile(const std::filesystem::path& path)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return -1;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return -1;
    }
    return fd;
}

} // namespace

ReadOnlyFile::ReadOnlyFile(const std::filesystem::path& path) : fd_(OpenRegularFile(path)) {}

ReadOnlyFile::~ReadOnlyFile()
{
    if (fd_ >= 0) close(fd_);
}

ReadOnlyFile::ReadOnlyFile(ReadOnlyFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

ReadOnlyFile& ReadOnlyFile::operator=(ReadOnlyFile&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0) close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

int ReadOnlyFile::ReleaseDescriptor() { return std::exchange(fd_, -1); }

bool ReadOnlyFile::RegularSize(uint64_t& size) const
{
    struct stat st {};
    if (fd_ < 0 || fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    size = static_cast<uint64_t>(st.st_size);
    return true;
}

int64_t ReadOnlyFile::ReadAt(uint64_t offset, void* dst, uint64_t bytes) const
{
    if (fd_ < 0) return -1;
    auto* out = static_cast<uint8_t*>(dst);
    uint64_t done = 0;
    while (done < bytes) {
        const size_t chunk = static_cast<size_t>(std::min<uint64_t>(bytes - done, 1u << 30));
        const ssize_t n = pread(fd_, out + done, chunk, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += static_cast<uint64_t>(n);
    }
    return static_cast<int64_t>(done);
}

bool ReadOnlyFile::ReadExactlyAt(uint64_t offset, void* dst, uint64_t bytes) const
{
    return ReadAt(offset, dst, bytes) == static_cast<int64_t>(bytes);
}

} // namespace velmor
