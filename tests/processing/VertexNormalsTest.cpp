#include "processing/SurfaceBuilder.h"

#include "platform/Memory.h"
#include "support/RecordingJobHost.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace velmor;
using velmor::test::RecordingJobHost;

namespace {

// A mesh over caller-owned arrays; the normals come from AllocVertexNormals.
struct Mesh {
    std::vector<float> vertices;
    std::vector<uint32_t> indices;
    TriangleMesh mesh;

    Mesh(std::vector<float> v, std::vector<uint32_t> i) : vertices(std::move(v)), indices(std::move(i))
    {
        mesh.vertexCount = vertices.size() / 3;
        mesh.triangleCount = indices.size() / 3;
        mesh.vertices = vertices.data();
        mesh.indices = indices.data();
    }
    ~Mesh() { FreeVertexNormals(mesh); }
    int32_t Normals()
    {
        SurfaceBuilder builder;
        EXPECT_TRUE(AllocVertexNormals(mesh));
        return builder.MakeNormals(mesh);
    }
    std::vector<float> Normal(uint64_t v) const { return {mesh.normals + v * 3, mesh.normals + v * 3 + 3}; }
};

using N = std::vector<float>;

} // namespace

TEST(VertexNormals, AreUnnormalisedAreaWeightedSums)
{
    RecordingJobHost host;
    Mesh one({0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 2});
    EXPECT_EQ(one.Normals(), 0);
    EXPECT_EQ(one.mesh.normalsValid, 1);
    for (int v = 0; v < 3; ++v) EXPECT_EQ(one.Normal(v), (N{0, 0, 1}));
    EXPECT_EQ(ProgressCaption(), L"make normal vector");
    EXPECT_FALSE(CancelAllowed());
    EXPECT_EQ(host.Messages().front().a, 200);

    // Shared vertex 0: a triangle in z = 0 of area 1 and one in x = 0 of area 0.5.
    Mesh two({0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1}, {0, 1, 2, 0, 2, 3});
    two.Normals();
    EXPECT_EQ(two.Normal(0), (N{1, 0, 2}));
    EXPECT_EQ(two.Normal(1), (N{0, 0, 2}));
    EXPECT_EQ(two.Normal(3), (N{1, 0, 0}));
}

TEST(VertexNormals, DegenerateUnusedAndBadTrianglesAddNothing)
{
    Mesh m({0, 0, 0, 1, 0, 0, 0, 1, 0, 5, 5, 5}, {0, 0, 1, 0, 1, 2, 0, 1, 99, 4000000000u, 1, 2});
    EXPECT_EQ(m.Normals(), 0);
    EXPECT_EQ(m.Normal(0), (N{0, 0, 1}));
    EXPECT_EQ(m.Normal(3), (N{0, 0, 0}));   // used by no triangle
}

TEST(VertexNormals, MeshesWithoutTrianglesOrVertices)
{
    Mesh points({1, 2, 3, 4, 5, 6}, {});
    EXPECT_EQ(points.Normals(), 0);
    ASSERT_NE(points.mesh.normals, nullptr);
    EXPECT_EQ(points.Normal(1), (N{0, 0, 0}));
    EXPECT_EQ(points.mesh.normalsValid, 1);

    Mesh empty({}, {});
    EXPECT_EQ(empty.Normals(), 0);
    EXPECT_EQ(empty.mesh.normals, nullptr);
    EXPECT_EQ(empty.mesh.normalsValid, 1);

    FreeVertexNormals(points.mesh);
    EXPECT_EQ(points.mesh.normals, nullptr);
    EXPECT_EQ(points.mesh.normalsValid, 0);
}

TEST(VertexNormals, ShortMemoryRefusesTheArray)
{
    Mesh m({0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 2});
    SetMemoryStatusSource([] { return MemoryStatus{10, 0}; });
    EXPECT_FALSE(AllocVertexNormals(m.mesh));
    SetMemoryStatusSource({});
    EXPECT_EQ(m.mesh.normals, nullptr);
}

TEST(VertexNormals, SumsDoNotDependOnTheThreadCount)
{
    std::mt19937 random(3);
    std::vector<float> vertices(3 * 5000);
    for (float& v : vertices) v = float(random() % 1000) / 7.0f;
    std::vector<uint32_t> indices(3 * 30000);
    for (size_t i = 0; i < indices.size(); ++i)   // mostly local, some anywhere, a few bad
        indices[i] = i % 97 == 0 ? uint32_t(random()) : i % 5 == 0 ? uint32_t(random() % 5000) : uint32_t(i / 18 + random() % 7);
    std::vector<std::vector<float>> results;
    for (unsigned threads : {1u, 2u, 3u, 8u}) {
        Mesh m(vertices, indices);
        ASSERT_TRUE(AllocVertexNormals(m.mesh));
        RecordingJobHost host;
        BackgroundJob job;
        job.progressWindow = &host;
        ComputeVertexNormals(job, m.mesh, threads, true);
        int64_t steps = 0;
        for (const auto& msg : host.Messages())
            if (msg.kind == ProgressMessage::Kind::Step) steps += msg.a;
        EXPECT_GE(steps, 99);
        EXPECT_LE(steps, 100);
        results.emplace_back(m.mesh.normals, m.mesh.normals + m.mesh.vertexCount * 3);
    }
    for (const auto& r : results) EXPECT_EQ(r, results.front());
}
