#pragma once
// One "data" element of a scene: its description as read from the scene and,
// once a unit has asked for it, its payload. Units share data objects; a
// payload stays loaded after its last user has gone and is freed only when a
// memory check finds memory short.
#include "scene/BackgroundJob.h"
#include "scene/LoadStatus.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace velmor {

class CKxDrawUnit;

struct VoxelPitch {
    float loadedPitch[3] = {1.0f, 1.0f, 1.0f};   // pitch x reduction step of the loaded samples
    float pitch[3] = {1.0f, 1.0f, 1.0f};
    std::wstring unit = L"mm";
};

struct CoordinateScale {
    float scale[3] = {1.0f, 1.0f, 1.0f};
    std::wstring unit = L"mm";
};

class DataObject : public BackgroundJob {
public:
    explicit DataObject(std::wstring objectName);
    ~DataObject();
    DataObject(const DataObject&) = delete;
    DataObject& operator=(const DataObject&) = delete;

    // Sizes the payload from type, format and counts and commits it. False,
    // with every buffer freed, when the size is 0, does not fit 64 bits, or
    // cannot be had. A payload its reader writes whole before anything
    // reads it need not be zeroed first.
    enum class PayloadFill { Zeroed, Overwritten };
    bool AllocDataBuffer(PayloadFill fill = PayloadFill::Zeroed);
    void FreeBuffers();
    void FreeIfUnused();
    void ReleaseData(CKxDrawUnit* unit);

    float GetMinValue() const;
    float GetMaxValue() const;

    // Bounds of `samples` read as records of 1..4 floats.
    void ComputeBounds1(uint64_t records);
    void ComputeBounds2(uint64_t records);
    void ComputeBounds3(uint64_t records);
    void ComputeBounds4(uint64_t records);

    // Slice loaders: one 2-D slice from the file at `filePath` (or the
    // container block `sourcePath` names) into dest, 1- or 2-byte values.
    // Called by the payload loader on the worker thread.
    bool LoadSliceImage(uint8_t* dest, const std::wstring& filePath);
    bool LoadSliceImage16(uint8_t* dest, const std::wstring& filePath);

    // Payload loading. AcquireData runs the load as a job; a failed load
    // leaves no buffers and the users unchanged, a successful one makes the
    // unit a user.
    LoadStatus AcquireData(CKxDrawUnit* unit);
    void LoadDataPayload();
    bool ReadSource(uint64_t elements, int valuesPerElement);
    bool ReadBinary(uint64_t values);
    bool ReadTextSource(uint64_t rows, int valuesPerRow);
    bool ReadTextFromBlock(uint64_t rows, int valuesPerRow);
    bool ReadTextFromFile(uint64_t rows, int valuesPerRow);
    bool ReadTextLines();
    bool ReadStl(bool binaryFile);
    void ApplyReverse();
    void BuildHistogram();

    // Whole volume files ("raw", "kxd") from the file or the container
    // block, kept at the reduction step; 1- or 2-byte values.
    bool LoadVolumeFile8(uint8_t* dest, const std::wstring& filePath);
    bool LoadVolumeFile16(uint8_t* dest, const std::wstring& filePath);
    // Histograms of a loaded image or volume (2-byte values for the 16-bit one).
    void BuildHistogram8(const uint8_t* values);
    void BuildHistogram16(const uint8_t* values);
    // Mirror the payload in place by reverseX, pendingFlipY and (volumes)
    // pendingFlipZ; the suffix is the width of one value.
    void MirrorImage8(uint8_t* data);
    void MirrorImage16(uint8_t* data);
    void MirrorImageFloat(uint8_t* data);
    void MirrorVolume8(uint8_t* data);
    void MirrorVolume16(uint8_t* data);
    void MirrorVolumeFloat(uint8_t* data);

    // Element count of the type as AllocDataBuffer multiplies it; false when
    // the product does not fit 64 bits. 0 for a type it does not know.
    bool ElementCount(uint64_t& count) const;

    std::wstring name;
    std::wstring type;
    std::wstring format;
    uint64_t elementCount = 0;
    uint64_t sizeX = 0, sizeY = 0, sizeZ = 0;
    uint64_t sizeT = 0;
    uint64_t countX = 0, countY = 0, countZ = 0;
    int32_t reductionStep = 1;
    uint8_t components = 1;
    uint8_t bytesPerComponent = 0;   // 0 until a format gives a width
    std::unique_ptr<std::wstring[]> textRecords;
    uint8_t* samples = nullptr;
    std::wstring sourcePath;
    std::wstring sourceType;
    bool isSigned = false;     // 16-bit values are stored with 32768 added
    bool isUnsigned = false;   // a DICOM slice said its pixels are unsigned
    bool reverseX = false, reverseY = false, reverseZ = false;
    bool pendingFlipY = false, pendingFlipZ = false;
    VoxelPitch voxelPitch;
    CoordinateScale coordinateScale;
    float minValue = 0, maxValue = 0;
    std::unique_ptr<uint64_t[]> histogram256;
    std::unique_ptr<uint64_t[]> histogram65536;
    float histogramPeak = 1;
    double boundsMax[3] = {};
    double boundsMin[3] = {};
    double boundsMaxT = 0, boundsMinT = 0;
    std::set<CKxDrawUnit*> users;
    CKxDrawUnit* requestingUnit = nullptr;
    std::map<CKxDrawUnit*, bool> redoMarks;
    uint8_t* reductionSliceBuffer = nullptr;
    uint64_t reductionSliceBytes = 0;
    uint64_t payloadBytes = 0;
    // Threads that read the slices of a volume (0: one per core); the
    // samples are the same at any count.
    unsigned loadThreads = 0;
    // The histogram tables already hold the count of every value of the
    // payload: the reader counted each slice while it was in cache.
    bool valuesCounted = false;

private:
    template <int K>
    void ComputeBounds(uint64_t records);
    bool LoadVolumeFile(uint8_t* dest, const std::wstring& filePath, int bytesPerValue);
    // The histogram table a reader may count into while it fills `bytes`
    // from dest (cleared); null unless that is the whole payload of a volume.
    uint64_t* CountingTable(const uint8_t* dest, uint64_t bytes, int bytesPerValue);
    void Mirror(uint8_t* data, uint64_t valueBytes, bool volume);
    void ChooseCounts();
    // Components and value width of the payload as its type and format give
    // them (a format without a width keeps the one it had).
    void TakeFormatWidths();
    bool CountStlFacets(bool& binaryFile);
    bool ReadByType(bool binaryStl);
    bool LoadVolume();
    bool LoadSliceFolder();
    bool ReadReducedGrid();
    void Loaded();
    void FailLoad();
};

// The worker of the payload load; its argument is the data object.
uint32_t LoadDataThreadProc(void* param);

// Main-memory check before a large allocation; frees the work memory of
// units of groups that are not loaded, then unused payloads, when short.
bool CheckFreeMemory(uint64_t needBytes);

// Video-memory checks before GPU buffers are made; needs are in the unit of
// the video-memory query, and -1 (unknown) counts as enough.
bool EnsureVideoMemory(int64_t need);
bool EnsureVideoMemoryAll(int64_t need);
// The video-memory checks count in millions of bytes; a part of a million
// counts as a whole one.
inline int64_t VideoMegabytes(uint64_t bytes) { return static_cast<int64_t>(bytes / 1000000 + (bytes % 1000000 != 0)); }
// Installs the free video memory query (empty: unknown, -1).
void SetVideoMemoryQuery(std::function<int64_t()> query);
int64_t QueryVideoMemory();

} // namespace velmor
