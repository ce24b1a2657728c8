#pragma once
// The iso-surface job of surface units. Declared here so that the mesh units
// can be written against it; the volume-processing code defines it.
#include "scene/BackgroundJob.h"

#include <cstdint>

namespace velmor {

class CKxDrawUTriangles;
class CKxDrawUSurfaceR;

// One part of a surface unit's mesh as the builder leaves it.
struct SurfacePart {
    uint32_t partSlot = 0;          // 0..10
    uint64_t vertexCount = 0;
    uint64_t triangleCount = 0;
    uint8_t allocationKind = 0;     // 1 committed memory, 0 heap
    float* vertices = nullptr;      // three per vertex
    uint32_t* indices = nullptr;    // three per triangle
};

class SurfaceBuilder : public BackgroundJob {
public:
    SurfaceBuilder();
    ~SurfaceBuilder();
    SurfaceBuilder(const SurfaceBuilder&) = delete;
    SurfaceBuilder& operator=(const SurfaceBuilder&) = delete;

    // 0 done, 1 cancelled, -1 out of memory; on failure the unit's parts are
    // emptied.
    int32_t MakeSurface(CKxDrawUSurfaceR* unit, bool skipNormals, bool cancelAllowed);
    // Area-weighted vertex normals; sets the unit's normalsValid on success.
    int32_t MakeNormals(CKxDrawUTriangles* unit);
};

// Commits `vertexCount` x 12 bytes of normals after a free-memory check;
// true at once for a mesh without vertices.
bool AllocVertexNormals(CKxDrawUTriangles* unit);
void FreeVertexNormals(CKxDrawUTriangles* unit);

} // namespace velmor
