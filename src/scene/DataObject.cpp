#include "scene/DataObject.h"

#include "platform/CheckedMath.h"
#include "platform/Memory.h"
#include "scene/CVelmorDoc.h"

#include <cfloat>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>

namespace velmor {
namespace {

struct FormatWidth {
    const wchar_t* format;
    uint8_t bytes;
};

constexpr FormatWidth kFormatWidths[] = {
    {L"GRAY", 1}, {L"GRAY16", 2}, {L"RGB", 1}, {L"RGB16", 2}, {L"RGBA", 1}, {L"RGBA16", 2},
    {L"byte", 1}, {L"ubyte", 1}, {L"short", 2}, {L"ushort", 2}, {L"float", 4}, {L"uint", 4},
};

uint8_t ComponentsOf(const std::wstring& type, const std::wstring& format)
{
    if (type == L"array_xy") return 2;
    if (type == L"array_xyz" || type == L"array_xyt" || type == L"STL") return 3;
    if (type == L"array_xyzt") return 4;
    if (format == L"RGB" || format == L"RGB16") return 3;
    if (format == L"RGBA" || format == L"RGBA16") return 4;
    return 1;
}

bool Product(std::initializer_list<uint64_t> factors, uint64_t& out)
{
    out = 1;
    for (uint64_t f : factors)
        if (!CheckedMul(out, f, out)) return false;
    return true;
}

template <typename T>
std::unique_ptr<T[]> NewZeroed(uint64_t count)
{
    if (count > SIZE_MAX / sizeof(T)) return nullptr;
    return std::unique_ptr<T[]>(new (std::nothrow) T[static_cast<size_t>(count)]());
}

std::mutex gVideoQueryMutex;
std::function<int64_t()> gVideoQuery;

} // namespace

DataObject::DataObject(std::wstring objectName) : name(std::move(objectName)) {}

DataObject::~DataObject() { FreeBuffers(); }

bool DataObject::ElementCount(uint64_t& count) const
{
    if (type == L"gridXY" || type == L"image") return Product({countX, countY}, count);
    if (type == L"gridXYZ" || type == L"volume" || type == L"thin_volume") return Product({countX, countY, countZ}, count);
    if (type == L"gridXYT") return Product({countX, countY, sizeT}, count);
    if (type == L"gridXYZT") return Product({countX, countY, countZ, sizeT}, count);
    if (type == L"STL") return Product({elementCount, 3}, count);
    for (const wchar_t* array : {L"array_xy", L"array_xyz", L"array_xyt", L"array_xyzt", L"array_color",
                                 L"array_number", L"array_index", L"array_text"})
        if (type == array) return Product({elementCount}, count);
    count = 0;
    return true;
}

bool DataObject::AllocDataBuffer(PayloadFill fill)
{
    FreeBuffers();
    if (type == L"array_text") {
        // Each record is constructed at once, so the whole array must fit.
        uint64_t bytes = 0;
        if (!CheckedMul(elementCount, sizeof(std::wstring), bytes) || !HasFreeMemory(bytes)) return false;
        try {
            if (elementCount > SIZE_MAX / sizeof(std::wstring)) return false;
            textRecords = std::make_unique<std::wstring[]>(static_cast<size_t>(elementCount));
        } catch (const std::bad_alloc&) {
            FreeBuffers();
            return false;
        }
        return true;
    }

    TakeFormatWidths();
    uint64_t count = 0;
    if (!ElementCount(count) || !Product({count, components, bytesPerComponent}, payloadBytes)) {
        payloadBytes = 0;
        return false;
    }
    if (type == L"volume" || type == L"image") {
        histogram256 = NewZeroed<uint64_t>(256);
        if (bytesPerComponent == 2) histogram65536 = NewZeroed<uint64_t>(65536);
        if (!histogram256 || (bytesPerComponent == 2 && !histogram65536)) {
            FreeBuffers();
            return false;
        }
    }
    // A payload the system cannot back is a shortage now rather than a
    // killed process once the reader fills it.
    if (payloadBytes == 0 || !HasFreeMemory(payloadBytes) ||
        (samples = static_cast<uint8_t*>(fill == PayloadFill::Zeroed ? CommitMemory(payloadBytes)
                                                                     : CommitMemoryToOverwrite(payloadBytes))) == nullptr) {
        FreeBuffers();
        return false;
    }
    return true;
}

void DataObject::TakeFormatWidths()
{
    components = ComponentsOf(type, format);
    for (const auto& w : kFormatWidths)
        if (format == w.format) bytesPerComponent = w.bytes;
}

void DataObject::FreeBuffers()
{
    ReleaseMemory(samples, payloadBytes);
    samples = nullptr;
    textRecords.reset();
    ReleaseMemory(reductionSliceBuffer, reductionSliceBytes);
    reductionSliceBuffer = nullptr;
    reductionSliceBytes = 0;
    histogram256.reset();
    histogram65536.reset();
    valuesCounted = false;
}

void DataObject::FreeIfUnused()
{
    if ((samples != nullptr || textRecords) && users.empty()) FreeBuffers();
}

void DataObject::ReleaseData(CKxDrawUnit* unit) { users.erase(unit); }

float DataObject::GetMinValue() const { return isSigned ? minValue - 32768.0f : minValue; }
float DataObject::GetMaxValue() const { return isSigned ? maxValue - 32768.0f : maxValue; }

template <int K>
void DataObject::ComputeBounds(uint64_t records)
{
    // Never past the payload, whatever count the caller passes.
    const uint64_t fit = samples == nullptr ? 0 : payloadBytes / (sizeof(float) * K);
    if (records > fit) records = fit;

    float hi[K], lo[K];
    for (int c = 0; c < K; ++c) {
        hi[c] = -FLT_MAX;
        lo[c] = FLT_MAX;
    }
    const uint8_t* p = samples;
    for (uint64_t i = 0; i < records; ++i) {
        for (int c = 0; c < K; ++c, p += sizeof(float)) {
            float v;
            std::memcpy(&v, p, sizeof v);
            // Written so that a NaN on either side lets the value through.
            if (!(v < hi[c])) hi[c] = v;
            if (!(v > lo[c])) lo[c] = v;
        }
    }
    for (int c = 0; c < K && c < 3; ++c) {
        boundsMax[c] = hi[c];
        boundsMin[c] = lo[c];
    }
    if constexpr (K == 4) {
        boundsMaxT = hi[3];
        boundsMinT = lo[3];
    }
}

void DataObject::ComputeBounds1(uint64_t records) { ComputeBounds<1>(records); }
void DataObject::ComputeBounds2(uint64_t records) { ComputeBounds<2>(records); }
void DataObject::ComputeBounds3(uint64_t records) { ComputeBounds<3>(records); }
void DataObject::ComputeBounds4(uint64_t records) { ComputeBounds<4>(records); }

bool CheckFreeMemory(uint64_t needBytes)
{
    if (HasFreeMemory(needBytes)) return true;
    if (CurrentDocument == nullptr) return false;
    CurrentDocument->FreeGroupWork();
    if (HasFreeMemory(needBytes)) return true;
    CurrentDocument->ReleaseUnusedData();
    return HasFreeMemory(needBytes);
}

void SetVideoMemoryQuery(std::function<int64_t()> query)
{
    std::lock_guard lock(gVideoQueryMutex);
    gVideoQuery = std::move(query);
}

int64_t QueryVideoMemory()
{
    std::function<int64_t()> query;
    {
        std::lock_guard lock(gVideoQueryMutex);
        query = gVideoQuery;
    }
    return query ? query() : -1;
}

namespace {

// Frees GPU buffers of groups whose loaded flag is `loaded`, one unit at a
// time, until the need fits; returns true when it fits.
bool FreeVideoMemoryUntil(int64_t need, bool loaded, int64_t& available)
{
    while (CurrentDocument != nullptr && CurrentDocument->FreeGroupGLBuffers(loaded)) {
        available = QueryVideoMemory();
        if (need < available) return true;
    }
    return false;
}

} // namespace

bool EnsureVideoMemory(int64_t need)
{
    int64_t available = QueryVideoMemory();
    if (need < available) return true;
    if (FreeVideoMemoryUntil(need, false, available)) return true;
    return available == -1;
}

bool EnsureVideoMemoryAll(int64_t need)
{
    int64_t available = QueryVideoMemory();
    if (need < available) return true;
    if (FreeVideoMemoryUntil(need, false, available)) return true;
    if (available == -1) return true;
    return FreeVideoMemoryUntil(need, true, available);
}

} // namespace velmor
