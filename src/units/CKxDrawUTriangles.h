#pragma once
// The common base of the mesh units (triangle index, point cloud, STL and
// iso-surface): the merged mesh with its part table, per-part materials, GPU
// buffers, the rendering-type letter, the translucent clipped-away part and
// the clip cap. Never built by itself.
#include "processing/MaterialPresets.h"
#include "processing/TriangleMesh.h"
#include "units/CKxDrawUnit.h"
#include "units/ColorLutHandle.h"

#include <cstdint>
#include <string>

namespace velmor {

class DataObject;

struct MeshPartRange {
    uint64_t triangleCount = 0;
    uint64_t firstTriangle = 0;   // index of the part's first triangle
};

constexpr int kMeshPartCount = 11;

class CKxDrawUTriangles : public CKxDrawUnit {
public:
    explicit CKxDrawUTriangles(DrawGroup* owner);
    std::wstring& GetClassName(std::wstring& name) override { return name = L"CKxDrawUTriangles"; }

    // Per axis: the data's smallest and largest coordinate, scaled by the
    // pitch; nothing without data.
    void GetDataBounds(double minimum[3], double maximum[3]) const;
    bool IsRenderingTypeAE() const { return renderingType == L"A" || renderingType == L"E"; }
    bool IsRenderingTypeABE() const { return IsRenderingTypeAE() || renderingType == L"B"; }

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
    uint64_t bufferBytes = 0;
    DataObject* data = nullptr;
};

} // namespace velmor
