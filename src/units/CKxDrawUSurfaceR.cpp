#include "units/CKxDrawUSurfaceR.h"

#include "processing/SurfaceBuilder.h"
#include "processing/VertexNormals.h"
#include "scene/DataObject.h"
#include "units/ColorLut.h"
#include "units/UnitBox.h"

#include <cmath>
#include <memory>
#include <new>
#include <utility>

namespace velmor {
namespace {

constexpr float kSignedOffset = 32768.0f;

// The builder works on its own record of a surface; the unit lends it its
// grid, thresholds, parts and mesh for one build and takes them back.
struct LentSurface final : SurfaceUnitState {
    explicit LentSurface(CKxDrawUSurfaceR& owner) : unit(owner)
    {
        voxels = unit.voxels;
        borderLow = unit.borderLow;
        borderUp = unit.borderUp;
        for (int i = 0; i < 3; ++i) gridCentre[i] = unit.halfExtent[i];
        parts = std::move(unit.surfaceParts);
        mesh = std::exchange(unit.mesh, TriangleMesh{});
    }
    ~LentSurface() override
    {
        unit.surfaceParts = std::move(parts);
        parts.clear();
        unit.mesh = std::exchange(mesh, TriangleMesh{});
    }
    // Buffers need the mesh in the unit: they are built once it is back.
    void BuildMeshBuffers() override { buildBuffers = true; }
    bool FreeGLBuffers() override { return unit.DeleteBuffers(); }

    CKxDrawUSurfaceR& unit;
    bool buildBuffers = false;
};

// Samples past 2^31 or NaN give no integer: such ends leave the window as is.
int64_t TruncatedValue(float v) { return std::isfinite(v) && std::fabs(v) < 2.0e9f ? int64_t(v) : 0; }

} // namespace

CKxDrawUSurfaceR::CKxDrawUSurfaceR(DrawGroup* ownerGroup) : CKxDrawUTriangles(ownerGroup) { note = L"SurfaceR"; }

CKxDrawUSurfaceR::~CKxDrawUSurfaceR()
{
    CKxDrawUSurfaceR::FreeWork();
    CKxDrawUSurfaceR::FreeGLBuffers();
    for (SurfacePart& part : surfaceParts) ReleaseSurfacePart(part);
}

void CKxDrawUSurfaceR::GetBounds(double minimum[3], double maximum[3])
{
    WriteVolumeBox(halfExtent, pitch, lengthFactor, minimum, maximum);
}

void CKxDrawUSurfaceR::Release()
{
    if (data != nullptr) data->ReleaseData(this);
    if (clipCapData != nullptr && clipCapData != data) clipCapData->ReleaseData(this);
    if (capLut) capLut->Delete();
}

void CKxDrawUSurfaceR::Draw(int pass)
{
    if (hidden) return;
    if (data != nullptr) {
        auto mark = data->redoMarks.find(this);
        if (mark != data->redoMarks.end() && mark->second) {
            mesh.normalsValid = 0;
            Load();
            mark = data->redoMarks.find(this);
            if (mark != data->redoMarks.end()) mark->second = false;
        }
    }
    DrawMesh(pass);
}

void CKxDrawUSurfaceR::FreeWork()
{
    FreeVertexNormals(mesh);
    DeleteBuffers();
    FreeMesh();
    FreeSavedMesh();
    for (SurfacePart& part : surfaceParts) ReleaseSurfacePart(part);
    surfaceParts.clear();
}

bool CKxDrawUSurfaceR::VolumeSigned() const { return data != nullptr && data->isSigned; }

void CKxDrawUSurfaceR::SetBorder(float low, float up)
{
    previousBorderLow = borderLow;
    previousBorderUp = borderUp;
    const float offset = VolumeSigned() ? kSignedOffset : 0.0f;
    borderLow = low + offset;
    borderUp = up + offset;
}

void CKxDrawUSurfaceR::RestoreBorder()
{
    borderLow = previousBorderLow;
    borderUp = previousBorderUp;
}

float CKxDrawUSurfaceR::GetBorderLow() const { return VolumeSigned() ? borderLow - kSignedOffset : borderLow; }
float CKxDrawUSurfaceR::GetBorderUp() const { return VolumeSigned() ? borderUp - kSignedOffset : borderUp; }

bool CKxDrawUSurfaceR::BuildMeshFromParts(bool takeFirst)
{
    FreeMesh();
    if (surfaceParts.empty()) return true;
    velmor::BuildMeshFromParts(mesh, surfaceParts.data(), takeFirst ? 1 : surfaceParts.size(), takeFirst);
    parts[0] = {mesh.triangleCount, 0};
    parts[1].firstTriangle = mesh.triangleCount;
    return true;
}

int32_t CKxDrawUSurfaceR::MakeSurface(bool skipNormals, bool cancelAllowed)
{
    bool buildBuffers = false;
    int32_t r;
    {
        LentSurface lent(*this);
        SurfaceBuilder builder;
        r = builder.MakeSurface(lent, skipNormals, cancelAllowed);
        buildBuffers = lent.buildBuffers;
    }
    if (r == 0) {
        // The builder has handed part 0's arrays to the mesh.
        for (int i = 0; i < kMeshPartCount; ++i) parts[i] = {};
        parts[0] = {mesh.triangleCount, 0};
        parts[1].firstTriangle = mesh.triangleCount;
        surfaceParts.clear();
    }
    if (buildBuffers) BuildMeshBuffers();
    return r;
}

float CKxDrawUSurfaceR::OtsuThreshold(const uint64_t* histogram, uint64_t entries, int64_t lo, int64_t hi)
{
    if (histogram == nullptr || entries == 0) return 0.0f;
    if (lo < 0) lo = 0;
    if (hi >= int64_t(entries)) hi = int64_t(entries) - 1;
    if (hi < lo) return 0.0f;
    std::unique_ptr<double[]> p(new (std::nothrow) double[entries]);
    if (!p) return 0.0f;
    double total = 0.0;
    for (int64_t i = lo; i <= hi; ++i) total += double(histogram[i]);
    if (total == 0.0) return 0.0f;
    double meanTotal = 0.0;
    for (int64_t i = lo; i <= hi; ++i) {
        p[i] = double(histogram[i]) / total;
        meanTotal += double(i) * p[i];
    }
    double best = -1000.0, omega = 0.0, mu = 0.0;
    int64_t threshold = 0;
    for (int64_t t = lo; t <= hi; ++t) {
        omega += p[t];
        mu += double(t) * p[t];
        if (omega == 0.0 || omega == 1.0) continue;
        const double d = (meanTotal - mu) / (1.0 - omega) - mu / omega;
        const double sigma = (1.0 - omega) * omega * d * d;
        if (sigma > best) {
            best = sigma;
            threshold = t;
        }
    }
    return float(threshold);
}

LoadStatus CKxDrawUSurfaceR::LoadSurfaceData()
{
    if (data == nullptr) return kLoadReadFailure;
    if (const LoadStatus r = data->AcquireData(this); r != kLoaded) return r;
    const uint64_t bytes = data->bytesPerComponent == 1 ? 1 : 2;
    uint64_t samples = data->countX * data->countY;
    // The builder reads one- or two-byte samples: never more of them than
    // the payload holds.
    if (samples != 0 && data->countZ > data->payloadBytes / bytes / samples) return kLoadReadFailure;
    voxels.nx = data->countX;
    voxels.ny = data->countY;
    voxels.nz = data->countZ;
    voxels.sliceSize = samples;
    voxels.bytesPerSample = bytes;
    voxels.samples = data->samples;
    valueFloor = data->isSigned ? 31768 : 0;
    if (borderLow == -100000.0f) {
        const uint64_t* histogram = bytes == 1 ? data->histogram256.get() : data->histogram65536.get();
        borderLow = OtsuThreshold(histogram, bytes == 1 ? 256 : 65536, TruncatedValue(data->minValue),
                                  TruncatedValue(data->maxValue));
    }
    if (borderUp == -100000.0f) borderUp = bytes == 1 ? 255.0f : 65535.0f;
    halfExtent[0] = double(voxels.nx) / 2.0;
    halfExtent[1] = double(voxels.ny) / 2.0;
    halfExtent[2] = double(voxels.nz) / 2.0;
    const int32_t r = MakeSurface(false, true);
    return r == -1 ? kLoadMemoryShortage : r == 1 ? kLoadCancelled : kLoaded;
}

void CKxDrawUSurfaceR::Load()
{
    if (!normalsValid() || data == nullptr || data->samples == nullptr) {
        const LoadStatus r = LoadSurfaceData();
        if (r != kLoaded) {
            FailLoad(r == kLoadReadFailure      ? L"volume data file read error"
                     : r == kLoadMemoryShortage ? L"memory error"
                                                : L"make surface canceled");
            return;
        }
    } else if (rebuildBuffers) {
        BuildMeshBuffers();
    }
    const VoxelPitch& p = data->voxelPitch;
    SetPitch(p.loadedPitch[0], p.loadedPitch[1], p.loadedPitch[2], p.unit);
    AcquireClipCap(clipCapData == data);
    FinishLoad();
}

} // namespace velmor
