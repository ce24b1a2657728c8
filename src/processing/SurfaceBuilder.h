#pragma once
// Iso-surfaces of voxel volumes by marching cubes, and area-weighted vertex
// normals of meshes, both as background jobs.
//
// The cell grid reaches one cell beyond the volume on every side, so the
// surface is closed where selected voxels touch the faces of the volume.
// Every crossed cell edge gets exactly one vertex; the arrays are counted
// before they are allocated, so nothing is reallocated.
#include "processing/SurfacePart.h"
#include "processing/TriangleMesh.h"
#include "processing/VertexNormals.h"
#include "processing/VoxelGrid.h"
#include "scene/BackgroundJob.h"

#include <cstdint>
#include <mutex>
#include <vector>

namespace velmor {

// What the builder reads and writes of a surface unit. The unit keeps its
// GL buffers itself: the two hooks run on the UI thread.
struct SurfaceUnitState {
    virtual ~SurfaceUnitState();
    virtual void BuildMeshBuffers() {}
    virtual bool FreeGLBuffers() { return false; }

    VoxelGrid voxels;
    float borderLow = -100000.0f;    // stored sample units
    float borderUp = -100000.0f;
    double gridCentre[3] = {0, 0, 0};   // nx / 2, ny / 2, nz / 2
    std::vector<SurfacePart> parts;
    TriangleMesh mesh;
};

class SurfaceBuilder : public BackgroundJob {
public:
    SurfaceBuilder();
    ~SurfaceBuilder();
    SurfaceBuilder(const SurfaceBuilder&) = delete;
    SurfaceBuilder& operator=(const SurfaceBuilder&) = delete;

    // 0 on success, 1 when the user cancelled, -1 on a memory error. With
    // `skipNormals` the new mesh gets neither normals nor GL buffers.
    int32_t MakeSurface(SurfaceUnitState& unit, bool skipNormals = false, bool cancelAllowed = true);
    int32_t Run(SurfaceUnitState& unit, bool cancelAllowed = true);
    // Always 0; sets the normals-valid flag.
    int32_t MakeNormals(TriangleMesh& mesh);

    // 0 done (an empty surface adds no part), 1 cancelled, -1 no memory.
    int32_t ExtractWindowSurface(const uint8_t* samples);
    int32_t ExtractWindowSurface(const uint16_t* samples);
    void MarkCubeCorners(const uint8_t* samples, uint8_t* cubeIndices);
    void MarkCubeCorners(const uint16_t* samples, uint8_t* cubeIndices);
    // 0 with the arrays allocated, 2 for no triangle, -1 when memory fails
    // (or the vertices could not be numbered in 32 bits).
    int32_t CountIsoVertices(SurfacePart& part);
    // 0 done, 1 cancelled.
    int32_t BuildIsoTriangles(const uint8_t* samples, SurfacePart& part, float share);
    int32_t BuildIsoTriangles(const uint16_t* samples, SurfacePart& part, float share);

    int32_t edgeOffsets[12] = {};
    uint64_t cellsX = 0, cellsY = 0, cellsZ = 0;
    uint64_t cellSlice = 0;
    int32_t x0 = 0, x1 = 0, y0 = 0, y1 = 0, z0 = 0, z1 = 0;
    double* cornerPositions = nullptr;      // x, then y, then z runs
    uint32_t* sliceBuffers[2] = {nullptr, nullptr};
    // The cube indices of the cells that the spans below cover, packed from
    // the start in no particular order of slices: only those are ever read,
    // and the rest of the grid is never touched.
    uint8_t* cubeIndices = nullptr;
    // Per row of cells (cz * cellsY + cy): the first cell whose cube index is
    // neither 0 nor 255 and one past the last (0, 0 for none), where the
    // cube indices of those cells start in cubeIndices, and how many x- and
    // y-edge and z-edge vertices the row owns.
    struct CellSpan {
        uint32_t first = 0, end = 0;
        uint64_t at = 0;
        uint32_t xyVertices = 0, zVertices = 0;
    };
    CellSpan* rowSpans = nullptr;
    SurfaceUnitState* surfaceUnit = nullptr;
    TriangleMesh* meshUnit = nullptr;
    // Threads the extraction and the normals split over (0: one per core).
    // The mesh and the normals are the same whatever the count.
    unsigned threadCount = 0;
    // Set by MakeSurface when the mesh needs normals: they are then summed
    // while the triangles are built, in the same order as MakeNormals sums
    // them, and handed to the mesh with the surface.
    bool normalsWithSurface = false;
    float* surfaceNormals = nullptr;
    uint64_t surfaceNormalCount = 0;

    // Per slice of cells: the vertices it owns and the triangles it emits,
    // filled by MarkCubeCorners.
    std::vector<uint64_t> sliceVertices;
    std::vector<uint64_t> sliceTriangles;

    void ReleaseWorkBuffers();

private:
    template <typename Sample> int32_t Extract(const Sample* samples);
    template <typename Sample> void Mark(const Sample* samples, uint8_t* cubes);
    template <typename Sample> int32_t Build(const Sample* samples, SurfacePart& part, float share);
    unsigned SlabCount() const;
    unsigned PieceCount(unsigned workers) const;
    void ReleaseSurfaceNormals();
    bool TakeSurfaceNormals(TriangleMesh& mesh);
    // Posts one slice's progress from any slab; true when cancelled.
    bool StepSlice(double step);
    std::mutex progressMutex_;
};

uint32_t SurfaceWorker(void* builder);
uint32_t NormalsWorker(void* builder);

} // namespace velmor
