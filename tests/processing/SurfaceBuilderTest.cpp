#include "processing/SurfaceBuilder.h"
#include "processing/SurfaceTestGrid.h"

#include "platform/Memory.h"
#include "support/RecordingJobHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <thread>

using namespace velmor;
using velmor::test::IsClosedSurface;
using velmor::test::RecordingJobHost;
using velmor::test::SurfaceGrid;
using Kind = ProgressMessage::Kind;

namespace {

template <typename Sample> int32_t Make(SurfaceGrid<Sample>& grid, unsigned threads = 1)
{
    SurfaceBuilder builder;
    builder.threadCount = threads;
    return builder.MakeSurface(grid);
}

// Finds the vertex at (x, y, z) within 1e-6 where NaN leaves an axis free.
bool HasVertexNear(const TriangleMesh& m, float x, float y, float z)
{
    for (uint64_t v = 0; v < m.vertexCount; ++v) {
        const float* p = m.vertices + v * 3;
        const float want[3] = {x, y, z};
        bool all = true;
        for (int k = 0; k < 3; ++k) all = all && (std::isnan(want[k]) || std::fabs(p[k] - want[k]) < 1e-6f);
        if (all) return true;
    }
    return false;
}

// Cancels the job at the n-th progress step it posts.
class CancellingHost final : public JobHost {
public:
    explicit CancellingHost(int atStep) : atStep_(atStep), previous_(SetJobHost(this)) {}
    ~CancellingHost() override { SetJobHost(previous_); }
    void Run(BackgroundJob& job, const std::function<void()>& work) override
    {
        job_ = &job;
        std::thread(work).join();
    }
    void Post(const ProgressMessage& m) override
    {
        if (m.kind == Kind::Step && ++steps_ == atStep_) job_->cancelled = true;
    }

private:
    int atStep_;
    int steps_ = 0;
    BackgroundJob* job_ = nullptr;
    JobHost* previous_;
};

constexpr float kFree = std::numeric_limits<float>::quiet_NaN();

} // namespace

TEST(SurfaceBuilder, EmptyWindowGivesAnEmptyMeshAndSuccess)
{
    RecordingJobHost host;
    SurfaceGrid<uint8_t> grid(4, 4, 4, 10);
    grid.Window(100, 200);
    EXPECT_EQ(Make(grid), 0);
    EXPECT_TRUE(grid.parts.empty());
    EXPECT_EQ(grid.mesh.vertexCount, 0u);
    EXPECT_EQ(grid.mesh.normals, nullptr);
    EXPECT_EQ(grid.mesh.normalsValid, 1);
    EXPECT_EQ(grid.meshBufferBuilds, 1);
}

TEST(SurfaceBuilder, OneVoxelIsAClosedOctahedron)
{
    SurfaceGrid<uint8_t> grid(3, 3, 3, 0);
    grid.At(1, 1, 1) = 150;
    grid.Window(100, 200);
    ASSERT_EQ(Make(grid), 0);
    EXPECT_EQ(grid.mesh.vertexCount, 6u);
    EXPECT_EQ(grid.mesh.triangleCount, 8u);
    EXPECT_TRUE(IsClosedSurface(grid.mesh));
    EXPECT_EQ(grid.mesh.normalsValid, 1);
    ASSERT_EQ(grid.parts.size(), 1u);
    EXPECT_EQ(grid.parts[0].vertices, nullptr);   // handed to the mesh

    // A 1x1x1 grid: the vertices sit on the faces of the box.
    SurfaceGrid<uint8_t> one(1, 1, 1, 150);
    one.Window(100, 200);
    ASSERT_EQ(Make(one), 0);
    EXPECT_EQ(one.mesh.vertexCount, 6u);
    EXPECT_EQ(one.mesh.triangleCount, 8u);
    // In emission order: the z-edge of slice 0, then slice 1 cell by cell
    // (x before y), then its z-edges.
    const std::vector<float> order = {0, 0, -0.5f, 0, -0.5f, 0, -0.5f, 0, 0, 0.5f, 0, 0, 0, 0.5f, 0, 0, 0, 0.5f};
    EXPECT_EQ(velmor::test::Vertices(one.mesh), order);
}

TEST(SurfaceBuilder, FullGridsAndThinSlabsCloseAtTheVolumeFaces)
{
    struct Case { uint64_t nx, ny, nz; };
    for (const Case c : {Case{4, 3, 2}, Case{5, 4, 1}, Case{1, 6, 1}}) {
        SurfaceGrid<uint16_t> grid(c.nx, c.ny, c.nz, 150);
        grid.Window(100, 200);
        ASSERT_EQ(Make(grid), 0);
        const uint64_t faces = 2 * (c.nx * c.ny + c.ny * c.nz + c.nx * c.nz);
        EXPECT_EQ(grid.mesh.vertexCount, faces);
        EXPECT_EQ(grid.mesh.triangleCount, 2 * faces - 4);   // a closed sphere
        EXPECT_TRUE(IsClosedSurface(grid.mesh));
        const double half[3] = {c.nx / 2.0, c.ny / 2.0, c.nz / 2.0};
        for (uint64_t v = 0; v < grid.mesh.vertexCount; ++v) {
            int onFace = 0;
            for (int k = 0; k < 3; ++k) {
                const double p = grid.mesh.vertices[v * 3 + k];
                if (std::fabs(std::fabs(p) - half[k]) < 1e-6) ++onFace;
                else EXPECT_NEAR(p + half[k] - 0.5, std::round(p + half[k] - 0.5), 1e-6);   // a voxel centre
            }
            EXPECT_EQ(onFace, 1);
        }
    }
}

TEST(SurfaceBuilder, WindowBoundsAreInclusive)
{
    SurfaceGrid<uint8_t> grid(4, 1, 1);
    const uint8_t row[4] = {99, 100, 200, 201};
    for (int i = 0; i < 4; ++i) grid.At(i, 0, 0) = row[i];
    grid.Window(100, 200);
    ASSERT_EQ(Make(grid), 0);
    EXPECT_EQ(grid.mesh.vertexCount, 10u);   // the box of voxels 1 and 2
    EXPECT_EQ(grid.mesh.triangleCount, 16u);
}

TEST(SurfaceBuilder, VerticesSitWhereTheSamplesCrossTheWindow)
{
    struct Case { uint16_t s0, s1; float low, up, x; };
    const Case cases[] = {
        {50, 150, 100, 200, -0.5f + 0.495f},       // crosses the low bound
        {150, 250, 100, 200, -0.5f + 0.505f},      // the first formula is negative: the high bound
        {0, 65535, 1, 65535, -0.5f + 0.001f},      // never closer than 0.001 to a voxel
        {0, 65535, 0, 65534, -0.5f + 0.999f},
    };
    for (const Case& c : cases) {
        SurfaceGrid<uint16_t> grid(2, 1, 1);
        grid.At(0, 0, 0) = c.s0;
        grid.At(1, 0, 0) = c.s1;
        grid.Window(c.low, c.up);
        ASSERT_EQ(Make(grid), 0);
        EXPECT_TRUE(HasVertexNear(grid.mesh, c.x, 0, 0)) << c.s0 << " " << c.s1;
        EXPECT_TRUE(IsClosedSurface(grid.mesh));
    }
}

TEST(SurfaceBuilder, SixteenBitSamplesCompareUnsigned)
{
    SurfaceGrid<uint16_t> grid(3, 3, 3, 20000);
    grid.At(1, 1, 1) = 45000;
    grid.Window(40000, 50000);
    ASSERT_EQ(Make(grid), 0);
    EXPECT_EQ(grid.mesh.triangleCount, 8u);
    EXPECT_TRUE(HasVertexNear(grid.mesh, kFree, 0, 0));
}

// The surface of any voxel set is closed, edge-manifold and consistently
// wound, and the same mesh comes out whatever the thread count.
TEST(SurfaceBuilder, RandomVolumesGiveClosedSurfacesIndependentOfThreads)
{
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        const uint64_t nx = 1 + random() % 9, ny = 1 + random() % 8, nz = 1 + random() % 10;
        SurfaceGrid<uint8_t> grid(nx, ny, nz);
        const unsigned density = random() % 256;
        for (auto& s : grid.data) s = uint8_t(random() % 256 < density ? 100 + random() % 60 : random() % 256);
        grid.Window(100, 159);
        ASSERT_EQ(Make(grid, 1), 0);
        EXPECT_TRUE(IsClosedSurface(grid.mesh)) << "round " << round;

        SurfaceGrid<uint8_t> again(nx, ny, nz);
        again.data = grid.data;
        again.voxels.samples = again.data.data();
        again.Window(100, 159);
        ASSERT_EQ(Make(again, 1 + round % 7), 0);
        EXPECT_EQ(velmor::test::Vertices(again.mesh), velmor::test::Vertices(grid.mesh));
        EXPECT_EQ(velmor::test::Indices(again.mesh), velmor::test::Indices(grid.mesh));
    }
}

TEST(SurfaceBuilder, ProgressAndCaption)
{
    RecordingJobHost host;
    SurfaceGrid<uint8_t> grid(5, 5, 9, 150);
    grid.Window(100, 200);
    SurfaceBuilder builder;
    builder.threadCount = 3;
    ASSERT_EQ(builder.Run(grid), 0);
    EXPECT_EQ(ProgressCaption(), L"make surface");
    EXPECT_TRUE(CancelAllowed());
    const auto m = host.Messages();
    ASSERT_GE(m.size(), 2u);
    EXPECT_EQ(m.front().kind, Kind::Start);
    EXPECT_EQ(m.front().b, 100);
    EXPECT_EQ(m.back().kind, Kind::End);
    int64_t total = 0;
    for (const auto& msg : m)
        if (msg.kind == Kind::Step) total += msg.a;
    EXPECT_GE(total, 99);
    EXPECT_LE(total, 100);
    ReleaseSurfacePart(grid.parts[0]);
}

TEST(SurfaceBuilder, NormalsAndCancelCanBeLeftOut)
{
    RecordingJobHost host;
    SurfaceGrid<uint8_t> grid(3, 3, 3, 0);
    grid.At(1, 1, 1) = 150;
    grid.Window(100, 200);
    SurfaceBuilder builder;
    ASSERT_EQ(builder.MakeSurface(grid, true, false), 0);
    EXPECT_FALSE(CancelAllowed());
    EXPECT_EQ(grid.mesh.triangleCount, 8u);
    EXPECT_EQ(grid.mesh.normals, nullptr);
    EXPECT_EQ(grid.mesh.normalsValid, 0);
    EXPECT_EQ(grid.meshBufferBuilds, 0);
}

TEST(SurfaceBuilder, CancelKeepsThePreviousMesh)
{
    SurfaceGrid<uint8_t> grid(6, 6, 9, 0);
    grid.At(2, 2, 2) = 150;
    grid.Window(100, 200);
    ASSERT_EQ(Make(grid), 0);
    const float* kept = grid.mesh.vertices;
    grid.data.assign(grid.data.size(), 150);
    for (int at : {1, 2, 5}) {   // before the first slice, at slice 1, at slice 4
        CancellingHost host(at);
        EXPECT_EQ(Make(grid), 1) << at;
        EXPECT_TRUE(grid.parts.empty());
        EXPECT_EQ(grid.mesh.vertices, kept);
        EXPECT_EQ(grid.mesh.triangleCount, 8u);
    }
}

TEST(SurfaceBuilder, MemoryShortagesFailWithoutHalfBuiltMeshes)
{
    SurfaceGrid<uint8_t> grid(3, 3, 3, 0);
    grid.At(1, 1, 1) = 150;
    grid.Window(100, 200);
    ASSERT_EQ(Make(grid), 0);
    const float* kept = grid.mesh.vertices;

    // Work buffers that cannot be had (or addressed): the old mesh stays.
    SurfaceGrid<uint8_t> huge(1, 1, 1);
    huge.mesh = grid.mesh;
    for (uint64_t n : {uint64_t(1) << 20, uint64_t(1) << 22, uint64_t(1) << 40}) {
        huge.voxels.nx = huge.voxels.ny = huge.voxels.nz = n;
        EXPECT_EQ(Make(huge), -1);
        EXPECT_EQ(huge.mesh.vertices, kept);
        EXPECT_TRUE(huge.parts.empty());
    }
    huge.voxels = {nullptr, 4, 4, 4, 16, 1};   // a grid whose samples never came
    EXPECT_EQ(Make(huge), -1);
    EXPECT_EQ(huge.mesh.vertices, kept);
    huge.mesh = TriangleMesh{};

    // Normals that cannot be had after a good extraction: no mesh, no buffers.
    SetMemoryStatusSource([] { return MemoryStatus{10, 0}; });
    grid.meshBufferBuilds = 0;
    EXPECT_EQ(Make(grid), -1);
    SetMemoryStatusSource({});
    EXPECT_EQ(grid.mesh.vertices, nullptr);
    EXPECT_EQ(grid.mesh.vertexCount, 0u);
    EXPECT_EQ(grid.glFrees, 1);
    EXPECT_EQ(grid.meshBufferBuilds, 0);
    EXPECT_TRUE(grid.parts.empty());
}

TEST(SurfaceBuilder, VerticesBeyond32BitNumbersAreAMemoryError)
{
    SurfaceBuilder builder;
    builder.sliceVertices = {uint64_t(1) << 31, uint64_t(1) << 31};
    builder.sliceTriangles = {1, 1};
    builder.z0 = 0;
    builder.z1 = 2;
    SurfacePart part;
    EXPECT_EQ(builder.CountIsoVertices(part), -1);
    EXPECT_EQ(part.vertices, nullptr);
    EXPECT_EQ(part.indices, nullptr);
}

namespace {

// FNV-1a over the counts and every array of a mesh.
uint64_t MeshHash(const TriangleMesh& m)
{
    uint64_t h = 1469598103934665603ull;
    auto add = [&h](const void* data, uint64_t bytes) {
        const auto* b = static_cast<const uint8_t*>(data);
        for (uint64_t i = 0; i < bytes; ++i) h = (h ^ b[i]) * 1099511628211ull;
    };
    add(&m.vertexCount, 8);
    add(&m.triangleCount, 8);
    add(m.vertices, m.vertexCount * 12);
    add(m.indices, m.triangleCount * 12);
    add(m.normals, m.vertexCount * 12);
    return h;
}

// Integer-only volumes, so that every build machine makes the same samples.
struct Noise {
    uint32_t state;
    uint32_t operator()()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
};

// A body of soft tissue with a bone shell, marrow, an air pocket and noise.
SurfaceGrid<uint16_t> CtPhantom()
{
    SurfaceGrid<uint16_t> g(77, 61, 45);
    Noise noise{12345};
    for (int64_t k = 0; k < 45; ++k)
        for (int64_t j = 0; j < 61; ++j)
            for (int64_t i = 0; i < 77; ++i) {
                const int64_t x = i - 38, y = j - 30, z = k - 22;
                const int64_t body = x * x * 100 / (34 * 34) + y * y * 100 / (27 * 27) + z * z * 100 / (20 * 20);   // 100 at the skin
                const int64_t bx = x - 8, by = y + 4;
                const int64_t bone = bx * bx + by * by * 100 / 81 + z * z * 100 / 256;
                const int64_t air = (x + 14) * (x + 14) + y * y + (z - 3) * (z - 3);
                int64_t v = 20;
                if (body < 100) v = 1000;
                if (bone < 100) v = bone < 45 ? 1150 : 1800;
                if (air < 36) v = 120;
                g.At(i, j, k) = uint16_t(v + int64_t(noise() % 61) - 30 + (v > 20 ? 0 : 30));
            }
    return g;
}

} // namespace

// The meshes (vertices, triangles and normals) of a few volumes, recorded
// once: faster extraction must not move a single bit, on any thread count.
TEST(SurfaceBuilder, MeshesStayAsRecordedOnAnyThreadCount)
{
    std::vector<std::pair<std::string, std::function<std::unique_ptr<SurfaceUnitState>()>>> cases;
    cases.emplace_back("ct bone", [] {
        auto g = std::make_unique<SurfaceGrid<uint16_t>>(CtPhantom());
        g->voxels.samples = g->data.data();
        g->Window(1300, 65535);
        return std::unique_ptr<SurfaceUnitState>(std::move(g));
    });
    cases.emplace_back("ct skin", [] {
        auto g = std::make_unique<SurfaceGrid<uint16_t>>(CtPhantom());
        g->voxels.samples = g->data.data();
        g->Window(500, 1500);
        return std::unique_ptr<SurfaceUnitState>(std::move(g));
    });
    cases.emplace_back("8-bit noise", [] {
        auto g = std::make_unique<SurfaceGrid<uint8_t>>(33, 29, 31);
        Noise noise{777};
        for (auto& s : g->data) s = uint8_t(noise() >> 24);
        g->Window(100, 159);
        return std::unique_ptr<SurfaceUnitState>(std::move(g));
    });
    cases.emplace_back("empty slabs", [] {
        auto g = std::make_unique<SurfaceGrid<uint8_t>>(70, 66, 50);
        for (int64_t k = 18; k < 32; ++k)
            for (int64_t j = 0; j < 66; ++j)
                for (int64_t i = 0; i < 70; ++i) {
                    const int64_t d = (i - 35) * (i - 35) + (j - 30) * (j - 30) + (k - 25) * (k - 25) * 4;
                    g->At(i, j, k) = uint8_t(d < 400 ? 200 : d < 500 ? 60 : 0);
                }
        for (int64_t i = 0; i < 70; ++i) g->At(i, 65, 40) = 255;   // a row that touches two faces
        g->At(3, 4, 47) = 90;
        g->Window(50, 255);
        return std::unique_ptr<SurfaceUnitState>(std::move(g));
    });
    cases.emplace_back("16-bit ramps", [] {
        auto g = std::make_unique<SurfaceGrid<uint16_t>>(41, 37, 23);
        for (int64_t k = 0; k < 23; ++k)
            for (int64_t j = 0; j < 37; ++j)
                for (int64_t i = 0; i < 41; ++i) g->At(i, j, k) = uint16_t((i * 997 + j * 577 + k * 313) * 7);
        g->Window(30000, 50000);
        return std::unique_ptr<SurfaceUnitState>(std::move(g));
    });
    const uint64_t recorded[] = {0x91891f94f5edcffc, 0x657aa246b8cd41eb, 0xa4ceaab26f467c09, 0xfdd2e3f1d63387d6,
                                 0x3b8a995d235b898a};
    for (size_t c = 0; c < cases.size(); ++c) {
        for (unsigned threads : {1u, 0u, 2u, 3u, 5u, 8u, 13u}) {
            auto unit = cases[c].second();
            SurfaceBuilder builder;
            builder.threadCount = threads;
            ASSERT_EQ(builder.MakeSurface(*unit), 0);
            EXPECT_EQ(MeshHash(unit->mesh), recorded[c]) << cases[c].first << " on " << threads << " threads, "
                                                         << std::hex << MeshHash(unit->mesh);
        }
    }
}
