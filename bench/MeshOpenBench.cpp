// Opening a mesh of 2 million triangles from its files, as a binary STL and
// as a triangle index (binary coordinates and indices), and what the first
// shadowed draw adds: deciding whether a mesh of 10 million triangles is
// closed. Each mesh is a torus, closed and wound one way. CPU time is that of
// the whole process, helper threads included.
#include "platform/MessageSink.h"
#include "processing/TriangleMesh.h"
#include "scene/CVelmorDoc.h"
#include "scene/DataObject.h"
#include "support/TempDir.h"
#include "units/CKxDrawUSTL.h"
#include "units/CKxDrawUTriIndex.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace velmor;

namespace {

constexpr uint64_t kOpenRings = 1000;      // 1000 x 1000 quads: 2 million triangles
constexpr uint64_t kClosureRings = 2500;   // 2500 x 2000 quads: 10 million triangles

// A torus of `rings` x `segments` quads, two triangles each.
struct Torus {
    std::vector<float> vertices;
    std::vector<uint32_t> indices;
    Torus(uint64_t rings, uint64_t segments)
    {
        const double pi = std::acos(-1.0);
        for (uint64_t i = 0; i < rings; ++i)
            for (uint64_t j = 0; j < segments; ++j) {
                const double a = 2 * pi * double(i) / double(rings), b = 2 * pi * double(j) / double(segments);
                const double r = 1.0 + 0.3 * std::cos(b);
                for (double c : {r * std::cos(a), r * std::sin(a), 0.3 * std::sin(b)}) vertices.push_back(float(c));
            }
        for (uint64_t i = 0; i < rings; ++i)
            for (uint64_t j = 0; j < segments; ++j) {
                const auto at = [&](uint64_t di, uint64_t dj) {
                    return uint32_t((i + di) % rings * segments + (j + dj) % segments);
                };
                for (uint32_t v : {at(0, 0), at(1, 0), at(1, 1), at(0, 0), at(1, 1), at(0, 1)}) indices.push_back(v);
            }
    }
    // Every triangle with corners of its own, as STL facets hold them.
    std::vector<float> Corners() const
    {
        std::vector<float> corners;
        corners.reserve(indices.size() * 3);
        for (uint32_t i : indices) corners.insert(corners.end(), &vertices[i * 3], &vertices[i * 3 + 3]);
        return corners;
    }
};

std::string BinaryStl(const std::vector<float>& corners)
{
    const uint32_t facets = uint32_t(corners.size() / 9);
    std::string bytes(80, '\0');
    bytes.append(reinterpret_cast<const char*>(&facets), 4);
    const float normal[3] = {0, 0, 0};
    const uint16_t attributes = 0;
    for (uint32_t f = 0; f < facets; ++f) {
        bytes.append(reinterpret_cast<const char*>(normal), 12);
        bytes.append(reinterpret_cast<const char*>(&corners[f * 9]), 36);
        bytes.append(reinterpret_cast<const char*>(&attributes), 2);
    }
    return bytes;
}

template <typename T>
std::string_view Bytes(const std::vector<T>& values)
{
    return {reinterpret_cast<const char*>(values.data()), values.size() * sizeof(T)};
}

class Quiet final : public MessageSink {
    void Show(const std::wstring&) override {}
};

// The torus's files, written once for all runs.
struct MeshFiles {
    test::TempDir dir;
    uint64_t vertices = 0, triangles = 0;
    MeshFiles()
    {
        const Torus torus(kOpenRings, kOpenRings);
        vertices = torus.vertices.size() / 3;
        triangles = torus.indices.size() / 3;
        dir.Write("torus.stl", BinaryStl(torus.Corners()));
        dir.Write("torus.xyz", Bytes(torus.vertices));
        dir.Write("torus.idx", Bytes(torus.indices));
    }
};

const MeshFiles& Files()
{
    static const MeshFiles files;
    return files;
}

void Describe(DataObject& d, const wchar_t* type, const wchar_t* format, uint64_t elements, const wchar_t* path)
{
    d.type = type;
    d.format = format;
    d.elementCount = elements;
    d.sourceType = L"bin";
    d.sourcePath = path;
}

struct StlMesh {
    DataObject facets{L"stl"};
    CKxDrawUSTL unit{nullptr};
    StlMesh()
    {
        facets.type = L"STL";
        facets.format = L"float";
        facets.sourcePath = L"torus.stl";
        unit.data = &facets;
    }
};

struct TriangleIndexMesh {
    DataObject coordinates{L"xyz"}, indices{L"idx"};
    CKxDrawUTriIndex unit{nullptr, L""};
    TriangleIndexMesh()
    {
        Describe(coordinates, L"array_xyz", L"float", Files().vertices, L"torus.xyz");
        Describe(indices, L"array_index", L"uint", Files().triangles * 3, L"torus.idx");
        unit.data = &coordinates;
        unit.indexData = &indices;
    }
};

// Each run opens the mesh afresh from its files; giving it back is not timed.
template <typename Mesh>
void OpenMesh(benchmark::State& state)
{
    const MeshFiles& files = Files();
    Quiet quiet;
    MessageSink* previous = SetMessageSink(&quiet);
    const std::wstring folder = SceneFolder;
    SceneFolder = files.dir.WidePath("");
    for (auto _ : state) {
        state.PauseTiming();
        auto mesh = std::make_unique<Mesh>();
        state.ResumeTiming();
        mesh->unit.Load();
        state.PauseTiming();
        if (!mesh->unit.valid || mesh->unit.mesh.triangleCount != files.triangles) {
            state.SkipWithError("mesh did not open");
            break;
        }
        mesh->unit.Release();
        mesh.reset();
        state.ResumeTiming();
    }
    SceneFolder = folder;
    SetMessageSink(previous);
    state.SetItemsProcessed(int64_t(state.iterations() * files.triangles));
}

void BM_OpenStl(benchmark::State& state) { OpenMesh<StlMesh>(state); }
void BM_OpenTriangleIndex(benchmark::State& state) { OpenMesh<TriangleIndexMesh>(state); }

// The closedness decision that the first shadowed draw of a mesh makes, for
// a mesh whose vertices triangles share (a triangle index) or whose facets
// each have corners of their own (STL).
void BM_FirstShadowClosure(benchmark::State& state)
{
    const bool stl = state.range(0) != 0;
    Torus torus(kClosureRings, kClosureRings * 4 / 5);
    if (stl) {
        torus.vertices = torus.Corners();
        for (uint32_t i = 0; i < torus.indices.size(); ++i) torus.indices[i] = i;
    }
    TriangleMesh mesh{.vertexCount = torus.vertices.size() / 3,
                      .triangleCount = torus.indices.size() / 3,
                      .vertices = torus.vertices.data(),
                      .indices = torus.indices.data()};
    for (auto _ : state)
        if (!EnclosesVolume(mesh)) state.SkipWithError("the torus is closed");
    state.SetLabel(stl ? "STL" : "triangle index");
    state.SetItemsProcessed(int64_t(state.iterations() * mesh.triangleCount));
}

} // namespace

BENCHMARK(BM_OpenStl)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_OpenTriangleIndex)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_FirstShadowClosure)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK_MAIN();
