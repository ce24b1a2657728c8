#include "processing/SurfacePart.h"
#include "processing/TriangleMesh.h"

#include <gtest/gtest.h>

#include <vector>

using namespace velmor;

namespace {

SurfacePart HeapPart(std::vector<float> v, std::vector<uint32_t> t, int32_t group)
{
    SurfacePart p;
    p.groupIndex = group;
    p.vertexCount = v.size() / 3;
    p.triangleCount = t.size() / 3;
    p.vertices = new float[v.size()];
    p.indices = new uint32_t[t.size()];
    std::copy(v.begin(), v.end(), p.vertices);
    std::copy(t.begin(), t.end(), p.indices);
    return p;
}

} // namespace

TEST(TriangleMesh, PartsAreMergedOrAdopted)
{
    SurfacePart parts[2] = {HeapPart({0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 2}, 3),
                            HeapPart({5, 5, 5, 6, 5, 5, 5, 6, 5, 9, 9, 9}, {0, 1, 2, 1, 3, 2}, 4)};
    TriangleMesh mesh;
    ASSERT_TRUE(BuildMeshFromParts(mesh, parts, 2, false));
    EXPECT_EQ(mesh.vertexCount, 7u);
    EXPECT_EQ(mesh.triangleCount, 3u);
    EXPECT_EQ(std::vector<uint32_t>(mesh.indices, mesh.indices + 9), (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 4, 6, 5}));
    EXPECT_EQ(mesh.vertices[3 * 6], 9.0f);

    // Adoption takes the first part's arrays as they are.
    const float* first = parts[0].vertices;
    ASSERT_TRUE(BuildMeshFromParts(mesh, parts, 2, true));
    EXPECT_EQ(mesh.vertices, first);
    EXPECT_EQ(mesh.triangleCount, 1u);
    EXPECT_EQ(parts[0].vertices, nullptr);
    EXPECT_EQ(parts[0].indices, nullptr);
    EXPECT_EQ(parts[0].groupIndex, 0);

    ASSERT_TRUE(BuildMeshFromParts(mesh, parts, 0, true));
    EXPECT_EQ(mesh.vertexCount, 0u);
    EXPECT_EQ(mesh.vertices, nullptr);
    ReleaseSurfacePart(parts[1]);
}

TEST(TriangleMesh, OnlyAClosedSurfaceWoundOneWayEnclosesAVolume)
{
    // A tetrahedron wound inside out, its faces' corners apart as STL files hold them, one at -0.
    std::vector<float> v = {-0.0f, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1,
                            0,     0, 0, 0, 0, 1, 0, 1, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::vector<uint32_t> t = {2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9};
    TriangleMesh m{.vertexCount = 12, .triangleCount = 4, .vertices = v.data(), .indices = t.data()};
    EXPECT_TRUE(EnclosesVolume(m));
    std::swap(t[0], t[1]);   // one face wound against the others
    EXPECT_FALSE(EnclosesVolume(m));

    // Its four corners shared, as triangle-index files hold them; without a face, an open sheet. Asked for
    // through the mesh, the answer is kept until a load makes it undecided again.
    std::vector<float> shared = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::vector<uint32_t> faces = {0, 1, 2, 0, 3, 1, 0, 2, 3, 1, 3, 2};
    TriangleMesh s{.vertexCount = 4, .triangleCount = 4, .vertices = shared.data(), .indices = faces.data(),
                   .closure = MeshClosure::kUndecided};
    EXPECT_TRUE(Encloses(s));
    s.triangleCount = 3;
    EXPECT_TRUE(Encloses(s));
    s.closure = MeshClosure::kUndecided;
    EXPECT_FALSE(Encloses(s));
    EXPECT_EQ(s.closure, MeshClosure::kOpen);
}
