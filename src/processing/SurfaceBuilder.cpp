#include "processing/SurfaceBuilder.h"

#include "platform/CheckedMath.h"
#include "platform/Memory.h"

#include <cstring>
#include <limits>
#include <new>

namespace velmor {
namespace {

// Per edge: the owning cell's offset (dx, dy) and the axis of the edge; the
// owner's dz comes from IsoEdgeSliceTable.
constexpr int kEdgeOwners[12][3] = {{0, 0, 0}, {1, 0, 1}, {0, 1, 0}, {0, 0, 1}, {0, 0, 2}, {1, 0, 2},
                                    {1, 1, 2}, {0, 1, 2}, {0, 0, 0}, {1, 0, 1}, {0, 1, 0}, {0, 0, 1}};

void ReleaseParts(std::vector<SurfacePart>& parts)
{
    for (SurfacePart& part : parts) ReleaseSurfacePart(part);
    parts.clear();
}

// Counts whose offsets the extraction cannot address are refused up front.
bool CellGridFits(const VoxelGrid& grid, uint64_t& cells)
{
    constexpr uint64_t limit = std::numeric_limits<int32_t>::max() / 4;
    if (grid.nx >= limit || grid.ny >= limit || grid.nz >= limit) return false;
    uint64_t sliceBytes;
    return CheckedMul(grid.nx + 1, grid.ny + 1, sliceBytes) && CheckedMul(sliceBytes, 12, cells) &&
           CheckedMul(sliceBytes, grid.nz + 1, cells);
}

} // namespace

SurfaceUnitState::~SurfaceUnitState()
{
    ReleaseParts(parts);
    ReleaseMesh(mesh);
}

SurfaceBuilder::SurfaceBuilder() = default;

SurfaceBuilder::~SurfaceBuilder()
{
    ReleaseWorkBuffers();
    ReleaseSurfaceNormals();
}

void SurfaceBuilder::ReleaseSurfaceNormals()
{
    ReleaseMemory(surfaceNormals, surfaceNormalCount * 12);
    surfaceNormals = nullptr;
    surfaceNormalCount = 0;
}

bool SurfaceBuilder::TakeSurfaceNormals(TriangleMesh& mesh)
{
    if (surfaceNormals == nullptr || mesh.vertexCount != surfaceNormalCount) return false;
    FreeVertexNormals(mesh);
    mesh.normals = surfaceNormals;
    mesh.normalsValid = 1;
    surfaceNormals = nullptr;
    surfaceNormalCount = 0;
    return true;
}

void SurfaceBuilder::ReleaseWorkBuffers()
{
    delete[] cornerPositions;
    cornerPositions = nullptr;
    for (uint32_t*& buffer : sliceBuffers) {
        ReleaseMemory(buffer, cellSlice * 12);
        buffer = nullptr;
    }
    ReleaseMemory(cubeIndices, cellSlice * cellsZ);
    cubeIndices = nullptr;
    ReleaseMemory(rowSpans, cellsY * cellsZ * sizeof(CellSpan));
    rowSpans = nullptr;
}

int32_t SurfaceBuilder::MakeSurface(SurfaceUnitState& unit, bool skipNormals, bool cancelAllowed)
{
    ReleaseParts(unit.parts);
    normalsWithSurface = !skipNormals;
    const int32_t r = Run(unit, cancelAllowed);
    normalsWithSurface = false;
    if (r == 0) {
        BuildMeshFromParts(unit.mesh, unit.parts.data(), unit.parts.size(), true);
        if (skipNormals) return 0;
        if (TakeSurfaceNormals(unit.mesh)) {
            unit.BuildMeshBuffers();
            return 0;
        }
        if (AllocVertexNormals(unit.mesh)) {
            MakeNormals(unit.mesh);
            unit.BuildMeshBuffers();
            return 0;
        }
        // A surface without normals would draw unlit and pass for a
        // success: drop it with its buffers and report the shortage.
        ReleaseMesh(unit.mesh);
        unit.FreeGLBuffers();
        ReleaseParts(unit.parts);
        return -1;
    }
    ReleaseParts(unit.parts);
    ReleaseSurfaceNormals();
    return r;
}

int32_t SurfaceBuilder::Run(SurfaceUnitState& unit, bool cancelAllowed)
{
    ReleaseWorkBuffers();
    ReleaseSurfaceNormals();
    surfaceUnit = &unit;
    const VoxelGrid& grid = unit.voxels;
    cellsX = grid.nx + 1;
    cellsY = grid.ny + 1;
    cellsZ = grid.nz + 1;
    cellSlice = cellsX * cellsY;
    for (int e = 0; e < 12; ++e)
        edgeOffsets[e] = int32_t((kEdgeOwners[e][1] * int64_t(cellsX) + kEdgeOwners[e][0]) * 3 + kEdgeOwners[e][2]);
    return RunWithProgress(L"make surface", cancelAllowed, 0, 100, this, SurfaceWorker);
}

uint32_t SurfaceWorker(void* param)
{
    auto& job = *static_cast<SurfaceBuilder*>(param);
    SurfaceUnitState& unit = *job.surfaceUnit;
    uint64_t cells = 0;
    const VoxelGrid& grid = unit.voxels;
    if (!CellGridFits(grid, cells) || (grid.samples == nullptr && grid.nx * grid.ny * grid.nz != 0)) return 0;
    (void)HasFreeMemory(cells);
    job.cornerPositions = new (std::nothrow) double[job.cellsX + job.cellsY + job.cellsZ];
    for (uint32_t*& buffer : job.sliceBuffers) buffer = static_cast<uint32_t*>(CommitMemory(job.cellSlice * 12));
    job.cubeIndices = static_cast<uint8_t*>(CommitMemory(cells));
    using CellSpan = SurfaceBuilder::CellSpan;
    job.rowSpans = static_cast<CellSpan*>(CommitMemory(job.cellsY * job.cellsZ * sizeof(CellSpan)));
    if (job.cornerPositions == nullptr || job.sliceBuffers[0] == nullptr || job.sliceBuffers[1] == nullptr ||
        job.cubeIndices == nullptr || job.rowSpans == nullptr || !HasFreeMemory(0))
        return 0;

    const uint64_t counts[3] = {job.cellsX, job.cellsY, job.cellsZ};
    double* position = job.cornerPositions;
    for (int axis = 0; axis < 3; ++axis)
        for (uint64_t c = 0; c < counts[axis]; ++c) *position++ = double(c) - 0.5 - unit.gridCentre[axis];

    const int32_t r = unit.voxels.bytesPerSample == 1
                          ? job.ExtractWindowSurface(static_cast<const uint8_t*>(unit.voxels.samples))
                          : job.ExtractWindowSurface(static_cast<const uint16_t*>(unit.voxels.samples));
    if (r == 0) job.ReleaseWorkBuffers();
    job.result = r;
    return 0;
}

int32_t SurfaceBuilder::MakeNormals(TriangleMesh& mesh)
{
    meshUnit = &mesh;
    RunWithProgress(L"make normal vector", false, 200, 100, this, NormalsWorker);
    if (result == 0) mesh.normalsValid = 1;
    return result;
}

uint32_t NormalsWorker(void* param)
{
    auto& job = *static_cast<SurfaceBuilder*>(param);
    TriangleMesh& mesh = *job.meshUnit;
    if (mesh.triangleCount != 0 && mesh.normals != nullptr) ComputeVertexNormals(job, mesh, job.threadCount, true);
    job.result = 0;
    return 0;
}

} // namespace velmor
