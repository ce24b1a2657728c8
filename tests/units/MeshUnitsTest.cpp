// Mesh units without GL: pass choice, loads, thresholds, saved meshes and
// the surface built from a volume read through the payload loader.
#include "platform/Memory.h"
#include "processing/VertexNormals.h"
#include "scene/CVelmorDoc.h"
#include "scene/DataObject.h"
#include "support/CancellingHost.h"
#include "support/MessageRecorder.h"
#include "support/RecordingJobHost.h"
#include "units/PreloadedData.h"
#include "support/TempDir.h"
#include "support/VolumeWriter.h"
#include "units/CKxDrawUPointCloud.h"
#include "units/CKxDrawUSTL.h"
#include "units/CKxDrawUSurfaceR.h"
#include "units/CKxDrawUTriIndex.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

using namespace velmor;
using namespace velmor::test;

namespace {

using Kind = MeshDrawStep::Kind;

// A grey 8-bit "raw" volume of n^3 voxels read from `path` (under SceneFolder).
void RawVolume(DataObject& d, uint64_t n, const std::wstring& path)
{
    d.type = L"volume";
    d.format = L"GRAY";
    d.sizeX = d.sizeY = d.sizeZ = n;
    d.sourcePath = path;
    d.sourceType = L"raw";
}

std::vector<Kind> Kinds(const MeshDrawPlan& plan)
{
    std::vector<Kind> out;
    for (int i = 0; i < plan.count; ++i) out.push_back(plan.steps[i].kind);
    return out;
}

std::vector<Kind> StepsIn(int pass, MeshDrawInputs in) { return Kinds(PlanMeshDraw(pass, in)); }

MeshDrawInputs Letter(const wchar_t* letter, bool capOn)
{
    MeshDrawInputs in;
    in.renderingType = letter;
    in.translucentType = L"C";
    in.clipCap = capOn;
    return in;
}

} // namespace

TEST(MeshDrawPlan, EachLetterDrawsInItsPasses)
{
    const std::vector<Kind> none, shaded{Kind::Shaded}, wireThenShaded{Kind::Wireframe, Kind::Shaded};
    for (bool cap : {false, true}) {
        const int opaque = cap ? 0 : 1, other = cap ? 1 : 0;
        EXPECT_EQ(StepsIn(opaque, Letter(L"A", cap)), shaded);
        EXPECT_EQ(StepsIn(other, Letter(L"A", cap)), none);
        EXPECT_EQ(StepsIn(opaque, Letter(L"E", cap)), wireThenShaded);
        EXPECT_EQ(StepsIn(2, Letter(L"A", cap)), none);
        EXPECT_EQ(StepsIn(3, Letter(L"A", cap)), shaded);
        EXPECT_TRUE(PlanMeshDraw(3, Letter(L"E", cap)).steps[0].pick);
        for (const wchar_t* letter : {L"B", L"C", L"D"}) {
            for (int pass : {0, 1, 3, 4}) EXPECT_EQ(StepsIn(pass, Letter(letter, cap)), none);
        }
        EXPECT_EQ(StepsIn(2, Letter(L"B", cap)), shaded);
        EXPECT_TRUE(PlanMeshDraw(2, Letter(L"B", cap)).steps[0].translucent);
        EXPECT_EQ(StepsIn(2, Letter(L"C", cap)), std::vector<Kind>{Kind::UnlitPoints});
        EXPECT_EQ(StepsIn(2, Letter(L"D", cap)), std::vector<Kind>{Kind::Wireframe});
        for (int pass = 0; pass <= 4; ++pass) EXPECT_EQ(StepsIn(pass, Letter(L"F", cap)), none);
    }
    MeshDrawInputs off = Letter(L"A", true);
    off.innerDraw = false;   // no cap for this unit: the plain opaque pass
    EXPECT_EQ(StepsIn(1, off), shaded);
    EXPECT_EQ(StepsIn(0, off), none);
}

TEST(MeshDrawPlan, CapsStencilAndClippedPart)
{
    MeshDrawInputs in = Letter(L"A", true);
    in.clipOn = true;
    EXPECT_EQ(PlanMeshDraw(0, in).steps[0], (MeshDrawStep{Kind::Shaded, false, false, false, false}));
    in.mainPass = true;
    EXPECT_EQ(PlanMeshDraw(0, in).steps[0], (MeshDrawStep{Kind::Shaded, false, false, true, true}));
    EXPECT_EQ(PlanMeshDraw(3, in).steps[0], (MeshDrawStep{Kind::Shaded, true, false, false, true}));
    in.depthOnlyPass = true;
    EXPECT_EQ(StepsIn(0, in), std::vector<Kind>{Kind::UnlitPoints});

    MeshDrawInputs clipped = Letter(L"E", true);
    clipped.drawingClippedPart = true;
    for (auto [type, kind] : {std::pair{L"B", Kind::Shaded}, {L"C", Kind::UnlitPoints}, {L"D", Kind::Wireframe}}) {
        clipped.translucentType = type;
        const MeshDrawPlan plan = PlanMeshDraw(2, clipped);
        ASSERT_EQ(plan.count, 1);
        EXPECT_EQ(plan.steps[0].kind, kind);
        EXPECT_EQ(plan.steps[0].translucent, kind != Kind::UnlitPoints);
    }
    clipped.translucentClip = false;
    EXPECT_EQ(PlanMeshDraw(2, clipped).count, 0);
    MeshDrawInputs b = Letter(L"B", true);
    b.drawingClippedPart = true;   // only "A"/"E" are drawn again as the clipped part
    EXPECT_EQ(PlanMeshDraw(2, b).count, 0);

    MeshDrawInputs capture = Letter(L"A", false);
    capture.sectionCapture = capture.clipOn = true;
    EXPECT_EQ(PlanMeshDraw(1, capture).steps[0], (MeshDrawStep{Kind::Shaded, false, false, true, false}));
}

TEST(MeshDrawPlan, TranslucentChannelsAndVideoMemoryUnits)
{
    EXPECT_FLOAT_EQ(TranslucentChannel(0.0f, 0.4f), 0.0f);
    EXPECT_FLOAT_EQ(TranslucentChannel(1.0f, 0.4f), 0.4f);
    EXPECT_FLOAT_EQ(TranslucentChannel(0.75f, 0.4f), 0.2f);
    EXPECT_EQ(FullClientArrayChunks(2000000), 2u);   // two full chunks, then a call with none
    EXPECT_EQ(LastClientArrayChunk(2000000), 0u);
    EXPECT_EQ(FullClientArrayChunks(999999), 0u);
    EXPECT_EQ(LastClientArrayChunk(2000001), 1u);
    EXPECT_EQ(VideoMemoryNeed(72000000), 72);
    EXPECT_EQ(VideoMemoryNeed(1), 1);
    EXPECT_EQ(VideoMemoryNeed(0), 0);
    EXPECT_EQ(VideoMemoryNeed(~uint64_t(0)), int64_t(~uint64_t(0) / 1000000 + 1));
}

TEST(MeshUnits, SignedWindowsAndThresholdsKeepTheirOffset)
{
    DataObject cap(L"cap");
    cap.isSigned = true;
    CKxDrawUSTL stl(nullptr);
    stl.SetColorTableLow(-500);
    EXPECT_EQ(stl.colorTableLow, -500);   // without clip-cap data no offset
    stl.clipCapData = &cap;
    stl.SetColorTableLow(-500);
    stl.SetColorTableUp(1000);
    EXPECT_EQ(stl.colorTableLow, 32268);
    EXPECT_EQ(stl.colorTableUp, 33768);
    EXPECT_EQ(stl.GetColorTableLow(), -500);
    EXPECT_EQ(stl.GetColorTableUp(), 1000);

    CKxDrawUSurfaceR surface(nullptr);
    DataObject volume(L"v");
    volume.isSigned = true;
    surface.data = &volume;
    surface.borderLow = 7;
    surface.SetBorder(-500, 1000);
    EXPECT_EQ(surface.borderLow, 32268.0f);
    EXPECT_EQ(surface.borderUp, 33768.0f);
    EXPECT_EQ(surface.GetBorderLow(), -500.0f);
    EXPECT_EQ(surface.previousBorderLow, 7.0f);
    surface.RestoreBorder();
    EXPECT_EQ(surface.borderLow, 7.0f);
    EXPECT_EQ(surface.borderUp, -100000.0f);

    // Default cap windows: a value given in the scene stays.
    cap.maxValue = 34000.9f;
    CKxDrawUSTL fresh(nullptr);
    fresh.clipCapData = &cap;
    fresh.ApplyDefaultCapWindow();
    EXPECT_EQ(fresh.colorTableLow, 31768);
    EXPECT_EQ(fresh.colorTableUp, 34000);
    DataObject bytes(L"b");
    bytes.bytesPerComponent = 2;
    CKxDrawUSTL given(nullptr);
    given.clipCapData = &bytes;
    given.colorTableLow = 12;
    given.ApplyDefaultCapWindow();
    EXPECT_EQ(given.colorTableLow, 12);
    EXPECT_EQ(given.colorTableUp, 65535);
}

TEST(MeshUnits, OtsuSplitsTwoPeaksAndGivesZeroForOneValue)
{
    std::vector<uint64_t> h(256, 0);
    h[20] = 100;
    h[21] = 50;
    h[200] = 80;
    h[201] = 10;
    EXPECT_EQ(CKxDrawUSurfaceR::OtsuThreshold(h.data(), 256, 0, 255), 21.0f);
    EXPECT_EQ(CKxDrawUSurfaceR::OtsuThreshold(h.data(), 256, 21, 255), 21.0f);
    std::vector<uint64_t> one(256, 0);
    one[42] = 1000;
    EXPECT_EQ(CKxDrawUSurfaceR::OtsuThreshold(one.data(), 256, 0, 255), 0.0f);
    EXPECT_EQ(CKxDrawUSurfaceR::OtsuThreshold(h.data(), 256, 300, -4), 0.0f);   // nothing in range
    EXPECT_EQ(CKxDrawUSurfaceR::OtsuThreshold(nullptr, 256, 0, 255), 0.0f);
}

TEST(MeshUnits, TriangleIndexLoadUsesWholeTriangles)
{
    MessageRecorder messages;
    RecordingJobHost host;
    DataObject coordinates(L"c"), indices(L"i");
    Preload(coordinates, std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0}, 4);
    Preload(indices, std::vector<uint32_t>{0, 1, 2, 1, 3, 2, 0, 2, 3, 1}, 10);
    coordinates.coordinateScale.scale[1] = 2;
    coordinates.coordinateScale.unit = L"cm";
    CKxDrawUTriIndex unit(nullptr, L"");
    unit.data = &coordinates;
    unit.indexData = &indices;
    unit.Load();
    EXPECT_TRUE(unit.valid);
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_EQ(unit.mesh.triangleCount, 3u);   // the 10th index is ignored
    EXPECT_EQ(unit.parts[0].triangleCount, 3u);
    EXPECT_TRUE(unit.normalsValid());
    EXPECT_EQ(unit.mesh.normals[5], 2.0f);    // vertex 1: triangles (0,1,2) and (1,3,2)
    EXPECT_EQ(unit.mesh.closure, MeshClosure::kUndecided);   // left to the first shadow
    EXPECT_FALSE(Encloses(unit.mesh));
    EXPECT_EQ(unit.pitch[1], 2.0);
    EXPECT_EQ(unit.lengthUnit, L"cm");
    EXPECT_FALSE(unit.capTextured);
    EXPECT_EQ(unit.colorSchemeMode, 1);
    EXPECT_EQ(std::memcmp(&unit.partMaterials[0], &unit.material, sizeof(Material)), 0);

    unit.FreeWork();
    unit.Release();
    EXPECT_TRUE(coordinates.users.empty());
    EXPECT_TRUE(indices.users.empty());
    EXPECT_NE(indices.samples, nullptr);   // the arrays stay with their data objects
    // Given back, the payloads may go at any memory check: the mesh no
    // longer points into them, and the next Load takes them again.
    EXPECT_EQ(unit.mesh.vertices, nullptr);
    EXPECT_EQ(unit.parts[0].triangleCount, 0u);
    unit.Load();
    EXPECT_EQ(unit.mesh.triangleCount, 3u);
    EXPECT_EQ(unit.mesh.closure, MeshClosure::kUndecided);
    EXPECT_EQ(coordinates.users.count(&unit), 1u);
}

TEST(MeshUnits, IndexPastTheVerticesIsARefusedFile)
{
    MessageRecorder messages;
    RecordingJobHost host;
    DataObject coordinates(L"c"), indices(L"i");
    Preload(coordinates, std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0}, 3);
    Preload(indices, std::vector<uint32_t>{0, 1, 7}, 3);
    CKxDrawUTriIndex unit(nullptr, L"");
    unit.data = &coordinates;
    unit.indexData = &indices;
    unit.Load();
    EXPECT_FALSE(unit.valid);
    EXPECT_EQ(messages.Messages(), std::vector<std::wstring>{L"data file read error"});
    EXPECT_TRUE(coordinates.users.empty());
}

TEST(MeshUnits, FailingLoadsSayWhyAndLeaveTheUnitInvalid)
{
    MessageRecorder messages;
    RecordingJobHost host;
    TempDir dir;
    const std::wstring folder = SceneFolder;
    SceneFolder = dir.WidePath("");
    DataObject missing(L"m");
    missing.type = L"STL";
    missing.sourcePath = L"absent.stl";
    CKxDrawUSTL stl(nullptr);
    stl.data = &missing;
    stl.Load();
    CKxDrawUPointCloud cloud(nullptr);
    DataObject points(L"p");
    points.type = L"array_xyz";
    points.format = L"float";
    points.elementCount = 3;
    points.sourcePath = L"absent.txt";
    cloud.data = &points;
    cloud.Load();
    DataObject volume(L"v");
    RawVolume(volume, 2, L"absent.raw");
    CKxDrawUSurfaceR surface(nullptr);
    surface.data = &volume;
    surface.Load();
    SceneFolder = folder;
    EXPECT_EQ(messages.Messages(),
              (std::vector<std::wstring>{L"data file read error", L"data file read error", L"volume data file read error"}));
    EXPECT_FALSE(stl.valid || cloud.valid || surface.valid);
}

TEST(MeshUnits, StlSecondLoadOnlyRebuildsBuffersAndCapDataMayFail)
{
    MessageRecorder messages;
    RecordingJobHost host;
    DataObject facets(L"s"), cap(L"cap");
    Preload(facets, std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 0, 1, 0, 1, 1}, 2);
    RawVolume(cap, 2, L"/nonexistent/cap.raw");
    CKxDrawUSTL stl(nullptr);
    stl.data = &facets;
    stl.clipCapData = &cap;
    stl.Load();
    EXPECT_TRUE(stl.valid);   // the cap's failure does not fail the load
    EXPECT_FALSE(stl.capTextured);
    EXPECT_EQ(messages.Messages(), std::vector<std::wstring>{L"clip cap data file read error"});
    ASSERT_EQ(stl.mesh.triangleCount, 2u);
    EXPECT_EQ(std::vector<uint32_t>(stl.mesh.indices, stl.mesh.indices + 6), (std::vector<uint32_t>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(stl.mesh.vertices, reinterpret_cast<float*>(facets.samples));

    const int runs = host.Runs();
    const uint32_t* indices = stl.mesh.indices;
    stl.FreeGLBuffers();
    EXPECT_TRUE(stl.rebuildBuffers);
    stl.Load();
    EXPECT_EQ(stl.mesh.indices, indices);   // mesh unchanged
    EXPECT_EQ(host.Runs(), runs + 1);       // only the cap data was tried again

    stl.FreeWork();
    EXPECT_EQ(stl.mesh.indices, nullptr);
    EXPECT_EQ(stl.parts[0].triangleCount, 0u);
    EXPECT_NE(facets.samples, nullptr);
}

TEST(MeshUnits, PointCloudTakesItsPointsAndNeverACap)
{
    RecordingJobHost host;
    DataObject points(L"p");
    Preload(points, std::vector<float>{0, 0, 0, 1, 1, 1}, 2);
    CKxDrawUPointCloud cloud(nullptr);
    cloud.data = &points;
    cloud.Load();
    EXPECT_TRUE(cloud.valid);
    EXPECT_EQ(cloud.mesh.vertexCount, 2u);
    EXPECT_FALSE(cloud.capTextured);
    EXPECT_EQ(cloud.renderingType, L"C");
}

TEST(MeshUnits, SavedMeshComesBackWithItsParts)
{
    CKxDrawUSurfaceR surface(nullptr);
    surface.mesh.vertexCount = 3;
    surface.mesh.vertices = static_cast<float*>(CommitMemory(36));
    surface.mesh.triangleCount = 1;
    surface.mesh.indices = static_cast<uint32_t*>(CommitMemory(12));
    ASSERT_TRUE(AllocVertexNormals(surface.mesh));
    surface.mesh.normalsValid = 1;
    surface.parts[0] = {1, 0};
    float* vertices = surface.mesh.vertices;
    surface.SaveMesh();
    EXPECT_EQ(surface.mesh.vertices, nullptr);
    EXPECT_FALSE(surface.normalsValid());
    EXPECT_EQ(surface.parts[0].triangleCount, 0u);
    EXPECT_EQ(surface.savedParts[0].triangleCount, 1u);
    surface.RestoreSavedMesh();
    EXPECT_EQ(surface.mesh.vertices, vertices);
    EXPECT_TRUE(surface.normalsValid());
    EXPECT_EQ(surface.parts[0].triangleCount, 1u);
    EXPECT_EQ(surface.savedMesh.vertices, nullptr);
}

TEST(MeshUnits, SurfaceLoadsItsVolumeAndBuildsMeshAndNormals)
{
    MessageRecorder messages;
    RecordingJobHost host;
    TempDir dir;
    // 4 x 4 x 4 zeros with one bright voxel: a closed octahedron around it.
    TestVolume v;
    v.x = v.y = v.z = 4;
    v.values.assign(64, 0);
    v.values[1 + 2 * 4 + 1 * 16] = 200;
    dir.Write("v.raw", RawBytes(v));
    const std::wstring folder = SceneFolder;
    SceneFolder = dir.WidePath("");
    DataObject volume(L"v");
    RawVolume(volume, 4, L"v.raw");
    volume.voxelPitch.pitch[2] = 2;
    CKxDrawUSurfaceR surface(nullptr);
    surface.data = &volume;
    surface.clipCapData = &volume;
    surface.Load();
    SceneFolder = folder;
    EXPECT_TRUE(messages.Messages().empty());
    ASSERT_TRUE(surface.valid);
    EXPECT_EQ(surface.borderLow, 0.0f);      // Otsu over 0..200 splits at 0
    EXPECT_EQ(surface.borderUp, 255.0f);
    EXPECT_EQ(surface.halfExtent[0], 2.0);
    EXPECT_EQ(surface.pitch[2], 2.0);
    EXPECT_TRUE(surface.capTextured);        // its own volume, acquired once
    EXPECT_EQ(host.Runs(), 2);               // the payload, the surface with its normals
    EXPECT_EQ(surface.colorTableLow, 0);
    EXPECT_EQ(surface.colorTableUp, 255);

    EXPECT_EQ(surface.mesh.triangleCount, 188u);   // every voxel is inside: the whole box
    EXPECT_EQ(surface.mesh.closure, MeshClosure::kEncloses);   // closed as it is built
    // Only the bright voxel: 6 vertices, 8 triangles.
    surface.SetBorder(100, 255);
    surface.mesh.normalsValid = 0;
    surface.Load();
    ASSERT_EQ(surface.mesh.vertexCount, 6u);
    EXPECT_EQ(surface.mesh.triangleCount, 8u);
    EXPECT_EQ(surface.parts[0].triangleCount, 8u);
    EXPECT_TRUE(surface.normalsValid());
    EXPECT_TRUE(surface.surfaceParts.empty() || surface.surfaceParts[0].vertices == nullptr);
    // Every normal points away from the voxel it surrounds.
    double c[3] = {};
    for (uint64_t i = 0; i < 18; ++i) c[i % 3] += surface.mesh.vertices[i] / 6.0;
    for (uint64_t i = 0; i < 6; ++i) {
        const float* p = surface.mesh.vertices + i * 3;
        const float* n = surface.mesh.normals + i * 3;
        double dot = 0;
        for (int k = 0; k < 3; ++k) dot += (p[k] - c[k]) * n[k];
        EXPECT_GT(dot, 0.0) << i;
    }

    // A changed volume rebuilds the surface at the next draw.
    volume.redoMarks[&surface] = true;
    const int runs = host.Runs();
    surface.Draw(1);
    EXPECT_EQ(host.Runs(), runs + 2);
    EXPECT_FALSE(volume.redoMarks[&surface]);
    surface.Release();
    EXPECT_TRUE(volume.users.empty());
}

TEST(MeshUnits, NoMemoryForNormalsOrACancelledSurfaceFailTheLoad)
{
    MessageRecorder messages;
    {
        RecordingJobHost host;
        DataObject coordinates(L"c"), indices(L"i");
        Preload(coordinates, std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0}, 3);
        Preload(indices, std::vector<uint32_t>{0, 1, 2}, 3);
        CKxDrawUTriIndex unit(nullptr, L"");
        unit.data = &coordinates;
        unit.indexData = &indices;
        SetMemoryStatusSource([] { return MemoryStatus{}; });
        unit.Load();
        SetMemoryStatusSource(nullptr);
        EXPECT_FALSE(unit.valid);
        EXPECT_TRUE(coordinates.users.empty() && indices.users.empty());
    }
    {
        CancellingHost host;
        DataObject volume(L"v");
        volume.type = L"volume";
        volume.countX = volume.countY = volume.countZ = 2;
        volume.bytesPerComponent = 1;
        Preload(volume, std::vector<uint8_t>(8, 9), 8);
        CKxDrawUSurfaceR surface(nullptr);
        surface.data = &volume;
        surface.borderLow = 1;
        surface.Load();
        EXPECT_FALSE(surface.valid);
        EXPECT_EQ(surface.mesh.vertices, nullptr);
        EXPECT_TRUE(surface.surfaceParts.empty());
        EXPECT_TRUE(volume.users.empty());
    }
    EXPECT_EQ(messages.Messages(), (std::vector<std::wstring>{L"memory error", L"make surface canceled"}));
}
