#include "units/CKxDrawUVolumeR.h"

#include "platform/CheckedMath.h"
#include "processing/VolumeColorJob.h"
#include "render/GeometryRoutines.h"
#include "render/RenderSettings.h"
#include "scene/DataObject.h"
#include "units/UnitBox.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace velmor {

VolumeUnitDrawing VolumeUnitGL;

namespace {

constexpr float kUnset = -1e6f;
constexpr float kSignedOffset = 32768.0f;
// The low end of the default window of signed data: -1000 in data units.
constexpr float kSignedDefaultLow = 31768.0f;
// More slices than this on one axis cannot come from a sane pitch ratio and
// would only overflow the quad arrays.
constexpr double kMaxSlices = double(1 << 24);

// The slice count of one axis: n stretched by its pitch over the smallest.
bool SliceCountOf(uint64_t n, float pitchRatio, int32_t& count)
{
    const float product = static_cast<float>(n) * pitchRatio;
    const double rounded = std::floor(static_cast<double>(product) + 0.5);
    if (!(rounded <= kMaxSlices)) return false;   // too many, or not a number
    // A negative pitch ratio leaves one slice rather than none.
    count = rounded < 1.0 ? 1 : static_cast<int32_t>(rounded);
    return true;
}

void SetCorner(float* corner, double x, double y, double z)
{
    corner[0] = static_cast<float>(x);
    corner[1] = static_cast<float>(y);
    corner[2] = static_cast<float>(z);
}

float SquaredDistance(const float a[3], const float b[3])
{
    float sum = 0.0f;
    for (int i = 0; i < 3; ++i) sum += (a[i] - b[i]) * (a[i] - b[i]);
    return sum;
}

// An angle between two lines rather than two directions: 0..pi/2.
float FoldAngle(float angle)
{
    constexpr float kPi = 3.1415927f;
    return kPi - angle <= angle ? kPi - angle : angle;
}

} // namespace

CKxDrawUVolumeR::CKxDrawUVolumeR(DrawGroup* ownerGroup) : CKxDrawUnit(ownerGroup) { note = L"VolumeR"; }

CKxDrawUVolumeR::~CKxDrawUVolumeR()
{
    FreeSliceQuads();
    FreeWork();
}

void CKxDrawUVolumeR::Load()
{
    const LoadStatus code = LoadWorker();
    if (code == kLoaded) {
        SetSliceTexCoords();
        valid = true;
        return;
    }
    ReportLoadFailure(code == kLoadReadFailure ? L"volume data file read error" : L"memory error");
    Release();
    FreeWork();
    valid = false;
}

LoadStatus CKxDrawUVolumeR::LoadWorker()
{
    LoadStatus code = AcquireVolume();
    if (code != kLoaded) return code;
    if (VolumeUnitGL.createTexture == nullptr || !VolumeUnitGL.createTexture(*this)) return kLoadMemoryShortage;
    ApplyAutoLevels();
    ChooseClearSize();
    code = PrepareDisplayVolumes();
    if (code != kLoaded) return code;
    return PlaceSlices();
}

LoadStatus CKxDrawUVolumeR::AcquireVolume()
{
    if (volumeData == nullptr) return kLoadReadFailure;
    if (const LoadStatus acquired = volumeData->AcquireData(this); acquired != kLoaded) return acquired;
    const DataObject& data = *volumeData;
    const uint64_t width = data.bytesPerComponent;
    // Only a grey volume of 1- or 2-byte samples that the payload holds
    // whole can be sliced.
    uint64_t slice = 0, samples = 0, bytes = 0;
    if (data.type != L"volume" || (width != 1 && width != 2) || data.samples == nullptr || data.countX == 0 ||
        data.countY == 0 || data.countZ == 0 || !CheckedMul(data.countX, data.countY, slice) ||
        !CheckedMul(slice, data.countZ, samples) || !CheckedMul(samples, width, bytes) || bytes > data.payloadBytes)
        return kLoadReadFailure;
    voxels = {data.samples, data.countX, data.countY, data.countZ, slice, width};
    return kLoaded;
}

void CKxDrawUVolumeR::ApplyAutoLevels()
{
    if (voxels.bytesPerSample == 1) AutoVolumeLevel8(255);
    else AutoVolumeLevel16(65535);
}

void CKxDrawUVolumeR::AutoVolumeLevel8(int highest)
{
    AutoVolumeLevel<uint8_t>(volumeData != nullptr ? volumeData->histogram256.get() : nullptr, highest);
}

void CKxDrawUVolumeR::AutoVolumeLevel16(int highest)
{
    AutoVolumeLevel<uint16_t>(volumeData != nullptr ? volumeData->histogram65536.get() : nullptr, highest);
}

template <typename Sample> void CKxDrawUVolumeR::AutoVolumeLevel(const uint64_t* histogram, int highest)
{
    if (rangeLow == kUnset) {
        if (SignedData()) {
            rangeLow = kSignedDefaultLow;
            rangeHigh = volumeData->maxValue;
        } else {
            rangeLow = 0.0f;
            rangeHigh = static_cast<float>(highest);
        }
    }
    if (brightnessA != kUnset) return;
    constexpr uint64_t kValues = uint64_t(1) << (8 * sizeof(Sample));
    std::vector<uint64_t> counted;
    if (histogram == nullptr) {
        // No histogram came with the payload: count the samples here.
        counted.assign(kValues, 0);
        const auto* samples = static_cast<const Sample*>(voxels.samples);
        const uint64_t total = samples != nullptr ? SampleCount() : 0;
        for (uint64_t i = 0; i < total; ++i) ++counted[samples[i]];
        histogram = counted.data();
    }
    uint64_t sum = 0;
    for (uint64_t v = 1; v < kValues; ++v) sum += histogram[v] * v;
    const uint64_t total = SampleCount();
    const uint64_t count = total > histogram[0] ? total - histogram[0] : 0;
    // A volume of zeros has no mean, and an empty window no scale: neither
    // brightens nor darkens.
    if (count == 0 || rangeHigh == rangeLow) {
        brightnessA = 0.0f;
        return;
    }
    const float mean = static_cast<float>(static_cast<double>(sum) / static_cast<double>(count));
    brightnessA = -(mean - rangeLow) / (rangeHigh - rangeLow) * 256.0f;
}

uint64_t CKxDrawUVolumeR::SampleCount() const
{
    uint64_t count = 0;
    return CheckedMul(voxels.sliceSize, voxels.nz, count) ? count : 0;
}

void CKxDrawUVolumeR::ChooseClearSize()
{
    const uint64_t width = std::min(std::max(voxels.nx, voxels.ny) + 1, colorLut.textureWidth);
    const uint64_t height = std::min(std::max(voxels.ny, voxels.nz) + 1, colorLut.textureHeight);
    clearWidth = static_cast<uint32_t>(std::min<uint64_t>(width, UINT32_MAX));
    clearHeight = static_cast<uint32_t>(std::min<uint64_t>(height, UINT32_MAX));
}

LoadStatus CKxDrawUVolumeR::PrepareDisplayVolumes()
{
    uint64_t volumeBytes = 0, allBytes = 0, clearBytes = 0;
    if (!CheckedMul(SampleCount(), voxels.bytesPerSample, volumeBytes) || !CheckedMul(volumeBytes, 3, allBytes) ||
        !CheckedMul(uint64_t(clearWidth) * clearHeight, voxels.bytesPerSample, clearBytes))
        return kLoadMemoryShortage;
    auto present = [&] {
        return std::all_of(std::begin(displayVolume), std::end(displayVolume),
                           [&](const CommittedBuffer& b) { return b.Data() != nullptr && b.Size() == volumeBytes; }) &&
               clearBuffer.Data() != nullptr && clearBuffer.Size() == clearBytes;
    };
    if (present()) return kLoaded;
    FreeWork();
    CheckFreeMemory(allBytes);   // frees what it can; the commits decide
    bool committed = clearBuffer.Commit(clearBytes);
    for (CommittedBuffer& volume : displayVolume) committed = committed && volume.Commit(volumeBytes);
    // The second check may free the work of units of unloaded groups, so the
    // buffers are looked at again after it.
    if (!committed || !CheckFreeMemory(0) || !present()) {
        FreeWork();
        return kLoadMemoryShortage;
    }
    RunColorJob();
    return kLoaded;
}

LoadStatus CKxDrawUVolumeR::PlaceSlices()
{
    halfExtent[0] = static_cast<double>(voxels.nx) / 2.0;
    halfExtent[1] = static_cast<double>(voxels.ny) / 2.0;
    halfExtent[2] = static_cast<double>(voxels.nz) / 2.0;
    const VoxelPitch& p = volumeData->voxelPitch;
    const double loaded[3] = {p.loadedPitch[0], p.loadedPitch[1], p.loadedPitch[2]};
    SetPitch(loaded, p.unit);
    return BuildSliceQuads() ? kLoaded : kLoadMemoryShortage;
}

void CKxDrawUVolumeR::SetPitch(const double newPitch[3], const std::wstring& unitName)
{
    std::copy(newPitch, newPitch + 3, pitch);
    lengthUnit = unitName;
}

bool CKxDrawUVolumeR::BuildSliceQuads()
{
    FreeSliceQuads();
    if (volumeData == nullptr) return false;
    const float* loaded = volumeData->voxelPitch.loadedPitch;
    float smallest = std::min({loaded[0], loaded[1], loaded[2]});
    if (smallest == 0.0f) smallest = 1.0f;
    const uint64_t n[3] = {voxels.nx, voxels.ny, voxels.nz};
    for (int axis = 0; axis < 3; ++axis) {
        if (!SliceCountOf(n[axis], loaded[axis] / smallest, sliceCount[axis])) {
            FreeSliceQuads();
            return false;
        }
        sliceQuads[axis].reset(new (std::nothrow) float[size_t(sliceCount[axis]) * 12]);
        if (!sliceQuads[axis]) {
            FreeSliceQuads();
            return false;
        }
    }
    const double hx = halfExtent[0], hy = halfExtent[1], hz = halfExtent[2];
    // 0.5001 rather than 0.5 keeps the first slice off the box face.
    auto position = [](int32_t i, double half, int32_t count) { return (i + 0.5001) * (2.0 * half / count) - half; };
    for (int32_t i = 0; i < sliceCount[0]; ++i) {
        const double x = position(i, hx, sliceCount[0]);
        float* q = &sliceQuads[0][size_t(i) * 12];
        SetCorner(q, x, hy, -hz), SetCorner(q + 3, x, hy, hz), SetCorner(q + 6, x, -hy, hz), SetCorner(q + 9, x, -hy, -hz);
    }
    for (int32_t j = 0; j < sliceCount[1]; ++j) {
        const double y = position(j, hy, sliceCount[1]);
        float* q = &sliceQuads[1][size_t(j) * 12];
        SetCorner(q, -hx, y, -hz), SetCorner(q + 3, -hx, y, hz), SetCorner(q + 6, hx, y, hz), SetCorner(q + 9, hx, y, -hz);
    }
    for (int32_t k = 0; k < sliceCount[2]; ++k) {
        const double z = position(k, hz, sliceCount[2]);
        float* q = &sliceQuads[2][size_t(k) * 12];
        SetCorner(q, -hx, hy, z), SetCorner(q + 3, -hx, -hy, z), SetCorner(q + 6, hx, -hy, z), SetCorner(q + 9, hx, hy, z);
    }
    return true;
}

void CKxDrawUVolumeR::SetSliceTexCoords()
{
    const float tw = static_cast<float>(colorLut.textureWidth), th = static_cast<float>(colorLut.textureHeight);
    const float w = static_cast<float>(colorLut.imageWidth) / tw;
    const float h = static_cast<float>(colorLut.imageHeight) / tw;
    const float d = static_cast<float>(colorLut.imageDepth) / th;
    const float hOfTh = static_cast<float>(colorLut.imageHeight) / th;
    const float coords[3][4][2] = {{{h, 0}, {h, d}, {0, d}, {0, 0}},
                                   {{0, 0}, {0, d}, {w, d}, {w, 0}},
                                   {{0, hOfTh}, {0, 0}, {w, 0}, {w, hOfTh}}};
    std::copy(&coords[0][0][0], &coords[0][0][0] + 24, &sliceTexCoords[0][0][0]);
}

void CKxDrawUVolumeR::Release()
{
    if (volumeData != nullptr) volumeData->ReleaseData(this);
    // The payload may be freed once nobody uses it.
    voxels.samples = nullptr;
    FreeSliceQuads();
    colorLut.Delete();
}

void CKxDrawUVolumeR::FreeWork()
{
    for (CommittedBuffer& volume : displayVolume)
        volume.Reset();
    clearBuffer.Reset();
}

void CKxDrawUVolumeR::FreeSliceQuads()
{
    for (auto& quads : sliceQuads) quads.reset();
}

void CKxDrawUVolumeR::Draw(int pass)
{
    if (hidden || CurrentRenderSettings().drawingClippedPart != 0) return;
    if (pass == 0 || pass == 1 || pass == 3 || pass == 4) return;
    if (volumeData != nullptr) {
        bool& redo = volumeData->redoMarks.emplace(this, false).first->second;
        if (redo) {
            RunColorJob();
            redo = false;
        }
    }
    if (pass == 2 && VolumeUnitGL.drawSliceStack != nullptr && ReadyToDraw()) VolumeUnitGL.drawSliceStack(*this);
}

bool CKxDrawUVolumeR::ReadyToDraw() const
{
    uint64_t volumeBytes = 0, clearBytes = 0;
    if (colorLut.textureId == 0 || voxels.nx == 0 || voxels.ny == 0 || voxels.nz == 0 ||
        !CheckedMul(SampleCount(), voxels.bytesPerSample, volumeBytes) ||
        !CheckedMul(uint64_t(clearWidth) * clearHeight, voxels.bytesPerSample, clearBytes) ||
        clearBuffer.Data() == nullptr || clearBuffer.Size() < clearBytes)
        return false;
    for (int axis = 0; axis < 3; ++axis)
        if (!sliceQuads[axis] || sliceCount[axis] < 1 || displayVolume[axis].Data() == nullptr ||
            displayVolume[axis].Size() < volumeBytes)
            return false;
    // Every layer must fit the texture it is uploaded into.
    const uint64_t tw = colorLut.textureWidth, th = colorLut.textureHeight;
    return voxels.nx <= tw && voxels.ny <= tw && voxels.ny <= th && voxels.nz <= th && clearWidth <= tw &&
           clearHeight <= th;
}

VolumeUnitState CKxDrawUVolumeR::ColourState()
{
    VolumeUnitState state;
    state.renderingType = renderingType;
    state.brightness_A = brightnessA;
    state.contrast_A = contrastA;
    state.brightness_B = brightnessB;
    state.contrast_B = contrastB;
    state.colorRestriction[0] = rangeLow;
    state.colorRestriction[1] = rangeHigh;
    state.voxels = voxels;
    state.displayVolumeX = displayVolume[0].Data();
    state.displayVolumeY = displayVolume[1].Data();
    state.displayVolumeZ = displayVolume[2].Data();
    return state;
}

int32_t CKxDrawUVolumeR::RunColorJob()
{
    uint64_t volumeBytes = 0;
    // Only over the payload this unit still holds, into buffers of its size.
    if (volumeData == nullptr || voxels.samples == nullptr || volumeData->samples != voxels.samples ||
        !CheckedMul(SampleCount(), voxels.bytesPerSample, volumeBytes) || volumeBytes == 0)
        return -1;
    for (const CommittedBuffer& volume : displayVolume)
        if (volume.Data() == nullptr || volume.Size() < volumeBytes) return -1;
    VolumeUnitState state = ColourState();
    VolumeColorJob job;
    return job.Run(state);
}

void CKxDrawUVolumeR::RequestRecolour()
{
    if (volumeData != nullptr) volumeData->redoMarks[this] = true;
}

void CKxDrawUVolumeR::RecolourNow()
{
    if (volumeData == nullptr) return;
    volumeData->redoMarks[this] = RunColorJob() != 0;
}

bool CKxDrawUVolumeR::SignedData() const { return volumeData != nullptr && volumeData->isSigned; }

void CKxDrawUVolumeR::SetRangeLow(float value) { rangeLow = SignedData() ? value + kSignedOffset : value; }
void CKxDrawUVolumeR::SetRangeHigh(float value) { rangeHigh = SignedData() ? value + kSignedOffset : value; }
float CKxDrawUVolumeR::GetRangeLow() const { return SignedData() ? rangeLow - kSignedOffset : rangeLow; }
float CKxDrawUVolumeR::GetRangeHigh() const { return SignedData() ? rangeHigh - kSignedOffset : rangeHigh; }

void CKxDrawUVolumeR::GetBounds(double minimum[3], double maximum[3])
{
    WriteVolumeBox(halfExtent, pitch, lengthFactor, minimum, maximum);
}

SliceAxis CKxDrawUVolumeR::ChooseSliceAxis(const float modelView[16], float cameraDistance)
{
    static const float kNegative[3][3] = {{-1, 0, 0}, {0, -1, 0}, {0, 0, -1}};
    static const float kPositive[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    const float zero[3] = {0, 0, 0};
    float origin[3], ends[3][3];
    TransformPoint(zero, modelView, origin);
    const float view[3] = {origin[0], origin[1], origin[2] - cameraDistance};
    float angle[3];
    for (int i = 0; i < 3; ++i) {
        TransformPoint(kNegative[i], modelView, ends[i]);
        const float along[3] = {ends[i][0] - origin[0], ends[i][1] - origin[1], ends[i][2] - origin[2]};
        angle[i] = FoldAngle(VecAngle3f(view, along));
    }
    SliceAxis chosen;
    if (angle[0] <= angle[1] && angle[0] <= angle[2]) chosen.axis = 0;
    else if (angle[1] <= angle[0] && angle[1] <= angle[2]) chosen.axis = 1;
    else chosen.axis = 2;
    const float eye[3] = {0, 0, cameraDistance};
    float positiveEnd[3];
    TransformPoint(kPositive[chosen.axis], modelView, positiveEnd);
    chosen.direction = SquaredDistance(ends[chosen.axis], eye) <= SquaredDistance(positiveEnd, eye) ? 0 : 1;
    return chosen;
}

std::vector<SliceStep> CKxDrawUVolumeR::SliceSteps(uint64_t layers, int32_t count, int direction)
{
    std::vector<SliceStep> steps;
    if (layers == 0 || count < 1) return steps;
    steps.reserve(size_t(count));
    const float step = static_cast<float>(layers) / static_cast<float>(count);
    int64_t previous = -1;
    for (int32_t i = 0; i < count; ++i) {
        // Single-precision rounding must not step past the last layer.
        const int64_t layer =
            std::min<int64_t>(static_cast<int64_t>(std::floor(static_cast<float>(i) * step)), int64_t(layers) - 1);
        SliceStep s;
        if (layer != previous) s.layer = direction == 1 ? layer : int64_t(layers) - 1 - layer;
        s.quad = direction == 1 ? i : count - 1 - i;
        previous = layer;
        steps.push_back(s);
    }
    return steps;
}

} // namespace velmor
