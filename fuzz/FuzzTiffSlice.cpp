// Any bytes as a TIFF slice: the first four bytes choose the slice shape,
// the rest is the file. The reader must refuse or read, never crash.
#include "FuzzFile.h"
#include "readers/SliceImageReader.h"

#include <cstdint>
#include <vector>

using namespace velmor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4) return 0;
    const SliceShape shape{1 + data[0] % 64, 1 + data[1] % 64, data[2] % 2 == 0 ? 1 : 3, 1 + data[3] % 2, (data[2] & 2) != 0};
    const fuzz::MemoryFile file(data + 4, size - 4);
    if (file.Ok()) {
        std::vector<uint8_t> slice(shape.RowBytes() * static_cast<uint64_t>(shape.sizeY));
        bool flip = false;
        ReadTiffSlice(file.Path(), shape, slice.data(), flip);
    }
    return 0;
}
