#include "units/CKxDrawUTriangles.h"

#include "platform/CheckedMath.h"
#include "platform/Memory.h"
#include "processing/SurfaceBuilder.h"
#include "processing/SurfacePart.h"
#include "processing/VertexNormals.h"
#include "render/RenderSettings.h"
#include "scene/DataObject.h"
#include "units/DrawGroup.h"

#include <cmath>
#include <limits>
#include <utility>

namespace velmor {

MeshUnitDrawing MeshDrawing;

namespace {

void MarkClipCapForRebuild(CKxDrawUnit& meshUnit) { static_cast<CKxDrawUTriangles&>(meshUnit).capRebuild = true; }

constexpr int32_t kSignedOffset = 32768;

void FreeArrays(TriangleMesh& m, MeshPartRange (&ranges)[kMeshPartCount], bool ownsVertices, bool ownsIndices)
{
    SurfacePart arrays;
    arrays.allocationKind = m.allocationKind;
    arrays.vertexCount = m.vertexCount;
    arrays.triangleCount = m.triangleCount;
    arrays.vertices = ownsVertices ? m.vertices : nullptr;
    arrays.indices = ownsIndices ? m.indices : nullptr;
    ReleaseSurfacePart(arrays);
    ReleaseMemory(m.normals, m.vertexCount * 12);
    m = TriangleMesh{};
    for (MeshPartRange& r : ranges) r = {};
}

} // namespace

MeshDrawPlan PlanMeshDraw(int pass, const MeshDrawInputs& in)
{
    MeshDrawPlan plan;
    auto add = [&plan](MeshDrawStep::Kind kind, bool pick = false, bool translucent = false, bool update = false,
                       bool stencil = false) { plan.steps[plan.count++] = {kind, pick, translucent, update, stencil}; };
    const std::wstring& letter = in.renderingType;
    const bool ae = letter == L"A" || letter == L"E";
    const bool stencilCap = in.innerDraw && in.clipCap && in.clipOn;
    if (pass == 4) return plan;
    if (pass == 2 && in.drawingClippedPart) {
        if (!ae || !in.translucentClip) return plan;
        if (in.translucentType == L"B") add(MeshDrawStep::Shaded, false, true);
        else if (in.translucentType == L"C") add(MeshDrawStep::UnlitPoints);
        else if (in.translucentType == L"D") add(MeshDrawStep::Wireframe, false, true);
        return plan;
    }
    if (pass == 0) {
        if (!(in.innerDraw && in.clipCap && ae)) return plan;
        if (in.depthOnlyPass) {
            add(MeshDrawStep::UnlitPoints);
            return plan;
        }
        const bool k = in.mainPass && in.clipOn;
        if (letter != L"A") add(MeshDrawStep::Wireframe);
        add(MeshDrawStep::Shaded, false, false, k, k);
        return plan;
    }
    if (pass == 1) {
        if (!((!in.innerDraw || !in.clipCap) && ae)) return plan;
        const bool k = in.sectionCapture && in.clipOn;
        if (letter != L"A") add(MeshDrawStep::Wireframe);
        add(MeshDrawStep::Shaded, false, false, k, false);
        return plan;
    }
    if (pass == 2) {
        if (letter == L"B") add(MeshDrawStep::Shaded, false, true, stencilCap || (in.sectionCapture && in.clipOn), stencilCap);
        else if (letter == L"C") add(MeshDrawStep::UnlitPoints);
        else if (letter == L"D") add(MeshDrawStep::Wireframe, false, true);
        return plan;
    }
    if (pass == 3 && ae) add(MeshDrawStep::Shaded, true, false, false, stencilCap);
    return plan;
}

float TranslucentChannel(float channel, float factor)
{
    return (1.0f - std::sqrt(1.0f - channel)) * factor;
}

int64_t VideoMemoryNeed(uint64_t bytes)
{
    const uint64_t millions = bytes / 1000000 + (bytes % 1000000 != 0 ? 1 : 0);
    return millions > uint64_t(std::numeric_limits<int64_t>::max()) ? std::numeric_limits<int64_t>::max()
                                                                      : int64_t(millions);
}

CKxDrawUTriangles::CKxDrawUTriangles(DrawGroup* ownerGroup) : CKxDrawUnit(ownerGroup)
{
    InvalidateMeshClipCap = &MarkClipCapForRebuild;
}

void CKxDrawUTriangles::GetDataBounds(double minimum[3], double maximum[3]) const
{
    if (data == nullptr)
        return;
    for (int i = 0; i < 3; ++i) {
        minimum[i] = data->boundsMin[i] * pitch[i] * lengthFactor;
        maximum[i] = data->boundsMax[i] * pitch[i] * lengthFactor;
    }
}

MeshDrawInputs CKxDrawUTriangles::DrawInputs() const
{
    const RenderSettings& rs = CurrentRenderSettings();
    MeshDrawInputs in;
    in.renderingType = renderingType;
    in.translucentType = translucentType;
    in.innerDraw = innerDraw;
    in.translucentClip = translucentClip;
    in.clipCap = rs.clipCap != 0;
    in.clipOn = rs.clipOn != 0;
    in.sectionCapture = rs.sectionCapture != 0;
    in.drawingClippedPart = rs.drawingClippedPart != 0;
    in.depthOnlyPass = rs.depthOnlyPass != 0;
    in.mainPass = rs.pick.mainPass != 0;
    return in;
}

void CKxDrawUTriangles::DrawMesh(int pass)
{
    if (MeshDrawing.drawMesh != nullptr) MeshDrawing.drawMesh(*this, pass);
}

void CKxDrawUTriangles::BuildMeshBuffers()
{
    if (MeshDrawing.buildBuffers != nullptr) MeshDrawing.buildBuffers(*this);
}

bool CKxDrawUTriangles::DeleteBuffers()
{
    const bool deleted = MeshDrawing.deleteBuffers != nullptr && MeshDrawing.deleteBuffers(*this);
    buffersBuilt = false;
    rebuildBuffers = true;
    return deleted;
}

void CKxDrawUTriangles::SetPitch(double x, double y, double z, const std::wstring& unitName)
{
    pitch[0] = x;
    pitch[1] = y;
    pitch[2] = z;
    lengthUnit = unitName;
}

bool CKxDrawUTriangles::ClipCapSigned() const { return clipCapData != nullptr && clipCapData->isSigned; }

void CKxDrawUTriangles::SetColorTableLow(int32_t value) { colorTableLow = ClipCapSigned() ? value + kSignedOffset : value; }
void CKxDrawUTriangles::SetColorTableUp(int32_t value) { colorTableUp = ClipCapSigned() ? value + kSignedOffset : value; }
int32_t CKxDrawUTriangles::GetColorTableLow() const { return ClipCapSigned() ? colorTableLow - kSignedOffset : colorTableLow; }
int32_t CKxDrawUTriangles::GetColorTableUp() const { return ClipCapSigned() ? colorTableUp - kSignedOffset : colorTableUp; }

void CKxDrawUTriangles::ApplyDefaultCapWindow()
{
    if (clipCapData == nullptr) return;
    if (clipCapData->isSigned) {
        if (colorTableLow == -100000) colorTableLow = 31768;
        if (colorTableUp == -100000) {
            const double top = std::trunc(double(clipCapData->maxValue));
            colorTableUp = std::isfinite(top) && std::fabs(top) < 2147483647.0 ? int32_t(top) : 65535;
        }
        return;
    }
    if (colorTableLow == -100000) colorTableLow = 0;
    if (colorTableUp == -100000) colorTableUp = clipCapData->bytesPerComponent == 2 ? 65535 : 255;
}

void CKxDrawUTriangles::FreeMesh() { FreeArrays(mesh, parts, ownsVertices, ownsIndices); }
void CKxDrawUTriangles::FreeSavedMesh() { FreeArrays(savedMesh, savedParts, ownsVertices, ownsIndices); }

void CKxDrawUTriangles::SaveMesh()
{
    FreeSavedMesh();
    savedMesh = std::exchange(mesh, TriangleMesh{});
    savedMesh.normalsValid = 0;
    for (int i = 0; i < kMeshPartCount; ++i) savedParts[i] = std::exchange(parts[i], MeshPartRange{});
}

void CKxDrawUTriangles::RestoreSavedMesh()
{
    const uint8_t wasValid = mesh.normalsValid;
    FreeMesh();
    mesh = std::exchange(savedMesh, TriangleMesh{});
    mesh.normalsValid = mesh.normals != nullptr ? 1 : wasValid;
    for (int i = 0; i < kMeshPartCount; ++i) parts[i] = std::exchange(savedParts[i], MeshPartRange{});
}

void CKxDrawUTriangles::LoadMesh()
{
    if (!normalsValid()) {
        const LoadStatus r = LoadMeshData();
        if (r != kLoaded) {
            FailLoad(r == kLoadReadFailure ? L"data file read error" : L"memory error");
            return;
        }
    } else if (rebuildBuffers) {
        BuildMeshBuffers();
    }
    if (data != nullptr)
        SetPitch(data->coordinateScale.scale[0], data->coordinateScale.scale[1], data->coordinateScale.scale[2],
                 data->coordinateScale.unit);
    AcquireClipCap(false);
    FinishLoad();
}

void CKxDrawUTriangles::AcquireClipCap(bool same)
{
    capTextured = false;
    if (clipCapData == nullptr) return;
    if (same) {
        capTextured = true;
    } else {
        const LoadStatus r = clipCapData->AcquireData(this);
        if (r == kLoaded) capTextured = true;
        else ReportLoadFailure(r == kLoadMemoryShortage ? L"memory error" : L"clip cap data file read error");
    }
    if (capTextured) {
        ApplyDefaultCapWindow();
        capTextureDirty = true;
    }
}

void CKxDrawUTriangles::FinishLoad()
{
    SetMaterialPresets(partMaterials, colorSchemeMode, material, 1, std::wstring());
    valid = true;
}

void CKxDrawUTriangles::FailLoad(const std::wstring& message)
{
    ReportLoadFailure(message);
    Release();
    FreeWork();
    valid = false;
}

void CKxDrawUTriangles::ForgetBorrowedMesh()
{
    FreeVertexNormals(mesh);
    FreeMesh();
}

LoadStatus CKxDrawUTriangles::BuildNormalsAndBuffers()
{
    // Files hold open sheets and faces wound either way as often as solids;
    // only the shadow map cares which, so that is decided when it first asks.
    mesh.closure = MeshClosure::kUndecided;
    if (!AllocVertexNormals(mesh)) return kLoadMemoryShortage;
    SurfaceBuilder builder;
    builder.MakeNormals(mesh);
    BuildMeshBuffers();
    return kLoaded;
}

} // namespace velmor
