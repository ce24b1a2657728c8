// The data object's slice loaders: the reader is chosen by the source type.
#include "readers/SliceImageLoader.h"

#include "platform/CheckedMath.h"
#include "platform/FilePaths.h"
#include "platform/ImageCodec.h"
#include "platform/Memory.h"
#include "readers/ByteSource.h"
#include "readers/DicomByteOrder.h"
#include "readers/DicomFileReader.h"
#include "readers/SliceImageReader.h"
#include "readers/VolumeFileReader.h"
#include "scene/CVelmorDoc.h"
#include "scene/DataObject.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace velmor {
namespace {

enum class SliceKind { Raw, Kxd, Picture, Tiff, Dicom, Other };

SliceKind SliceKindOf(std::wstring type)
{
    for (auto& c : type)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    if (type == L"raw") return SliceKind::Raw;
    if (type == L"kxd") return SliceKind::Kxd;
    if (type == L"jpg" || type == L"jpeg" || type == L"png" || type == L"bmp") return SliceKind::Picture;
    if (type == L"tif" || type == L"tiff") return SliceKind::Tiff;
    if (type == L"dcm" || type == L"dic" || type == L"dicom") return SliceKind::Dicom;
    return SliceKind::Other;
}

// The payload loader hands out addresses inside the payload; a slice that
// would run past its end (sizes changed behind its back) is refused.
bool FitsPayload(const DataObject& d, const uint8_t* dest, uint64_t bytes)
{
    if (d.samples == nullptr || dest < d.samples || dest >= d.samples + d.payloadBytes) return true;
    return bytes <= d.payloadBytes - static_cast<uint64_t>(dest - d.samples);
}

// The whole picture file or container block, in the thread's scratch, is
// decoded when its header gives the slice's size: a picture of another size
// is refused for the price of its file. Grey and palette pictures go
// straight into a one-channel slice.
bool ReadPictureSlice(const DataObject& d, const std::wstring& filePath, const SliceShape& shape, uint8_t* slice, SliceRun& run)
{
    ByteSource source;
    if (!source.Open(ScenePath, d.sourcePath, filePath) || source.Size() == 0 || source.Size() > SIZE_MAX) return false;
    const auto size = static_cast<size_t>(source.Size());
    if (run.scratch.size() < size) {
        if (!HasFreeMemory(size)) return false;
        run.scratch.resize(size);
    }
    if (!source.ReadInto(run.scratch.data(), size)) return false;
    const SizedDecode grey = DecodeGreySlice(run.scratch.data(), size, shape, slice, run.pendingFlipY);
    if (grey != SizedDecode::Colour) return grey == SizedDecode::Decoded;
    DecodedImage picture;
    return DecodeImageOfSize(run.scratch.data(), size, {shape.sizeX, shape.sizeY}, picture) == SizedDecode::Decoded &&
           PlacePictureSlice(picture, shape, slice, run.pendingFlipY);
}

// Signed 16-bit values with 32768 added are the values with their top bit
// flipped; eight at a time in a vector register.
void OffsetSignedRow(const uint8_t* from, uint8_t* to, uint64_t values)
{
    if constexpr (IsHostLittleEndian()) {
        typedef uint16_t Lanes __attribute__((vector_size(16)));
        uint64_t i = 0;
        for (; i + 8 <= values; i += 8) {
            Lanes v;
            std::memcpy(&v, from + i * 2, 16);
            v ^= 0x8000;
            std::memcpy(to + i * 2, &v, 16);
        }
        for (; i < values; ++i) {
            to[i * 2] = from[i * 2];
            to[i * 2 + 1] = static_cast<uint8_t>(from[i * 2 + 1] ^ 0x80);
        }
        return;
    }
    for (uint64_t i = 0; i < values; ++i) {
        uint16_t v;
        std::memcpy(&v, from + i * 2, 2);
        v ^= 0x8000;
        to[i * 2] = static_cast<uint8_t>(v);
        to[i * 2 + 1] = static_cast<uint8_t>(v >> 8);
    }
}

// A header element the file gives must agree with what the slice reads; one
// it leaves out (or leaves empty) is not held against it.
bool Agrees(const DicomDataSet& set, uint16_t group, uint16_t element, int32_t expected)
{
    const auto found = set.Find(group, element);
    return found == set.end() || found->second.Length() == 0 || found->second.AsInt() == expected;
}

// The pixels are read as one grey sample a pixel of the slice's value width
// in its rows and columns: a header that says otherwise (colour, another
// sample width, another shape) describes other pixels, even when their byte
// count happens to match.
bool DicomHeaderAgrees(const DicomDataSet& set, const SliceShape& shape)
{
    constexpr uint16_t kImageGroup = 0x0028;
    constexpr uint16_t kSamplesPerPixel = 0x0002, kPhotometric = 0x0004, kRows = 0x0010, kColumns = 0x0011,
                       kBitsAllocated = 0x0100;
    constexpr int kBitsPerByte = 8;
    if (!Agrees(set, kImageGroup, kSamplesPerPixel, 1) ||
        !Agrees(set, kImageGroup, kBitsAllocated, kBitsPerByte * shape.bytesPerValue) ||
        !Agrees(set, kImageGroup, kRows, static_cast<int32_t>(shape.sizeY)) ||
        !Agrees(set, kImageGroup, kColumns, static_cast<int32_t>(shape.sizeX)))
        return false;
    std::string photometric = set.GetString(kImageGroup, kPhotometric, "");
    while (!photometric.empty() && (photometric.back() == ' ' || photometric.back() == '\0')) photometric.pop_back();
    return photometric.empty() || photometric == "MONOCHROME1" || photometric == "MONOCHROME2";
}

// One grey slice of Pixel Data. Signed 16-bit values are stored with 32768
// added; 8-bit signed pixels cannot carry that offset and are kept as they
// are rather than dropped. Only the head of the file is parsed; the pixels
// go from the file through the thread's scratch into their rows.
bool ReadDicomSlice(const std::wstring& filePath, const SliceShape& shape, uint8_t* slice, bool countRows, SliceRun& run)
{
    const ReadOnlyFile file(ResolveScenePath(filePath));
    DicomDataSet set;
    DicomPixelPlace place;
    LoadDicomHeader(set, file, place);   // what decides is the Pixel Data found
    const auto representation = static_cast<uint16_t>(set.GetInt(0x0028, 0x0103, 1));
    const auto pixels = set.Find(0x7FE0, 0x0010);
    if (!place.inFile && pixels == set.end()) return false;
    const uint64_t length = place.inFile ? place.length : pixels->second.Length();
    const uint64_t rowBytes = shape.RowBytes();
    if (shape.channels != 1 || length != rowBytes * static_cast<uint64_t>(shape.sizeY) || !DicomHeaderAgrees(set, shape))
        return false;
    const uint8_t* value = nullptr;
    if (place.inFile) {
        if (run.scratch.size() < length) run.scratch.resize(length);
        if (!ReadDicomPixels(file, place, run.scratch.data())) return false;
        value = run.scratch.data();
    } else {
        value = pixels->second.Value();
    }
    run.pendingFlipY = false;
    const bool offset = representation != 0 && shape.bytesPerValue == 2;
    if (representation == 0) run.isUnsigned = true;
    if (offset) run.isSigned = true;
    // A slice stored whole is counted row by row while each row is in the
    // first-level cache.
    SampleCounter* counter = countRows ? run.counter : nullptr;
    for (int64_t y = 0; y < shape.sizeY; ++y) {
        const uint8_t* from = value + static_cast<uint64_t>(y) * rowBytes;
        uint8_t* to = slice + static_cast<uint64_t>(shape.reverseY ? y : shape.sizeY - 1 - y) * rowBytes;
        if (offset) OffsetSignedRow(from, to, static_cast<uint64_t>(shape.sizeX));
        else std::memcpy(to, from, rowBytes);
        if (counter != nullptr) counter->Count(to, static_cast<uint64_t>(shape.sizeX));
    }
    run.counted = counter != nullptr;
    return true;
}

bool ReadSlice(const DataObject& d, SliceKind kind, const std::wstring& filePath, const SliceShape& shape, uint64_t sliceBytes,
               uint8_t* target, SliceRun& run)
{
    switch (kind) {
    case SliceKind::Raw: {
        ByteSource source;
        return source.Open(ScenePath, d.sourcePath, filePath) && ReadRawSliceFrom(source, shape, target, run.pendingFlipY);
    }
    case SliceKind::Kxd: {
        if (d.reductionStep != 1) std::memset(target, 0, sliceBytes);
        ByteSource source;
        return source.Open(ScenePath, d.sourcePath, filePath) && ReadKxdSliceFrom(source, shape, target);
    }
    case SliceKind::Picture:
        return ReadPictureSlice(d, filePath, shape, target, run);
    case SliceKind::Tiff:
        return ReadTiffSlice(filePath, shape, target, run.pendingFlipY);
    case SliceKind::Dicom:
        return ReadDicomSlice(filePath, shape, target, d.reductionStep == 1, run);
    case SliceKind::Other:
        break;
    }
    return true;
}

bool LoadSlice(DataObject& d, uint8_t* dest, const std::wstring& filePath, int bytesPerValue)
{
    SliceRun run;
    run.workSlice = d.reductionSliceBuffer;
    run.workSliceBytes = d.reductionSliceBytes;
    run.pendingFlipY = d.pendingFlipY;
    const bool ok = LoadSliceWith(d, dest, filePath, bytesPerValue, run);
    run.ApplyTo(d);
    return ok;
}

} // namespace

void SliceRun::ApplyTo(DataObject& d) const
{
    d.pendingFlipY = pendingFlipY;
    if (isSigned) d.isSigned = true;
    if (isUnsigned) d.isUnsigned = true;
}

bool LoadSliceWith(const DataObject& d, uint8_t* dest, const std::wstring& filePath, int bytesPerValue, SliceRun& run)
{
    const SliceKind kind = SliceKindOf(d.sourceType);
    if (kind == SliceKind::Other) return true;

    const int n = d.reductionStep;
    const SliceShape shape{static_cast<int64_t>(d.sizeX), static_cast<int64_t>(d.sizeY), d.components, bytesPerValue,
                           d.reverseY};
    const VolumeLayout layout{shape.sizeX, shape.sizeY, 1, n, bytesPerValue, d.components};
    const uint64_t sliceBytes = layout.SliceBytes();
    uint64_t keptBytes = 0;
    if (dest == nullptr || shape.RowBytes() == 0 || sliceBytes == 0 ||
        !CheckedMul(static_cast<uint64_t>(layout.KeptX() * layout.KeptY()), layout.SampleBytes(), keptBytes) ||
        !FitsPayload(d, dest, keptBytes))
        return false;
    uint8_t* target = dest;
    if (n != 1) {
        if (run.workSlice == nullptr || run.workSliceBytes < sliceBytes) return false;
        target = run.workSlice;
    }
    run.counted = false;
    if (!ReadSlice(d, kind, filePath, shape, sliceBytes, target, run)) return false;
    if (n != 1) ReduceSlice(layout, target, dest);
    if (run.counter != nullptr && !run.counted) run.counter->Count(dest, keptBytes / static_cast<uint64_t>(bytesPerValue));
    return true;
}

int SliceValueBytes(int formatBytes) { return formatBytes == 1 ? 1 : 2; }

bool SliceReadersFillPayload(const DataObject& d)
{
    switch (SliceKindOf(d.sourceType)) {
    case SliceKind::Raw:
    case SliceKind::Picture:
    case SliceKind::Tiff:
    case SliceKind::Dicom:
        // Channels need no check: a shape of other channels than the
        // payload's is never made, and one a reader cannot fill is refused.
        return SliceValueBytes(d.bytesPerComponent) == d.bytesPerComponent;
    case SliceKind::Kxd:
    case SliceKind::Other:
        break;
    }
    return false;
}

uint64_t SliceReadWorkBytes(const DataObject& d, int bytesPerValue)
{
    uint64_t pixels = 0, bytes = 0;
    if (!CheckedMul(d.sizeX, d.sizeY, pixels)) return UINT64_MAX;
    switch (SliceKindOf(d.sourceType)) {
    case SliceKind::Picture:
        return CheckedMul(pixels, kDecodeBytesPerPixel, bytes) ? bytes : UINT64_MAX;
    case SliceKind::Tiff:
    case SliceKind::Dicom: {
        // A strip or the pixel bytes on their way, at most the slice.
        const uint64_t valueBytes = std::max<uint64_t>(d.components, 1) * static_cast<uint64_t>(bytesPerValue);
        return CheckedMul(pixels, valueBytes, bytes) ? bytes : UINT64_MAX;
    }
    case SliceKind::Raw:
    case SliceKind::Kxd:
    case SliceKind::Other:
        break;
    }
    return 0;   // read through the source's window straight into place
}

bool DataObject::LoadSliceImage(uint8_t* dest, const std::wstring& filePath) { return LoadSlice(*this, dest, filePath, 1); }

bool DataObject::LoadSliceImage16(uint8_t* dest, const std::wstring& filePath) { return LoadSlice(*this, dest, filePath, 2); }

} // namespace velmor
