#pragma once
// Voxel grids for the surface tests and a check that a mesh is a closed,
// consistently wound surface.
#include "processing/SurfaceBuilder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <utility>
#include <vector>

namespace velmor::test {

template <typename Sample> struct SurfaceGrid : SurfaceUnitState {
    std::vector<Sample> data;
    int meshBufferBuilds = 0;
    int glFrees = 0;

    SurfaceGrid(uint64_t nx, uint64_t ny, uint64_t nz, Sample fill = 0) : data(nx * ny * nz, fill)
    {
        voxels = {data.data(), nx, ny, nz, nx * ny, sizeof(Sample)};
        gridCentre[0] = nx / 2.0;
        gridCentre[1] = ny / 2.0;
        gridCentre[2] = nz / 2.0;
    }
    Sample& At(uint64_t i, uint64_t j, uint64_t k) { return data[i + j * voxels.nx + k * voxels.sliceSize]; }
    void BuildMeshBuffers() override { ++meshBufferBuilds; }
    bool FreeGLBuffers() override { ++glFrees; return true; }
    void Window(float low, float up) { borderLow = low, borderUp = up; }
};

// Every directed side is used once and its reverse once; every vertex is used.
inline ::testing::AssertionResult IsClosedSurface(const TriangleMesh& mesh)
{
    std::map<std::pair<uint32_t, uint32_t>, int> sides;
    std::vector<uint8_t> used(mesh.vertexCount, 0);
    for (uint64_t t = 0; t < mesh.triangleCount; ++t) {
        const uint32_t* v = mesh.indices + t * 3;
        for (int i = 0; i < 3; ++i) {
            if (v[i] >= mesh.vertexCount) return ::testing::AssertionFailure() << "index out of range";
            used[v[i]] = 1;
            ++sides[{v[i], v[(i + 1) % 3]}];
        }
    }
    for (const auto& [side, count] : sides) {
        if (count != 1) return ::testing::AssertionFailure() << "side used " << count << " times";
        const auto back = sides.find({side.second, side.first});
        if (back == sides.end() || back->second != 1) return ::testing::AssertionFailure() << "open side";
    }
    for (uint8_t u : used)
        if (!u) return ::testing::AssertionFailure() << "unused vertex";
    return ::testing::AssertionSuccess();
}

inline std::vector<float> Vertices(const TriangleMesh& m) { return {m.vertices, m.vertices + m.vertexCount * 3}; }
inline std::vector<uint32_t> Indices(const TriangleMesh& m) { return {m.indices, m.indices + m.triangleCount * 3}; }

} // namespace velmor::test
