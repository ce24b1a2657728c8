#pragma once
// A fuzz input held as an anonymous in-memory file that the readers open by
// path, as they open files next to a scene.
#include "platform/Memory.h"

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

// Fuzzing runs under a 512 MB memory limit, so that what a lying input makes
// a reader allocate is a finding. Payloads that a scene or a data object
// declares are checked against the free memory before they are allocated;
// a small machine makes that check refuse the big ones instead.
inline void PretendSmallMachine()
{
    constexpr uint64_t kFuzzMachineBytes = uint64_t{128} << 20;
    SetMemoryStatusSource([] { return MemoryStatus{kFuzzMachineBytes, kFuzzMachineBytes}; });
}

} // namespace velmor::fuzz
