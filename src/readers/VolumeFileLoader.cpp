// The data object's volume-file members: the layout keyword picks the
// reader, the object's sizes and reduction step give the shape.
#include "platform/CheckedMath.h"
#include "readers/VolumeFileReader.h"
#include "scene/CVelmorDoc.h"
#include "scene/DataObject.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace velmor {

bool DataObject::LoadVolumeFile8(uint8_t* dest, const std::wstring& filePath) { return LoadVolumeFile(dest, filePath, 1); }
bool DataObject::LoadVolumeFile16(uint8_t* dest, const std::wstring& filePath) { return LoadVolumeFile(dest, filePath, 2); }

bool DataObject::LoadVolumeFile(uint8_t* dest, const std::wstring& filePath, int bytesPerValue)
{
    const VolumeFileKind kind = VolumeFileKindOf(sourceType);
    // A file type no volume reader knows loads nothing, as for slice readers.
    if (kind == VolumeFileKind::Other) return true;

    constexpr uint64_t kMax = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    if (dest == nullptr || sizeX > kMax || sizeY > kMax || sizeZ > kMax) return false;
    const VolumeLayout layout{static_cast<int64_t>(sizeX), static_cast<int64_t>(sizeY), static_cast<int64_t>(sizeZ),
                              reductionStep, bytesPerValue, components};
    const uint64_t sliceBytes = layout.SliceBytes();
    uint64_t keptSlice = 0, keptBytes = 0;
    // The counts must be the kept shape of the sizes, and fit the payload.
    if (sliceBytes == 0 || static_cast<uint64_t>(layout.KeptX()) != countX || static_cast<uint64_t>(layout.KeptY()) != countY ||
        static_cast<uint64_t>(layout.KeptZ()) != countZ || !CheckedMul(countX, countY, keptSlice) ||
        !CheckedMul(keptSlice, countZ, keptBytes) || !CheckedMul(keptBytes, layout.SampleBytes(), keptBytes) ||
        keptBytes > payloadBytes)
        return false;
    if (reductionStep != 1 && (reductionSliceBuffer == nullptr || reductionSliceBytes < sliceBytes)) return false;

    ByteSource source;
    if (!source.Open(ScenePath, sourcePath, filePath)) return false;
    // The histogram is counted on the way when the read fills the whole payload.
    VolumeReadRun run{loadThreads, CountingTable(dest, keptBytes, bytesPerValue)};
    const bool ok = kind == VolumeFileKind::Raw ? ReadRawVolume(layout, source, dest, reductionSliceBuffer, run)
                                                : ReadKxdVolume(layout, source, dest, reductionSliceBuffer, run);
    valuesCounted = ok && run.counts != nullptr;
    return ok;
}

uint64_t* DataObject::CountingTable(const uint8_t* dest, uint64_t bytes, int bytesPerValue)
{
    if (type != L"volume" || dest != samples || bytes != payloadBytes || bytesPerComponent != bytesPerValue) return nullptr;
    uint64_t* table = bytesPerValue == 1 ? histogram256.get() : histogram65536.get();
    if (table != nullptr) std::fill(table, table + (bytesPerValue == 1 ? 256 : 65536), uint64_t{0});
    return table;
}

} // namespace velmor
