// Any bytes as one slice file through the data object's loaders: the first
// four bytes choose the keyword, the slice size, channels, value width, row
// order and reduction; the rest is the file. Every reader, the DICOM pixel
// placement and the reduction must refuse or read, never crash.
#include "FuzzFile.h"
#include "platform/Memory.h"
#include "scene/DataObject.h"

#include <cstdint>

using namespace velmor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::PretendSmallMachine();
    if (size < 4) return 0;
    static const wchar_t* const keywords[] = {L"raw", L"kxd", L"bmp", L"png", L"jpg", L"tif", L"dcm", L"gif"};
    static const wchar_t* const formats[2][3] = {{L"GRAY", L"RGB", L"RGBA"}, {L"GRAY16", L"RGB16", L"RGBA16"}};
    const uint8_t mode = data[3];
    const int bytes = 1 + ((mode >> 2) & 1);
    const int n = 1 << (((mode >> 4) & 3) % 3);
    DataObject d(L"fuzz");
    d.type = L"volume";
    d.format = formats[bytes - 1][(mode & 3) % 3];
    d.sourceType = keywords[data[0] % 8];
    d.sizeX = 1 + data[1] % 64;
    d.sizeY = 1 + data[2] % 64;
    d.sizeZ = 1;
    d.countX = (d.sizeX + n - 1) / n;
    d.countY = (d.sizeY + n - 1) / n;
    d.countZ = 1;
    d.reductionStep = n;
    d.reverseY = d.pendingFlipY = (mode & 8) != 0;
    if (!d.AllocDataBuffer()) return 0;
    if (n != 1) {
        d.reductionSliceBytes = d.sizeX * d.sizeY * d.components * d.bytesPerComponent;
        d.reductionSliceBuffer = static_cast<uint8_t*>(CommitMemory(d.reductionSliceBytes));
    }
    const fuzz::MemoryFile file(data + 4, size - 4);
    if (file.Ok()) {
        const std::wstring path = file.Path();
        if (bytes == 1) d.LoadSliceImage(d.samples, path);
        else d.LoadSliceImage16(d.samples, path);
    }
    return 0;
}
