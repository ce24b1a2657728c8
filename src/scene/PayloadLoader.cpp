// Loading a data object's payload on the worker thread of a job: sizes and
// reduction, the buffer, the reader of the type, then mirroring, histograms
// and bounds.
#include "platform/CheckedMath.h"
#include "platform/Memory.h"
#include "scene/ApplicationSettings.h"
#include "scene/CVelmorDoc.h"
#include "scene/DataObject.h"
#include "scene/PathParts.h"
#include "readers/SampleHistogram.h"
#include "readers/SliceImageLoader.h"
#include "readers/SliceWorkers.h"
#include "scene/SliceFolder.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

namespace velmor {
namespace {

const wchar_t* const kFileReading = L"file reading";

bool IsSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }

bool IsFolderSource(const std::wstring& sourcePath) { return !sourcePath.empty() && IsSeparator(sourcePath.back()); }

// A folder of slices whose readers write every byte of the payload leaves
// nothing of it as it was given.
bool SlicesFillPayload(const DataObject& d)
{
    return d.type == L"volume" && IsFolderSource(d.sourcePath) && SliceReadersFillPayload(d);
}

uint64_t CeilDiv(uint64_t size, uint64_t step) { return size / step + (size % step != 0 ? 1 : 0); }

// Megabytes (MiB) of a volume as the reduction decision counts them; too
// large for 64 bits counts as the largest.
int64_t DeclaredMegabytes(const DataObject& d, uint64_t channels, uint64_t width)
{
    uint64_t bytes = 1;
    for (uint64_t f : {d.sizeX, d.sizeY, d.sizeZ, channels, width})
        if (!CheckedMul(bytes, f, bytes)) return std::numeric_limits<int64_t>::max();
    return static_cast<int64_t>(bytes / 1024.0 / 1024.0);
}

} // namespace

uint32_t LoadDataThreadProc(void* param)
{
    static_cast<DataObject*>(param)->LoadDataPayload();
    return 1;
}

LoadStatus DataObject::AcquireData(CKxDrawUnit* unit)
{
    requestingUnit = unit;
    return static_cast<LoadStatus>(RunWithProgress(kFileReading, false, 200, 100, this, LoadDataThreadProc));
}

void DataObject::Loaded()
{
    users.insert(requestingUnit);
    redoMarks.emplace(requestingUnit, false);   // an existing mark stays
    result = kLoaded;
}

void DataObject::FailLoad()
{
    FreeBuffers();
    if (result != kLoadMemoryShortage) result = kLoadReadFailure;
}

void DataObject::ChooseCounts()
{
    if (type != L"volume" && type != L"gridXYZ") {
        countX = sizeX;
        countY = sizeY;
        countZ = sizeZ;
        return;
    }
    components = (format == L"RGB" || format == L"RGB16") ? 3 : 1;
    bytesPerComponent = (format == L"GRAY16" || format == L"RGB16") ? 2 : 1;
    reductionStep = ReductionStep(DeclaredMegabytes(*this, components, bytesPerComponent), CurrentApplicationSettings());
    if (reductionStep != 1)
        SetProgressText(L"file reading(1/" + std::to_wstring(reductionStep) + L" 読み込み)", 255, 0, 0);
    const auto step = static_cast<uint64_t>(reductionStep);
    countX = CeilDiv(sizeX, step);
    countY = CeilDiv(sizeY, step);
    countZ = CeilDiv(sizeZ, step);
    for (int axis = 0; axis < 3; ++axis)
        voxelPitch.loadedPitch[axis] = voxelPitch.pitch[axis] * static_cast<float>(reductionStep);
}

void DataObject::LoadDataPayload()
{
    try {
        // Loaded already: nothing is read again, the counts stay those of that load.
        if (samples != nullptr || textRecords) return Loaded();
        bool binaryStl = false;
        if (type == L"STL" && sourcePath.compare(0, 4, L"this") != 0) {
            // A file without facets has nothing to show: a read failure.
            if (!CountStlFacets(binaryStl) || elementCount == 0) return FailLoad();
        }
        ChooseCounts();
        TakeFormatWidths();   // what the payload will hold decides whether it is zeroed
        if (!AllocDataBuffer(SlicesFillPayload(*this) ? PayloadFill::Overwritten : PayloadFill::Zeroed)) {
            result = kLoadMemoryShortage;
            return FailLoad();
        }
        pendingFlipY = reverseY;
        pendingFlipZ = reverseZ;
        if (!ReadByType(binaryStl)) return FailLoad();
        if (reverseX || pendingFlipY || pendingFlipZ) ApplyReverse();
        if (type == L"volume" || type == L"image") BuildHistogram();

        if (type == L"STL") ComputeBounds3(elementCount * 3);
        else if (type == L"array_xyzt") ComputeBounds4(elementCount);
        else if (type == L"array_xyz") ComputeBounds3(elementCount);
        else if (type == L"array_xy") ComputeBounds2(elementCount);
        else if (type == L"gridXYZ") ComputeBounds1(countX * countY * countZ);
        else if (type == L"gridXY") ComputeBounds1(countX * countY);

        Loaded();
    } catch (const std::bad_alloc&) {
        // Records, lists and keys live on the heap; running out is a shortage.
        result = kLoadMemoryShortage;
        FailLoad();
    } catch (...) {
        FailLoad();
    }
}

bool DataObject::ReadByType(bool binaryStl)
{
    if (type == L"volume") return LoadVolume();
    if (type == L"image") {
        const std::wstring path = SceneFolder + sourcePath;
        return bytesPerComponent == 1 ? LoadSliceImage(samples, path) : LoadSliceImage16(samples, path);
    }
    if (type == L"gridXYZ" && reductionStep != 1) return ReadReducedGrid();
    uint64_t elements = 0;
    if (type == L"gridXY" || type == L"gridXYZ" || type == L"gridXYT" || type == L"gridXYZT") {
        if (!ElementCount(elements)) return false;
        return ReadSource(elements, 1);
    }
    if (type == L"array_xy") return ReadSource(elementCount, 2);
    if (type == L"array_xyz" || type == L"array_xyt") return ReadSource(elementCount, 3);
    if (type == L"array_xyzt") return ReadSource(elementCount, 4);
    if (type == L"array_number" || type == L"array_index") return ReadSource(elementCount, 1);
    if (type == L"array_color") return ReadSource(elementCount, components == 1 ? 1 : 3);
    if (type == L"array_text") return ReadTextLines();
    if (type == L"STL") return ReadStl(binaryStl || sourcePath.compare(0, 4, L"this") == 0);
    return type == L"thin_volume";   // the zeroed buffer is its payload
}

bool DataObject::LoadVolume()
{
    if (reductionStep != 1) {
        uint64_t bytes = 0;
        if (!CheckedMul(sizeX, sizeY, bytes) || !CheckedMul(bytes, components, bytes) ||
            !CheckedMul(bytes, bytesPerComponent, bytes) || !HasFreeMemory(bytes) ||
            (reductionSliceBuffer = static_cast<uint8_t*>(CommitMemory(bytes))) == nullptr) {
            result = kLoadMemoryShortage;
            return false;
        }
        reductionSliceBytes = bytes;
    }
    const std::wstring path = SceneFolder + sourcePath;
    const bool ok = IsFolderSource(sourcePath) ? LoadSliceFolder()
                           : bytesPerComponent == 1 ? LoadVolumeFile8(samples, path) : LoadVolumeFile16(samples, path);
    ReleaseMemory(reductionSliceBuffer, reductionSliceBytes);
    reductionSliceBuffer = nullptr;
    reductionSliceBytes = 0;
    return ok;
}

bool DataObject::LoadSliceFolder()
{
    std::vector<std::wstring> files;
    ListFolderFiles(SceneFolder + sourcePath + L"*." + sourceType, files);
    if (files.empty() || files.size() != sizeZ) return false;
    const double perFile = 50.0 / static_cast<double>(files.size());
    const double base = OrderSliceFiles(files, sourceType, [&] { StepProgress(perFile); }) ? 50.0 : 100.0;
    if (reverseZ) pendingFlipZ = false;
    const std::vector<std::wstring> plan = PlanSliceReads(files, reverseZ, reductionStep, countZ);
    uint64_t sliceBytes = 0, allBytes = 0;
    if (plan.size() != countZ || !CheckedMul(countX, countY, sliceBytes) || !CheckedMul(sliceBytes, components, sliceBytes) ||
        !CheckedMul(sliceBytes, bytesPerComponent, sliceBytes) || !CheckedMul(sliceBytes, countZ, allBytes))
        return false;
    const int width = SliceValueBytes(bytesPerComponent);
    const uint64_t fullSlice = std::max<uint64_t>(reductionSliceBytes, sliceBytes);

    // Every thread has its own work slice and scratch; thread 0 takes the
    // object's work slice. No more slices are read at once than memory holds
    // their work for beside the payload they fill.
    const uint64_t perRead = SaturatingAdd(SliceReadWorkBytes(*this, width), reductionStep != 1 ? reductionSliceBytes : 0);
    const unsigned threads = AffordableSliceThreads(
        SliceThreadCount(loadThreads, countZ, fullSlice * (reductionStep != 1 ? 2 : 1)), perRead, allBytes, QueryMemoryStatus());
    std::vector<SliceRun> runs(threads);
    std::vector<CommittedBuffer> workSlices(threads);
    for (unsigned t = 0; t < threads; ++t) {
        runs[t].workSlice = reductionSliceBuffer;
        runs[t].workSliceBytes = reductionSliceBytes;
        if (t == 0 || reductionStep == 1) continue;
        if (!workSlices[t].Commit(reductionSliceBytes)) {
            result = kLoadMemoryShortage;
            return false;
        }
        runs[t].workSlice = workSlices[t].Data();
    }
    uint64_t* counts = CountingTable(samples, allBytes, width);
    std::vector<SampleCounter> counters(counts != nullptr ? threads : 0, SampleCounter(width));
    for (unsigned t = 0; t < counters.size(); ++t) runs[t].counter = &counters[t];

    // What each slice would have done to the object's flags, applied in
    // slice order up to the first failure, as one slice after another would.
    std::vector<SliceRun> outcomes(countZ);
    std::vector<char> done(countZ, 0), ok(countZ, 0);
    const bool startFlip = pendingFlipY;
    uint64_t reported = 0;
    const bool all = ReadSlices(
        countZ, threads,
        [&](unsigned t, uint64_t z) {
            SliceRun& run = runs[t];
            run.pendingFlipY = startFlip;
            run.isSigned = run.isUnsigned = false;
            ok[z] = LoadSliceWith(*this, samples + z * sliceBytes, plan[z], width, run);
            outcomes[z].pendingFlipY = run.pendingFlipY;
            outcomes[z].isSigned = run.isSigned;
            outcomes[z].isUnsigned = run.isUnsigned;
            done[z] = 1;
            return ok[z] != 0;
        },
        [&](uint64_t finished) {
            StepProgress(base * static_cast<double>(finished - reported) / static_cast<double>(countZ));
            reported = finished;
        });
    for (uint64_t z = 0; z < countZ && done[z]; ++z) {
        // The readers only ever clear the pending flip, so the stack's flag is that of all its slices.
        outcomes[z].pendingFlipY = pendingFlipY && outcomes[z].pendingFlipY;
        outcomes[z].ApplyTo(*this);
        if (!ok[z]) break;
    }
    if (!all) return false;
    // A slice that a reader left alone was not counted: then the histogram counts the payload itself.
    uint64_t counted = 0;
    for (const auto& counter : counters) counted += counter.Counted();
    if (counts != nullptr && counted == allBytes / static_cast<uint64_t>(width)) {
        for (auto& counter : counters) counter.AddTo(counts);
        valuesCounted = true;
    }
    return true;
}

void DataObject::ApplyReverse()
{
    const bool image = type == L"image" || type == L"gridXY";
    const bool volume = type == L"volume" || type == L"thin_volume" || type == L"gridXYZ";
    if (image) {
        if (format == L"GRAY" || format == L"RGB" || format == L"RGBA") MirrorImage8(samples);
        else if (format == L"GRAY16" || format == L"RGB16" || format == L"RGBA16") MirrorImage16(samples);
        else if (format == L"float") MirrorImageFloat(samples);
    } else if (volume) {
        if (format == L"GRAY" || format == L"RGB") MirrorVolume8(samples);
        else if (format == L"GRAY16" || format == L"RGB16") MirrorVolume16(samples);
        else if (format == L"float") MirrorVolumeFloat(samples);
    }
}

void DataObject::BuildHistogram()
{
    if (bytesPerComponent == 1) BuildHistogram8(samples);
    else if (bytesPerComponent == 2) BuildHistogram16(samples);
    // Wider (float) samples get no histogram: the tables hold 16-bit values.
}


} // namespace velmor
