#pragma once
// A fuzz input held as an anonymous in-memory file that the readers open by
// path, as they open files next to a scene.
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace velmor::fuzz {

class MemoryFile {
public:
    MemoryFile(const void* data, size_t size) : fd_(memfd_create("fuzz", MFD_CLOEXEC))
    {
        if (fd_ >= 0 && write(fd_, data, size) != static_cast<ssize_t>(size)) {
            close(fd_);
            fd_ = -1;
        }
    }
    ~MemoryFile()
    {
        if (fd_ >= 0) close(fd_);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    bool Ok() const { return fd_ >= 0; }
    std::wstring Path() const { return L"/proc/self/fd/" + std::to_wstring(fd_); }

private:
    int fd_;
};

} // namespace velmor::fuzz
