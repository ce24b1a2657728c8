// Any bytes as a TIFF slice: the first four bytes choose the slice shape,
// the rest is the file. The reader must refuse or read, never crash.
#include "readers/SliceImageReader.h"

#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

using namespace velmor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4) return 0;
    const SliceShape shape{1 + data[0] % 64, 1 + data[1] % 64, data[2] % 2 == 0 ? 1 : 3, 1 + data[3] % 2, (data[2] & 2) != 0};
    const int fd = memfd_create("slice", MFD_CLOEXEC);
    if (fd < 0) return 0;
    if (write(fd, data + 4, size - 4) == static_cast<ssize_t>(size - 4)) {
        std::vector<uint8_t> slice(shape.RowBytes() * static_cast<uint64_t>(shape.sizeY));
        bool flip = false;
        ReadTiffSlice(L"/proc/self/fd/" + std::to_wstring(fd), shape, slice.data(), flip);
    }
    close(fd);
    return 0;
}
