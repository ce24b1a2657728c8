#include "processing/VertexNormals.h"
#include "scene/DataObject.h"
#include "units/CKxDrawUConnector.h"
#include "units/CKxDrawUImage.h"
#include "units/CKxDrawULinkBoard.h"
#include "units/CKxDrawUPointCloud.h"
#include "units/CKxDrawUPrimitive.h"
#include "units/CKxDrawUSTL.h"
#include "units/CKxDrawUScatterGraph.h"
#include "units/CKxDrawUSurfaceR.h"
#include "units/CKxDrawUText.h"
#include "units/CKxDrawUTopoMap.h"
#include "units/CKxDrawUTriIndex.h"
#include "units/CKxDrawUVolumeR.h"
#include "units/DrawGroup.h"

#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <set>
#include <utility>
#include <vector>

using namespace velmor;

namespace {

std::wstring ClassOf(CKxDrawUnit& unit)
{
    std::wstring name;
    return unit.GetClassName(name);
}

struct Box {
    double low[3] = {-7, -7, -7};
    double high[3] = {7, 7, 7};
};

Box BoundsOf(CKxDrawUnit& unit)
{
    Box box;
    unit.GetBounds(box.low, box.high);
    return box;
}

void ExpectBox(const Box& box, std::initializer_list<double> low, std::initializer_list<double> high)
{
    for (int i = 0; i < 3; ++i) {
        EXPECT_DOUBLE_EQ(box.low[i], low.begin()[i]) << "axis " << i;
        EXPECT_DOUBLE_EQ(box.high[i], high.begin()[i]) << "axis " << i;
    }
}

} // namespace

TEST(DrawUnitKinds, ClassNamesAndNotes)
{
    DrawGroup group(L"g");
    std::vector<std::pair<std::unique_ptr<CKxDrawUnit>, std::pair<std::wstring, std::wstring>>> units;
    const auto add = [&](CKxDrawUnit* unit, const wchar_t* className, const wchar_t* note) {
        units.emplace_back(std::unique_ptr<CKxDrawUnit>(unit), std::make_pair(className, note));
    };
    add(new CKxDrawUPrimitive(&group), L"CKxDrawUPrimitive", L"Primitive");
    add(new CKxDrawUText(&group), L"CKxDrawUText", L"Text");
    add(new CKxDrawUImage(&group), L"CKxDrawUImage", L"Image");
    add(new CKxDrawULinkBoard(&group), L"CKxDrawULinkBoard", L"LinkBoard");
    add(new CKxDrawUConnector(&group), L"CKxDrawUConnector", L"Connector");
    add(new CKxDrawUTriangles(&group), L"CKxDrawUTriangles", L"");
    add(new CKxDrawUTriIndex(&group, L""), L"CKxDrawUTriIndex", L"TriIndex");
    add(new CKxDrawUTriIndex(&group, L"Jaw mesh"), L"CKxDrawUTriIndex", L"Jaw mesh");
    add(new CKxDrawUPointCloud(&group), L"CKxDrawUPointCloud", L"PointCloud");
    add(new CKxDrawUSTL(&group), L"CKxDrawUSTL", L"STL");
    add(new CKxDrawUSurfaceR(&group), L"CKxDrawUSurfaceR", L"SurfaceR");
    add(new CKxDrawUVolumeR(&group), L"CKxDrawUVolumeR", L"VolumeR");
    add(new CKxDrawUTopoMap(&group), L"CKxDrawUTopoMap", L"TopoMap");
    add(new CKxDrawUScatterGraph(&group), L"CKxDrawUScatterGraph", L"ScatterGraph");
    // Each class has a kind of its own, and none is the plain unit's.
    std::map<std::wstring, UnitKind> kinds;
    std::set<UnitKind> distinct;
    for (auto& [unit, expected] : units) {
        EXPECT_EQ(ClassOf(*unit), expected.first);
        EXPECT_EQ(unit->note, expected.second);
        EXPECT_EQ(unit->owner, &group);
        EXPECT_TRUE(unit->valid);
        EXPECT_FALSE(unit->FreeGLBuffers());
        EXPECT_EQ(kinds.emplace(expected.first, unit->Kind()).first->second, unit->Kind()) << expected.first;
        EXPECT_NE(unit->Kind(), UnitKind::kPlain) << expected.first;
        distinct.insert(unit->Kind());
    }
    EXPECT_EQ(distinct.size(), kinds.size());
}

TEST(DrawUnitKinds, ConstructorValuesOfTheUnitsWithoutData)
{
    CKxDrawUPrimitive primitive(nullptr);
    EXPECT_EQ(primitive.pixelSize, 1.0f);
    EXPECT_TRUE(primitive.filled);
    EXPECT_TRUE(primitive.marker);
    EXPECT_EQ(primitive.shape, L"");
    EXPECT_EQ(primitive.rot[1], 1.0f);
    EXPECT_EQ(primitive.size[2], 1.0f);
    EXPECT_EQ(primitive.parameter[0], 16);
    EXPECT_EQ(primitive.parameter[3], 4);
    EXPECT_EQ(primitive.points[2][2], 0.0f);

    CKxDrawUText text(nullptr);
    EXPECT_EQ(text.mode, 0);
    EXPECT_EQ(text.fontSize, 16.0f);
    EXPECT_EQ(text.textScale, 0.5f);
    EXPECT_EQ(text.fixPoint[2], 0.5f);
    EXPECT_EQ(text.fontName, L"ＭＳ ゴシック");
    EXPECT_FALSE(text.italic || text.bold);
    EXPECT_EQ(text.extrusion, 0.01f);
    EXPECT_EQ(text.listCount, 0u);

    CKxDrawUConnector connector(nullptr);
    EXPECT_EQ(connector.radius, 0.01f);
    EXPECT_EQ(connector.pixelSize, 1.0f);
    EXPECT_EQ(connector.shape, L"");

    CKxDrawULinkBoard board(nullptr);
    EXPECT_FLOAT_EQ(board.material.ambient[0], 117 / 255.0f);
    EXPECT_FLOAT_EQ(board.material.ambient[2], 227 / 255.0f);
    EXPECT_EQ(board.material.diffuse[1], 0.0f);
    EXPECT_EQ(board.material.diffuse[3], 1.0f);
    EXPECT_FLOAT_EQ(board.material.specular[0], 25 / 255.0f);
    EXPECT_FALSE(board.editing);
    EXPECT_EQ(board.width, 0.0f);
}

TEST(DrawUnitKinds, ConstructorValuesOfTheDataUnits)
{
    CKxDrawUSTL stl(nullptr);
    EXPECT_EQ(stl.renderingType, L"A");
    EXPECT_FALSE(stl.drawAsPoints);
    EXPECT_TRUE(stl.innerDraw && stl.capTextured && stl.translucentClip && stl.dataExport);
    EXPECT_TRUE(stl.rebuildBuffers && stl.capTextureDirty && stl.capRebuild);
    EXPECT_EQ(stl.translucentType, L"C");
    EXPECT_EQ(stl.colorTable, L"GRAY");
    EXPECT_EQ(stl.colorTableLow, -100000);
    EXPECT_EQ(stl.colorTableUp, -100000);
    EXPECT_EQ(stl.capLut, nullptr);
    EXPECT_EQ(stl.data, nullptr);
    EXPECT_EQ(stl.parts[10].triangleCount, 0u);
    EXPECT_TRUE(stl.IsRenderingTypeAE());

    CKxDrawUPointCloud cloud(nullptr);
    EXPECT_EQ(cloud.renderingType, L"C");
    EXPECT_TRUE(cloud.drawAsPoints);
    EXPECT_FALSE(cloud.IsRenderingTypeABE());

    CKxDrawUSurfaceR surface(nullptr);
    EXPECT_EQ(surface.borderLow, -100000.0f);
    EXPECT_EQ(surface.borderUp, -100000.0f);
    EXPECT_EQ(surface.halfExtent[1], 1.0);
    EXPECT_EQ(surface.clipBoxFlags[6], 0);

    CKxDrawUVolumeR volume(nullptr);
    EXPECT_EQ(volume.renderingType, L"A");
    EXPECT_EQ(volume.brightnessA, -1e6f);
    EXPECT_EQ(volume.contrastA, 0.1f);
    EXPECT_EQ(volume.brightnessB, 0.0f);
    EXPECT_EQ(volume.contrastB, 1.0f);
    EXPECT_EQ(volume.rangeLow, -1e6f);
    EXPECT_TRUE(volume.dataExport);

    CKxDrawUImage image(nullptr);
    EXPECT_EQ(image.shape, L"flat");
    EXPECT_EQ(image.size, 1.0f);
    EXPECT_EQ(image.rotation[1], 1.0f);
    EXPECT_EQ(image.divide, 24);
    EXPECT_FALSE(image.facing);

    CKxDrawUTopoMap map(nullptr);
    EXPECT_EQ(map.extent[0], 0.0f);
    EXPECT_TRUE(map.glBuffersDirty);
    EXPECT_FALSE(map.glBuffersValid);

    CKxDrawUScatterGraph graph(nullptr);
    EXPECT_EQ(graph.markerShape, L"");
    EXPECT_EQ(graph.markerSize, 1.0f);
    EXPECT_EQ(graph.markerParameter[0], 8);
    EXPECT_EQ(graph.markerParameter[1], 4);
    EXPECT_EQ(graph.ambientDiffuseBalance[0], 1.0f);
    EXPECT_EQ(graph.timeSeries[1], 1.0f);
    ASSERT_EQ(graph.events.size(), 1u);
    EXPECT_EQ(graph.events[0], nullptr);
    EXPECT_EQ(graph.pickIds.size(), 1u);
    EXPECT_EQ(graph.eventFlags.size(), 1u);
}

TEST(DrawUnitKinds, PrimitiveLoadDerivesRadiiAndBoxes)
{
    CKxDrawUPrimitive cone(nullptr);
    cone.shape = L"cone";
    cone.marker = false;
    cone.size[0] = 1, cone.size[1] = 3;
    cone.points[0][0] = 10;
    cone.Load();
    EXPECT_EQ(cone.radii[0], 1.0f);
    EXPECT_EQ(cone.radii[1], 0.0f);
    EXPECT_EQ(cone.radii[2], 3.0f);
    EXPECT_TRUE(cone.filled);
    ExpectBox(BoundsOf(cone), {8.5, -1.5, -1.5}, {11.5, 1.5, 1.5});

    cone.lengthFactor = 0.001;   // um inside a space in mm
    ExpectBox(BoundsOf(cone), {0.0085, -0.0015, -0.0015}, {0.0115, 0.0015, 0.0015});

    cone.marker = true;   // keeps its on-screen size: only its centre counts
    cone.lengthFactor = 1;
    ExpectBox(BoundsOf(cone), {10, 0, 0}, {10, 0, 0});

    CKxDrawUPrimitive line(nullptr);
    line.shape = L"line";
    line.points[0][0] = 3, line.points[1][0] = -1, line.points[1][2] = 2;
    line.Load();
    EXPECT_FALSE(line.filled);
    ExpectBox(BoundsOf(line), {-1, 0, 0}, {3, 0, 2});

    CKxDrawUPrimitive circle(nullptr);
    circle.shape = L"circle";
    circle.marker = false;
    circle.size[0] = 2;
    circle.Load();
    ExpectBox(BoundsOf(circle), {-2, -2, -2}, {2, 2, 2});
    circle.shape = L"square";
    circle.Load();
    ExpectBox(BoundsOf(circle), {-1, -1, -1}, {1, 1, 1});
    circle.shape = L"star";   // unknown shapes have no extent beyond their centre
    ExpectBox(BoundsOf(circle), {0, 0, 0}, {0, 0, 0});
}

TEST(DrawUnitKinds, BoundsOfTheOtherKinds)
{
    CKxDrawUText text(nullptr);
    text.coordinate[1] = 4;
    ExpectBox(BoundsOf(text), {0, 4, 0}, {0, 4, 0});
    text.mode = 3;   // fixed on the screen: no extent
    ExpectBox(BoundsOf(text), {-7, -7, -7}, {7, 7, 7});

    CKxDrawULinkBoard board(nullptr);
    board.width = 2, board.height = 3;
    board.coordinate[0] = 1;
    ExpectBox(BoundsOf(board), {-2, -3, -3}, {4, 3, 3});

    CKxDrawUImage image(nullptr);
    image.size = 4;
    image.position[2] = 1;
    ExpectBox(BoundsOf(image), {-2, -2, -1}, {2, 2, 3});

    CKxDrawUVolumeR volume(nullptr);
    volume.halfExtent[0] = 50, volume.halfExtent[1] = 50, volume.halfExtent[2] = 25;
    volume.pitch[2] = 2;
    ExpectBox(BoundsOf(volume), {-50, -50, -50}, {50, 50, 50});

    DataObject heights(L"h");
    heights.boundsMin[0] = -5, heights.boundsMax[0] = 9;
    CKxDrawUTopoMap map(nullptr);
    map.extent[0] = -2, map.extent[1] = -1, map.extent[2] = 2, map.extent[3] = 1;
    ExpectBox(BoundsOf(map), {-2, -1, 0}, {2, 1, 0});
    map.heightData = &heights;
    ExpectBox(BoundsOf(map), {-2, -1, -5}, {2, 1, 9});

    DataObject points(L"p");
    points.boundsMin[0] = 1, points.boundsMax[2] = 6;
    CKxDrawUScatterGraph graph(nullptr);
    ExpectBox(BoundsOf(graph), {-7, -7, -7}, {7, 7, 7});   // no data: nothing to measure
    graph.coordinateData = &points;
    graph.lengthFactor = 10;
    ExpectBox(BoundsOf(graph), {10, 0, 0}, {0, 0, 60});

    CKxDrawUSTL stl(nullptr);
    ExpectBox(BoundsOf(stl), {-7, -7, -7}, {7, 7, 7});
    stl.data = &points;
    stl.pitch[2] = 0.5;
    ExpectBox(BoundsOf(stl), {1, 0, 0}, {0, 0, 3});
}

TEST(DrawUnitKinds, ClipCapRebuildMarksReachMeshUnits)
{
    DrawGroup group(L"g");
    auto* stl = new CKxDrawUSTL(&group);
    auto* cloud = new CKxDrawUPointCloud(&group);
    group.units = {stl, cloud};
    group.spaceFlags[0] = true;
    stl->capRebuild = cloud->capRebuild = false;
    group.InvalidateClipCaps();
    EXPECT_TRUE(stl->capRebuild);
    EXPECT_FALSE(cloud->capRebuild);   // point clouds have no cap
}

TEST(DrawUnitKinds, VolumeFreeWorkDropsTheDisplayVolumes)
{
    CKxDrawUVolumeR volume(nullptr);
    ASSERT_TRUE(volume.displayVolume[1].Commit(4096));
    ASSERT_TRUE(volume.clearBuffer.Commit(64));
    volume.FreeWork();
    EXPECT_EQ(volume.displayVolume[1].Data(), nullptr);
    EXPECT_EQ(volume.clearBuffer.Data(), nullptr);
}

TEST(DrawUnitKinds, WorkAndDataTheMeshUnitsGiveBack)
{
    CKxDrawUTriIndex index(nullptr, L"");
    index.mesh.vertexCount = 3;
    ASSERT_TRUE(AllocVertexNormals(index.mesh));
    index.mesh.normalsValid = 1;
    index.FreeWork();
    EXPECT_EQ(index.mesh.normals, nullptr);
    EXPECT_EQ(index.mesh.normalsValid, 0);   // the next Load builds them again

    DataObject points(L"p");
    CKxDrawUPointCloud cloud(nullptr);
    CKxDrawUPointCloud other(nullptr);
    points.users = {&cloud, &other};
    cloud.Release();   // without data there is nothing to give back
    cloud.data = &points;
    cloud.Release();
    EXPECT_EQ(points.users, (std::set<CKxDrawUnit*>{&other}));
}
