#pragma once
// The common base of the mesh units (triangle index, point cloud, STL and
// iso-surface): the merged mesh with its part table, per-part materials, GPU
// buffers, the rendering-type letter, the translucent clipped-away part and
// the clip cap. Never built by itself.
#include "processing/MaterialPresets.h"
#include "processing/TriangleMesh.h"
#include "scene/LoadStatus.h"
#include "units/CKxDrawUnit.h"
#include "units/ColorLutHandle.h"

#include <cstdint>
#include <string>

namespace velmor {

class DataObject;
class CKxDrawUTriangles;

struct MeshPartRange {
    uint64_t triangleCount = 0;
    uint64_t firstTriangle = 0;   // index of the part's first triangle
};

constexpr int kMeshPartCount = 11;

// One drawing step of a mesh unit in a render pass, in the order taken.
struct MeshDrawStep {
    enum Kind : uint8_t { Shaded, Wireframe, UnlitPoints } kind = Shaded;
    bool pick = false;
    bool translucent = false;
    bool updateCapTexture = false;
    bool stencilCap = false;
    bool operator==(const MeshDrawStep&) const = default;
};

// What decides a mesh unit's drawing in a pass.
struct MeshDrawInputs {
    std::wstring renderingType;
    std::wstring translucentType;
    bool innerDraw = true;
    bool translucentClip = true;
    bool clipCap = false;             // the render settings' clip-cap switch
    bool clipOn = false;
    bool sectionCapture = false;
    bool drawingClippedPart = false;
    bool depthOnlyPass = false;
    bool mainPass = false;            // the pick record's main-pass flag
};

struct MeshDrawPlan {
    MeshDrawStep steps[2];
    int count = 0;
};

// The steps a mesh unit draws in `pass`: "A"/"E" meshes draw opaque (pass 0
// when they are capped, else 1), are picked and drawn again as the
// clipped-away part; "B", "C" and "D" only in the transparent pass.
MeshDrawPlan PlanMeshDraw(int pass, const MeshDrawInputs& in);

// A material channel drawn translucently: 0 stays 0, 1 becomes `factor`.
float TranslucentChannel(float channel, float factor);

// Triangles per draw call of a part drawn from client arrays: full chunks
// of a million, then the rest (0 when the count is a whole number of chunks).
constexpr uint64_t kClientArrayChunk = 1000000;
inline uint64_t FullClientArrayChunks(uint64_t triangles) { return triangles / kClientArrayChunk; }
inline uint64_t LastClientArrayChunk(uint64_t triangles) { return triangles % kClientArrayChunk; }

// A byte need in the unit of the video-memory query (millions of bytes),
// rounded up and saturated.
int64_t VideoMemoryNeed(uint64_t bytes);

// The GL half of the mesh units. The GL layer installs it
// (InstallMeshUnitDrawing); without it meshes build no buffers and draw
// nothing, which is all that core code and its tests need.
struct MeshUnitDrawing {
    void (*buildBuffers)(CKxDrawUTriangles& unit) = nullptr;
    bool (*deleteBuffers)(CKxDrawUTriangles& unit) = nullptr;
    void (*drawMesh)(CKxDrawUTriangles& unit, int pass) = nullptr;
};
extern MeshUnitDrawing MeshDrawing;

class CKxDrawUTriangles : public CKxDrawUnit {
public:
    explicit CKxDrawUTriangles(DrawGroup* owner);
    std::wstring& GetClassName(std::wstring& name) override { return name = L"CKxDrawUTriangles"; }
    UnitKind Kind() const override { return UnitKind::kTriangles; }

    // Per axis: the data's smallest and largest coordinate, scaled by the
    // pitch; nothing without data.
    void GetDataBounds(double minimum[3], double maximum[3]) const;
    bool IsRenderingTypeAE() const { return renderingType == L"A" || renderingType == L"E"; }
    bool IsRenderingTypeABE() const { return IsRenderingTypeAE() || renderingType == L"B"; }

    // Draw body of every mesh unit that is not hidden.
    void DrawMesh(int pass);
    MeshDrawInputs DrawInputs() const;
    // (Re)creates the buffer objects when the preferences allow them;
    // without them drawing uses the arrays.
    void BuildMeshBuffers();
    // True when at least one buffer object was deleted.
    bool DeleteBuffers();
    void SetPitch(double x, double y, double z, const std::wstring& unitName);

    // The cap's value window in the data's own values: signed 16-bit
    // clip-cap data is stored with 32768 added.
    bool ClipCapSigned() const;
    void SetColorTableLow(int32_t value);
    void SetColorTableUp(int32_t value);
    int32_t GetColorTableLow() const;
    int32_t GetColorTableUp() const;
    // Window ends still -100000 take the clip-cap data's full range.
    void ApplyDefaultCapWindow();

    void SaveMesh();
    void RestoreSavedMesh();
    void FreeMesh();
    void FreeSavedMesh();
    bool normalsValid() const { return mesh.normalsValid != 0; }

protected:
    // The class's data load.
    virtual LoadStatus LoadMeshData() { return kLoadReadFailure; }
    // Load of the triangle-index, point-cloud and STL units.
    void LoadMesh();
    // Acquires the clip-cap data (`same` when it is the main data, which is
    // not acquired twice) and prepares the cap window.
    void AcquireClipCap(bool same);
    void FinishLoad();
    void FailLoad(const std::wstring& message);
    // Once the data objects are given back their payloads may go at any
    // memory check: a mesh that points into them is dropped with its
    // normals, so that the next Load acquires and builds it again.
    void ForgetBorrowedMesh();
    // The normals of a mesh whose arrays are in place, then its buffers:
    // a memory shortage when the normal array cannot be had. Whether it
    // encloses a volume is left undecided.
    LoadStatus BuildNormalsAndBuffers();

public:

    std::wstring renderingType = L"A";
    bool innerDraw = true;
    bool capTextured = true;
    DataObject* clipCapData = nullptr;
    ColorLutHandle capLut = NoColorLut();
    bool translucentClip = true;
    std::wstring translucentType = L"C";
    float translucentOpacity = 1.0f;
    bool drawAsPoints = false;
    bool dataExport = true;
    std::wstring colorTable = L"GRAY";
    int32_t colorTableLow = -100000;   // -100000: not given
    int32_t colorTableUp = -100000;
    MaterialPreset partMaterials[MaterialPresetCount] = {};
    uint8_t colorSchemeMode = 0;
    // mesh.normalsValid holds computed vertex normals and marks a built
    // mesh; the normal builders keep it.
    TriangleMesh mesh;
    uint32_t vertexBuffer = 0;
    uint32_t normalBuffer = 0;
    uint32_t indexBuffer = 0;
    TriangleMesh savedMesh;
    MeshPartRange parts[kMeshPartCount] = {};
    MeshPartRange savedParts[kMeshPartCount] = {};
    bool buffersBuilt = false;
    double pitch[3] = {1, 1, 1};   // mesh coordinates to the unit's length unit
    bool rebuildBuffers = true;
    bool capTextureDirty = true;
    bool capRebuild = true;
    float capClipMatrix[16] = {};
    float capClipOffset = 0;
    // The plane of the data the cap texture was last sampled along: it moves
    // with the space's rotation centre too, not only with the clip plane.
    double capSectionFrame[16] = {};
    uint64_t bufferBytes = 0;
    DataObject* data = nullptr;
    // Whose arrays: vertices and indices may point into a data object's
    // payload, which FreeMesh leaves alone. Normals are always the unit's.
    bool ownsVertices = true;
    bool ownsIndices = true;
};

} // namespace velmor
