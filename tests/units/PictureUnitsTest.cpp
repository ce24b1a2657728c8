// Image, topographic-map and scatter-graph units without GL: loads through
// the payload job with stand-ins for the GL halves, the shapes, the grid,
// the automatic colours and the pass each unit draws in.
#include "render/RenderSettings.h"
#include "scene/ApplicationSettings.h"
#include "scene/DataObject.h"
#include "scene/SceneDocFixture.h"
#include "support/RecordingJobHost.h"
#include "support/TestScenes.h"
#include "units/CKxDrawUImage.h"
#include "units/CKxDrawUScatterGraph.h"
#include "units/CKxDrawUTopoMap.h"
#include "units/ImageShapes.h"

#include <cmath>
#include <string>
#include <vector>

using namespace velmor;
using namespace velmor::test;

namespace {

// What the units asked of the GL layer.
struct GLRequests {
    int textures = 0;
    bool textureResult = true;
    std::vector<UnitPassWork> work;
    int uploads = 0;
    int deletions = 0;
    std::vector<int> scatterPasses;
};
GLRequests* gRequests = nullptr;

class PictureUnitsTest : public SceneDocTest {
protected:
    void SetUp() override
    {
        saved = PictureUnitGL;
        gRequests = &requests;
        PictureUnitGL.nonPowerOfTwoTextures = false;
        PictureUnitGL.createTexture = [](ColorLut&) { return ++gRequests->textures, gRequests->textureResult; };
        PictureUnitGL.drawImage = [](CKxDrawUImage&, UnitPassWork w) { gRequests->work.push_back(w); };
        PictureUnitGL.drawTopoMap = [](CKxDrawUTopoMap&, UnitPassWork w) { gRequests->work.push_back(w); };
        PictureUnitGL.uploadTopoMapBuffers = [](CKxDrawUTopoMap& map) {
            for (uint32_t k = 0; k < 4; ++k) map.glBuffers[k] = 10 + k;
            return ++gRequests->uploads, true;
        };
        PictureUnitGL.deleteBuffers = [](const uint32_t(&)[4]) { ++gRequests->deletions; };
        PictureUnitGL.drawScatterGraph = [](CKxDrawUScatterGraph&, int pass) { gRequests->scatterPasses.push_back(pass); };
        PublishRenderSettings(&settings);
    }
    void TearDown() override
    {
        PublishRenderSettings(nullptr);
        SetApplicationSettings(ApplicationSettings{});
        PictureUnitGL = saved;
        gRequests = nullptr;
    }
    // Opens a scene with group "g" holding `units` and the data elements.
    template <typename Unit>
    Unit& Open(const std::string& units, const std::string& data)
    {
        OpenCleanly(SceneWithBody("<drawGroup name=\"g\"><drawUnit>" + units + "</drawUnit></drawGroup>" + data));
        return dynamic_cast<Unit&>(*Group(L"g").units.at(0));
    }
    Messages Load(CKxDrawUnit& unit)
    {
        MessageRecorder messages;
        unit.Load();
        return messages.Messages();
    }
    std::vector<UnitPassWork> DrawAllPasses(CKxDrawUnit& unit)
    {
        requests.work.clear();
        for (int pass = 0; pass <= 4; ++pass) unit.Draw(pass);
        return requests.work;
    }
    // A w x h raw picture of `components` bytes a pixel.
    std::string Picture(const std::string& name, int w, int h, int components)
    {
        dir.Write(name + ".raw", std::string(static_cast<size_t>(w * h * components), '\x40'));
        const char* format = components == 4 ? "RGBA" : components == 3 ? "RGB" : "GRAY";
        return "<data name=\"" + name + "\" type=\"image\" format=\"" + format + "\" size=\"" + std::to_string(w) + "," +
               std::to_string(h) + "\"><file path=\"" + name + ".raw\" type=\"raw\"/></data>";
    }
    // An nx x ny float grid of heights, x fastest.
    std::string Heights(const std::string& name, int nx, int ny, const std::vector<float>& values,
                        const std::string& format = "float")
    {
        std::string text;
        for (float v : values) text += std::to_string(v) + "\n";
        dir.Write(name + ".txt", text);
        return "<data name=\"" + name + "\" type=\"gridXY\" format=\"" + format + "\" size=\"" + std::to_string(nx) + "," +
               std::to_string(ny) + "\"><file path=\"" + name + ".txt\"/></data>";
    }

    RecordingJobHost host;
    GLRequests requests;
    PictureUnitDrawing saved;
    RenderSettings settings;
};

using Work = std::vector<UnitPassWork>;
constexpr auto kOpaque = UnitPassWork::Opaque;
constexpr auto kTransparent = UnitPassWork::Transparent;
constexpr auto kPick = UnitPassWork::Pick;

} // namespace

TEST(ImageShapesTest, HalfExtentsFollowThePicturesAspect)
{
    float w = 0, h = 0;
    ASSERT_TRUE(ImageHalfExtents(400, 200, 2, w, h));
    EXPECT_EQ(w, 1.0f);
    EXPECT_EQ(h, 0.5f);
    ASSERT_TRUE(ImageHalfExtents(200, 400, 2, w, h));
    EXPECT_EQ(w, 0.5f);
    EXPECT_EQ(h, 1.0f);
    EXPECT_FALSE(ImageHalfExtents(0, 400, 2, w, h));
}

TEST(ImageShapesTest, DiscAndSphereVertices)
{
    std::vector<ShapeVertex> disc;
    ForDiscFan(2, 1, 4, 0.5f, 1.0f, [&](const ShapeVertex& v) { disc.push_back(v); });
    ASSERT_EQ(disc.size(), 6u);   // centre, four segments, the first rim vertex again
    EXPECT_EQ(disc[0].s, 0.25f);
    EXPECT_EQ(disc[0].t, 0.5f);
    EXPECT_FLOAT_EQ(disc[1].position[0], 2);
    EXPECT_FLOAT_EQ(disc[1].s, 0.5f);
    EXPECT_NEAR(disc[2].position[1], 1, 1e-6);
    EXPECT_NEAR(disc[2].t, 1, 1e-6);
    EXPECT_NEAR(disc[5].position[0], disc[1].position[0], 1e-6);
    size_t none = 0;
    ForDiscFan(2, 1, 0, 1, 1, [&](const ShapeVertex&) { ++none; });
    ForSphereQuads(1, -3, 1, 1, [&](const ShapeVertex&) { ++none; });
    EXPECT_EQ(none, 0u);   // no segments: nothing, rather than a division by zero

    std::vector<ShapeVertex> sphere;
    ForSphereQuads(0.5f, 2, 1.0f, 0.5f, [&](const ShapeVertex& v) { sphere.push_back(v); });
    ASSERT_EQ(sphere.size(), 2u * 4u * 4u);   // stacks x slices x corners
    // First corner: azimuth 0, polar angle pi / 2.
    EXPECT_NEAR(sphere[0].position[0], 0.5f, 1e-6);
    EXPECT_NEAR(sphere[0].position[1], 0, 1e-6);
    EXPECT_EQ(sphere[0].s, 1.0f);
    EXPECT_EQ(sphere[0].t, 0.25f);
    EXPECT_EQ(sphere[1].t, 0.5f);   // the north pole's row
    EXPECT_NEAR(sphere[1].position[1], 0.5f, 1e-6);
    EXPECT_EQ(sphere[2].s, 0.75f);
    for (const ShapeVertex& v : sphere)
        EXPECT_NEAR(std::hypot(v.normal[0], v.normal[1], v.normal[2]), 1.0, 1e-6);
}

TEST_F(PictureUnitsTest, ImageLoadsItsPicturesAndChoosesItsPasses)
{
    auto& image = Open<CKxDrawUImage>("<image image_data=\"wide\" selectedImage_data=\"square\" size=\"2\"/>",
                                      Picture("wide", 400, 200, 3) + Picture("square", 5, 5, 3));
    EXPECT_TRUE(Load(image).empty());
    EXPECT_TRUE(image.valid);
    EXPECT_EQ(requests.textures, 2);
    EXPECT_EQ(image.halfWidth, 1.0f);
    EXPECT_EQ(image.halfHeight, 0.5f);
    EXPECT_EQ(image.texMaxS, 400 / 512.0f);   // powers of two without the extension
    EXPECT_EQ(image.texMaxT, 200 / 256.0f);
    EXPECT_EQ(image.selectedLut.textureWidth, 8u);
    EXPECT_TRUE(Data(L"square").users.contains(&image));
    EXPECT_EQ(DrawAllPasses(image), (Work{kOpaque, kPick}));

    image.hidden = true;
    EXPECT_TRUE(DrawAllPasses(image).empty());
    image.hidden = false;
    settings.drawingClippedPart = 1;
    EXPECT_TRUE(DrawAllPasses(image).empty());
    settings.drawingClippedPart = 0;

    image.Release();
    EXPECT_TRUE(Data(L"wide").users.empty());
    EXPECT_TRUE(Data(L"square").users.empty());
}

TEST_F(PictureUnitsTest, TranslucentImagesAreNeitherOpaqueNorPickable)
{
    auto& half = Open<CKxDrawUImage>("<image image_data=\"pic\" opacity=\"0.5\"/>", Picture("pic", 4, 4, 3));
    ASSERT_TRUE(Load(half).empty());
    EXPECT_EQ(DrawAllPasses(half), (Work{kTransparent}));

    auto& alpha = Open<CKxDrawUImage>("<image image_data=\"rgba\" shape=\"sphere\"/>", Picture("rgba", 4, 4, 4));
    ASSERT_TRUE(Load(alpha).empty());
    EXPECT_EQ(DrawAllPasses(alpha), (Work{kTransparent}));
}

TEST_F(PictureUnitsTest, ImageFailuresAreShownAndLeaveTheUnitReleased)
{
    const std::string data = Picture("pic", 4, 4, 3) +
                             "<data name=\"lost\" type=\"image\" format=\"RGB\" size=\"4,4\"><file path=\"none.raw\" type=\"raw\"/></data>";
    auto& lostSelected = Open<CKxDrawUImage>("<image image_data=\"pic\" selectedImage_data=\"lost\"/>", data);
    EXPECT_EQ(Load(lostSelected), (Messages{L"file read error"}));
    EXPECT_FALSE(lostSelected.valid);
    EXPECT_TRUE(Data(L"pic").users.empty());
    EXPECT_TRUE(DrawAllPasses(lostSelected).empty());

    auto& none = Open<CKxDrawUImage>("<image/>", data);
    EXPECT_EQ(Load(none), (Messages{L"file read error"}));
    EXPECT_FALSE(none.valid);

    requests.textureResult = false;
    auto& noTexture = Open<CKxDrawUImage>("<image image_data=\"pic\"/>", data);
    EXPECT_EQ(Load(noTexture), (Messages{L"memory error"}));
    EXPECT_FALSE(noTexture.valid);
    EXPECT_TRUE(Data(L"pic").users.empty());
}

TEST_F(PictureUnitsTest, MapExtentsComeFromTheGridOrTheScene)
{
    std::vector<float> flat(200 * 100, 0.0f);
    const std::string heights = Heights("h", 200, 100, flat);
    auto& automatic = Open<CKxDrawUTopoMap>("<topographicMap height_data=\"h\" coordinate=\"0,0,0,0\"/>", heights);
    ASSERT_TRUE(Load(automatic).empty());
    EXPECT_EQ(std::vector<float>(automatic.extent, automatic.extent + 4), (std::vector<float>{-1, -0.5f, 1, 0.5f}));
    EXPECT_EQ(automatic.vertices[3 * 199], 1.0f);
    EXPECT_EQ(automatic.vertices[3 * (200 * 99) + 1], 0.5f);

    auto& given = Open<CKxDrawUTopoMap>("<topographicMap height_data=\"h\" coordinate=\"-2,2,-1,1\"/>", heights);
    ASSERT_TRUE(Load(given).empty());
    EXPECT_EQ(std::vector<float>(given.extent, given.extent + 4), (std::vector<float>{-2, -1, 2, 1}));
    double low[3], high[3];
    given.GetBounds(low, high);
    EXPECT_EQ(low[0], -2);
    EXPECT_EQ(high[1], 1);

    // Only a picture: a flat 2 x 2 grid with the picture's aspect ratio.
    auto& picture = Open<CKxDrawUTopoMap>("<topographicMap image_data=\"tall\"/>", Picture("tall", 2, 4, 3));
    ASSERT_TRUE(Load(picture).empty());
    EXPECT_EQ(picture.gridWidth, 2);
    EXPECT_EQ(picture.gridHeight, 2);
    EXPECT_EQ(std::vector<float>(picture.extent, picture.extent + 4), (std::vector<float>{-0.5f, -1, 0.5f, 1}));
    EXPECT_EQ(picture.autoColorData, nullptr);
    EXPECT_EQ(picture.vertices, (std::vector<float>{-0.5f, -1, 0, 0.5f, -1, 0, -0.5f, 1, 0, 0.5f, 1, 0}));
}

TEST_F(PictureUnitsTest, MapGridStripsNormalsAndTextureCoordinates)
{
    // A 3 x 2 grid rising along x: z = x.
    auto& map = Open<CKxDrawUTopoMap>("<topographicMap height_data=\"h\" coordinate=\"0,2,0,1\"/>",
                                      Heights("h", 3, 2, {0, 1, 2, 0, 1, 2}));
    ASSERT_TRUE(Load(map).empty());
    using Indices = std::vector<uint32_t>;
    EXPECT_EQ(map.rowStrips, (std::vector<Indices>{{0, 3, 1, 4, 2, 5}}));
    EXPECT_EQ(map.rowStripsReversed, (std::vector<Indices>{{5, 2, 4, 1, 3, 0}}));
    EXPECT_EQ(map.columnStrips, (std::vector<Indices>{{0, 1, 3, 4}, {1, 2, 4, 5}}));
    EXPECT_EQ(map.columnStripsReversed, (std::vector<Indices>{{4, 3, 1, 0}, {5, 4, 2, 1}}));
    EXPECT_EQ(map.serpentine, (Indices{0, 3, 1, 4, 2, 5}));
    const float r = 1 / std::sqrt(2.0f);
    for (int v = 0; v < 6; ++v) {
        EXPECT_NEAR(map.normals[3 * v], -r, 1e-6) << v;
        EXPECT_NEAR(map.normals[3 * v + 1], 0, 1e-6) << v;
        EXPECT_NEAR(map.normals[3 * v + 2], r, 1e-6) << v;
    }
    // Automatic colours: a 2 x 1 picture in a 2 x 1 texture.
    EXPECT_EQ(map.texCoords, (std::vector<float>{0, 0, 0.5f, 0, 1, 0, 0, 1, 0.5f, 1, 1, 1}));

    // Three rows: the serpentine turns back along the second row.
    auto& tall = Open<CKxDrawUTopoMap>("<topographicMap height_data=\"t\"/>", Heights("t", 2, 3, {0, 0, 0, 0, 0, 0}));
    ASSERT_TRUE(Load(tall).empty());
    EXPECT_EQ(tall.serpentine, (Indices{0, 2, 1, 3, 5, 3, 4, 2}));
    for (int v = 0; v < 6; ++v) EXPECT_EQ(tall.normals[3 * v + 2], 1.0f);
}

TEST_F(PictureUnitsTest, AutomaticColoursRunFromBlueThroughGreenToRed)
{
    const std::vector<float> row{100, 100, 0, 0, -50, -50};
    std::vector<float> grid(row);
    grid.insert(grid.end(), row.begin(), row.end());
    auto& map = Open<CKxDrawUTopoMap>("<topographicMap height_data=\"h\"/>", Heights("h", 6, 2, grid));
    ASSERT_TRUE(Load(map).empty());
    ASSERT_NE(map.autoColorData, nullptr);
    const DataObject& colours = *map.autoColorData;
    EXPECT_EQ(colours.name, L"auto_Color");
    EXPECT_EQ(colours.countX, 5u);
    EXPECT_EQ(colours.countY, 1u);
    const std::vector<uint8_t> texels(colours.samples, colours.samples + 15);
    EXPECT_EQ(texels, (std::vector<uint8_t>{255, 0, 0, 255, 255, 0, 0, 255, 0, 0, 84, 255, 0, 0, 255}));


    map.Release();
    EXPECT_EQ(map.autoColorData, nullptr);
    EXPECT_TRUE(map.vertices.empty());
    EXPECT_TRUE(map.texCoords.empty());
    EXPECT_TRUE(Data(L"h").users.empty());
    EXPECT_TRUE(DrawAllPasses(map).empty());   // released: nothing left to draw

    // All heights 0: green, not a division by zero.
    auto& level = Open<CKxDrawUTopoMap>("<topographicMap height_data=\"z\"/>", Heights("z", 2, 2, {0, 0, 0, 0}));
    ASSERT_TRUE(Load(level).empty());
    EXPECT_EQ(std::vector<uint8_t>(level.autoColorData->samples, level.autoColorData->samples + 3),
              (std::vector<uint8_t>{0, 255, 0}));
    EXPECT_EQ(AutoColorHue(-1, -1, 0), 200.0f);
    EXPECT_EQ(AutoColorHue(5, 0, -3), 120.0f);
}

TEST_F(PictureUnitsTest, MapFailuresAreShownAndLeaveTheUnitReleased)
{
    const std::string data = Heights("h", 2, 2, {0, 1, 2, 3}) + Heights("line", 1, 3, {0, 1, 2}) +
                             Heights("short", 2, 2, {0, 1, 2, 3}, "short") + Picture("pic", 4, 4, 3) +
                             "<data name=\"lost\" type=\"gridXY\" format=\"float\" size=\"2,2\"><file path=\"none.txt\"/></data>";
    for (const char* units : {"<topographicMap/>", "<topographicMap height_data=\"lost\" image_data=\"pic\"/>",
                              "<topographicMap height_data=\"line\"/>", "<topographicMap height_data=\"short\"/>"}) {
        auto& map = Open<CKxDrawUTopoMap>(units, data);
        EXPECT_EQ(Load(map), (Messages{L"data file read error"})) << units;
        EXPECT_FALSE(map.valid);
        EXPECT_TRUE(map.vertices.empty());
        EXPECT_TRUE(Data(L"pic").users.empty());
    }
    requests.textureResult = false;
    auto& noTexture = Open<CKxDrawUTopoMap>("<topographicMap height_data=\"h\"/>", data);
    EXPECT_EQ(Load(noTexture), (Messages{L"memory error"}));
    EXPECT_FALSE(noTexture.valid);
    EXPECT_TRUE(Data(L"h").users.empty());
    EXPECT_EQ(noTexture.autoColorData, nullptr);
}

TEST_F(PictureUnitsTest, MapBufferObjectsFollowThePreferenceAndTheOpacity)
{
    const std::string data = Heights("h", 3, 2, {0, 1, 2, 0, 1, 2}) + Picture("rgba", 2, 2, 4);
    auto& arrays = Open<CKxDrawUTopoMap>("<topographicMap height_data=\"h\"/>", data);
    ASSERT_TRUE(Load(arrays).empty());
    EXPECT_EQ(arrays.glBufferBytes, 6u * 32u + 6u * 4u);
    EXPECT_FALSE(arrays.glBuffersValid);
    EXPECT_EQ(requests.uploads, 0);
    EXPECT_EQ(DrawAllPasses(arrays), (Work{kOpaque, kPick}));

    ApplicationSettings vbo;
    vbo.useVBO = true;
    SetApplicationSettings(vbo);
    auto& buffered = Open<CKxDrawUTopoMap>("<topographicMap height_data=\"h\"/>", data);
    ASSERT_TRUE(Load(buffered).empty());
    EXPECT_EQ(requests.uploads, 1);
    EXPECT_TRUE(buffered.glBuffersValid);
    EXPECT_FALSE(buffered.glBuffersDirty);
    buffered.Release();
    ASSERT_TRUE(Load(buffered).empty());
    EXPECT_EQ(requests.uploads, 1);   // still clean: the buffers are kept
    EXPECT_TRUE(buffered.FreeGLBuffers());
    EXPECT_EQ(requests.deletions, 1);
    EXPECT_FALSE(buffered.glBuffersValid);
    EXPECT_TRUE(buffered.glBuffersDirty);
    EXPECT_FALSE(buffered.FreeGLBuffers());
    ASSERT_TRUE(Load(buffered).empty());
    EXPECT_EQ(requests.uploads, 2);   // dirty again: rebuilt

    // A picture with alpha: no index buffer, and only the transparent pass.
    auto& translucent = Open<CKxDrawUTopoMap>("<topographicMap height_data=\"h\" image_data=\"rgba\"/>", data);
    ASSERT_TRUE(Load(translucent).empty());
    EXPECT_EQ(translucent.glBufferBytes, 6u * 32u);
    EXPECT_EQ(DrawAllPasses(translucent), (Work{kTransparent}));
}

TEST(TopoStripOrderTest, StripsRunAwayFromTheNearestCorner)
{
    const auto order = [](double d0, double d1, double d2, double d3) {
        const double d[4] = {d0, d1, d2, d3};
        const TopoStripOrder o = ChooseSortedStrips(d);
        return std::make_pair(o.family, o.ascending);
    };
    using F = TopoStripFamily;
    EXPECT_EQ(order(1, 3, 2, 4), std::make_pair(F::ColumnsReversed, false));
    EXPECT_EQ(order(1, 2, 3, 4), std::make_pair(F::RowsReversed, false));
    EXPECT_EQ(order(3, 1, 4, 2), std::make_pair(F::ColumnsReversed, true));
    EXPECT_EQ(order(2, 1, 4, 3), std::make_pair(F::Rows, false));
    EXPECT_EQ(order(2, 4, 1, 3), std::make_pair(F::Columns, false));
    EXPECT_EQ(order(3, 4, 1, 2), std::make_pair(F::RowsReversed, true));
    EXPECT_EQ(order(4, 2, 3, 1), std::make_pair(F::Columns, true));
    EXPECT_EQ(order(4, 3, 2, 1), std::make_pair(F::Rows, true));
    EXPECT_EQ(order(1, 1, 1, 1), std::make_pair(F::RowsReversed, false));   // ties: the lowest corner
}

TEST_F(PictureUnitsTest, ScatterGraphsDrawTheCurrentBinInPassesOneAndThree)
{
    dir.Write("track.txt", "0 0 0 0.5\n1 0 0 3.2\n2 0 0 3.9\n3 0 0 12\n");
    const std::string data = "<data name=\"track\" type=\"array_xyzt\" size=\"4\"><file path=\"track.txt\"/></data>";
    auto& graph = Open<CKxDrawUScatterGraph>("<scatterGraph coordinate_data=\"track\" timeSeries=\"0,10,1\"/>", data);
    ASSERT_TRUE(Load(graph).empty());
    for (int pass = 0; pass <= 4; ++pass) graph.Draw(pass);
    EXPECT_EQ(requests.scatterPasses, (std::vector<int>{1, 3}));

    const auto range = [&](float time) {
        settings.currentTime = time;
        const ScatterRange r = graph.DrawRange();
        return std::make_pair(r.first, r.count);
    };
    EXPECT_EQ(range(3.7f), std::make_pair(1, 2));
    EXPECT_EQ(range(0), std::make_pair(0, 1));
    EXPECT_EQ(range(5), std::make_pair(0, 0));
    EXPECT_EQ(range(10), std::make_pair(0, 0));
    EXPECT_EQ(range(-0.5f), std::make_pair(0, 0));   // negative times select no bin

    // One event for the graph: one pick id, drawn in one go.
    EXPECT_FALSE(graph.DrawsPointByPoint(1));
    EXPECT_EQ(graph.PickIdOf(3, false), &graph.pickIds[0]);

    requests.scatterPasses.clear();
    settings.drawingClippedPart = 1;
    graph.Draw(1);
    EXPECT_TRUE(requests.scatterPasses.empty());
}

TEST_F(PictureUnitsTest, ScatterPointsWithTheirOwnEventsAndColours)
{
    dir.Write("xyz.txt", "0 0 0\n1 0 0\n2 0 0\n");
    dir.Write("rgb.txt", "255 0 0\n0 255 0\n0 0 255\n");
    const std::string data = "<data name=\"xyz\" type=\"array_xyz\" size=\"3\"><file path=\"xyz.txt\"/></data>"
                             "<data name=\"rgb\" type=\"array_color\" size=\"3\"><file path=\"rgb.txt\"/></data>"
                             "<event name=\"a\"/><event name=\"b\"/>";
    auto& graph =
        Open<CKxDrawUScatterGraph>("<scatterGraph coordinate_data=\"xyz\" color_data=\"rgb\" event=\"a,b\"/>", data);
    ASSERT_TRUE(Load(graph).empty());
    EXPECT_TRUE(graph.DrawsPointByPoint(1));
    EXPECT_TRUE(graph.DrawsPointByPoint(3));
    ASSERT_EQ(graph.pickIds.size(), 2u);
    EXPECT_EQ(graph.PickIdOf(1, true), &graph.pickIds[1]);
    // The third point has no event of its own: no pick id, no highlight.
    EXPECT_EQ(graph.PickIdOf(2, true), nullptr);
    graph.eventFlags = {0, 1};
    EXPECT_TRUE(graph.IsHighlighted(1, true));
    EXPECT_FALSE(graph.IsHighlighted(2, true));
    EXPECT_EQ(graph.AmbientOf(2)[2], 1.0f);
    EXPECT_EQ(graph.DiffuseOf(2)[2], 0.0f);   // the balance 1, 0: pure ambient

    graph.scale[0] = 2;
    graph.translation[0] = 1;
    graph.pivot[0] = 0.5;
    double at[3];
    graph.MarkerPosition(2, at);
    EXPECT_EQ(at[0], 1 + 2 * (2 - 0.5));
}
