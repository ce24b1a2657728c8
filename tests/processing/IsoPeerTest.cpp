// The surface against VTK and scikit-image, through tests/processing/iso_peer_check.py.
#include "processing/SurfaceTestGrid.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

using namespace velmor;
using velmor::test::SurfaceGrid;
using velmor::test::TempDir;

namespace {

const char* const kPython = "/usr/bin/python3";

template <typename T> std::string_view Bytes(const T* data, uint64_t count)
{
    return {reinterpret_cast<const char*>(data), count * sizeof(T)};
}

// Runs the peer check on the grid's surface; skips when the peers are missing.
void CheckAgainstPeers(SurfaceGrid<uint16_t>& grid, double tolerance)
{
    if (!std::filesystem::exists(kPython)) GTEST_SKIP() << kPython << " missing";
    SurfaceBuilder builder;
    ASSERT_EQ(builder.MakeSurface(grid), 0);
    ASSERT_GT(grid.mesh.triangleCount, 0u);
    TempDir dir;
    const TriangleMesh& m = grid.mesh;
    dir.Write("volume.u16", Bytes(grid.data.data(), grid.data.size()));
    dir.Write("vertices.f32", Bytes(m.vertices, m.vertexCount * 3));
    dir.Write("indices.u32", Bytes(m.indices, m.triangleCount * 3));
    dir.Write("normals.f32", Bytes(m.normals, m.vertexCount * 3));
    const std::string command = std::string(kPython) + " " + VELMOR_TEST_SOURCE_DIR "/processing/iso_peer_check.py " +
                                dir.Path().string() + " " + std::to_string(grid.voxels.nx) + " " +
                                std::to_string(grid.voxels.ny) + " " + std::to_string(grid.voxels.nz) + " " +
                                std::to_string(grid.borderLow - 0.5) + " " + std::to_string(tolerance) + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    const int status = pclose(pipe);
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (code == 77) GTEST_SKIP() << output;
    EXPECT_EQ(code, 0) << output;
    if (code == 0) std::printf("%s", output.c_str());
}

// A sphere whose samples fall off smoothly from its centre, off every face.
SurfaceGrid<uint16_t> SpherePhantom(bool binary)
{
    SurfaceGrid<uint16_t> grid(36, 33, 30);
    const double centre[3] = {17.3, 16.1, 14.6}, radius = 10.4;
    for (uint64_t k = 0; k < 30; ++k)
        for (uint64_t j = 0; j < 33; ++j)
            for (uint64_t i = 0; i < 36; ++i) {
                const double r = std::hypot(i - centre[0], j - centre[1], k - centre[2]);
                const double s = binary ? (r < radius ? 50000 : 1000) : 40000 + 180 * (radius - r);
                grid.At(i, j, k) = uint16_t(std::lround(std::clamp(s, 0.0, 65535.0)));
            }
    // Samples above the iso-value are inside; the upper bound is out of reach.
    grid.Window(40000, 65535);
    return grid;
}

} // namespace

TEST(IsoPeers, SmoothSphereMatchesVtkAndScikitImage)
{
    auto grid = SpherePhantom(false);
    CheckAgainstPeers(grid, 1e-4);
}

TEST(IsoPeers, BinarySphereMatchesVtkAndScikitImage)
{
    auto grid = SpherePhantom(true);
    grid.Window(25000, 65535);
    CheckAgainstPeers(grid, 0.01);
}
