// The data object's slice loaders: the reader is chosen by the source type.
#include "platform/CheckedMath.h"
#include "platform/FilePaths.h"
#include "platform/ImageCodec.h"
#include "platform/Memory.h"
#include "readers/ByteSource.h"
#include "readers/DicomFileReader.h"
#include "readers/SliceImageReader.h"
#include "readers/VolumeFileReader.h"
#include "scene/CVelmorDoc.h"
#include "scene/DataObject.h"

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

// The whole picture file or container block, decoded.
bool DecodePicture(const DataObject& d, const std::wstring& filePath, DecodedImage& picture)
{
    ByteSource source;
    if (!source.Open(ScenePath, d.sourcePath, filePath)) return false;
    CommittedBuffer bytes;
    if (!bytes.Commit(source.Size()) || !source.ReadInto(bytes.Data(), source.Size())) return false;
    return DecodeImageMemory(bytes.Data(), static_cast<size_t>(bytes.Size()), picture);
}

void PutLittle16(uint8_t* at, uint16_t value)
{
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

// One grey slice of Pixel Data. Signed 16-bit values are stored with 32768
// added; 8-bit signed pixels cannot carry that offset and are kept as they
// are rather than dropped.
bool ReadDicomSlice(DataObject& d, const std::wstring& filePath, const SliceShape& shape, uint8_t* slice)
{
    DicomDataSet set;
    LoadDicomFile(set, ResolveScenePath(filePath).string());   // what decides is the Pixel Data found
    const auto representation = static_cast<uint16_t>(set.GetInt(0x0028, 0x0103, 1));
    const auto pixels = set.Find(0x7FE0, 0x0010);
    if (pixels == set.end()) return false;
    const uint64_t rowBytes = shape.RowBytes();
    if (shape.channels != 1 || pixels->second.Length() != rowBytes * static_cast<uint64_t>(shape.sizeY)) return false;
    d.pendingFlipY = false;
    const bool offset = representation != 0 && shape.bytesPerValue == 2;
    if (representation == 0) d.isUnsigned = true;
    if (offset) d.isSigned = true;
    const uint8_t* value = pixels->second.Value();
    for (int64_t y = 0; y < shape.sizeY; ++y) {
        const uint8_t* from = value + static_cast<uint64_t>(y) * rowBytes;
        uint8_t* to = slice + static_cast<uint64_t>(shape.reverseY ? y : shape.sizeY - 1 - y) * rowBytes;
        if (!offset) {
            std::memcpy(to, from, rowBytes);
            continue;
        }
        // Values are in host order once read.
        for (int64_t x = 0; x < shape.sizeX; ++x) {
            int16_t v;
            std::memcpy(&v, from + x * 2, 2);
            PutLittle16(to + x * 2, static_cast<uint16_t>(v + 32768));
        }
    }
    return true;
}

bool LoadSlice(DataObject& d, uint8_t* dest, const std::wstring& filePath, int bytesPerValue)
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
        if (d.reductionSliceBuffer == nullptr || d.reductionSliceBytes < sliceBytes) return false;
        target = d.reductionSliceBuffer;
    }

    bool ok = false;
    switch (kind) {
    case SliceKind::Raw: {
        ByteSource source;
        ok = source.Open(ScenePath, d.sourcePath, filePath) && ReadRawSliceFrom(source, shape, target, d.pendingFlipY);
        break;
    }
    case SliceKind::Kxd: {
        if (n != 1) std::memset(target, 0, sliceBytes);
        ByteSource source;
        ok = source.Open(ScenePath, d.sourcePath, filePath) && ReadKxdSliceFrom(source, shape, target);
        break;
    }
    case SliceKind::Picture: {
        DecodedImage picture;
        ok = DecodePicture(d, filePath, picture) && PlacePictureSlice(picture, shape, target, d.pendingFlipY);
        break;
    }
    case SliceKind::Tiff:
        ok = ReadTiffSlice(filePath, shape, target, d.pendingFlipY);
        break;
    case SliceKind::Dicom:
        ok = ReadDicomSlice(d, filePath, shape, target);
        break;
    case SliceKind::Other:
        break;
    }
    if (!ok) return false;
    if (n != 1) ReduceSlice(layout, target, dest);
    return true;
}

} // namespace

bool DataObject::LoadSliceImage(uint8_t* dest, const std::wstring& filePath) { return LoadSlice(*this, dest, filePath, 1); }

bool DataObject::LoadSliceImage16(uint8_t* dest, const std::wstring& filePath) { return LoadSlice(*this, dest, filePath, 2); }

} // namespace velmor
