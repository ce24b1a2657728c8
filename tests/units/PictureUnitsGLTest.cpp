// Image, topographic-map and scatter-graph units on the headless context:
// scenes loaded through the payload job, drawn unlit in a unit orthographic
// view and read back at known pixels.
#include "render/RenderSettings.h"
#include "scene/ApplicationSettings.h"
#include "scene/CVelmorDoc.h"
#include "scene/DataObject.h"
#include "support/MessageRecorder.h"
#include "support/RecordingJobHost.h"
#include "support/RecordingView.h"
#include "support/TempDir.h"
#include "support/TestScenes.h"
#include "support/gl/HeadlessGL.h"
#include "units/CKxDrawUImage.h"
#include "units/CKxDrawUScatterGraph.h"
#include "units/CKxDrawUTopoMap.h"
#include "units/DrawGroup.h"

#include <GL/gl.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using namespace velmor;
using namespace velmor::test;

namespace {

constexpr Rgba kClear{0, 0, 0, 0};
constexpr Rgba kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255}, kBlue{0, 0, 255, 255}, kWhite{255, 255, 255, 255};

Rgba PickColour(uint32_t id) { return {static_cast<uint8_t>(id), 0, 0, 0}; }

bool Near(const Rgba& a, const Rgba& b, int tolerance)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

// The x or y of a pixel's centre in the unit view of the 64 x 64 framebuffer.
std::string At(int pixel)
{
    std::ostringstream text;
    text.precision(9);
    text << (pixel + 0.5) / 32.0 - 1.0;
    return text.str();
}

class PictureUnitsGLTest : public GLTest {
protected:
    PictureUnitsGLTest()
    {
        doc.AttachView(&view);
        doc.OnNewDocument();
    }
    ~PictureUnitsGLTest() override { ScenePath = SceneFolder = LastFolder = L""; }
    void SetUp() override
    {
        GLTest::SetUp();
        PublishRenderSettings(&settings);
        UseUnitOrtho();
        glDisable(GL_LIGHTING);
        glColor4f(1, 1, 1, 1);
        Clear();
    }
    void TearDown() override
    {
        PublishRenderSettings(nullptr);
        SetApplicationSettings(ApplicationSettings{});
        GLTest::TearDown();
    }
    static void Clear()
    {
        glClearColor(0, 0, 0, 0);
        glClearDepth(1.0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    // Opens a scene with group "g" holding `units`, and loads the first unit.
    template <typename Unit>
    Unit& Load(const std::string& units, const std::string& data)
    {
        MessageRecorder messages;
        dir.Write("scene.vlm", SceneWithBody("<drawGroup name=\"g\"><drawUnit>" + units + "</drawUnit></drawGroup>" + data));
        EXPECT_TRUE(doc.OnOpenDocument(dir.WidePath("scene.vlm")));
        auto& unit = dynamic_cast<Unit&>(*doc.drawGroups.at(L"g")->units.at(0));
        unit.Load();
        EXPECT_TRUE(messages.Messages().empty());
        EXPECT_TRUE(unit.valid);
        return unit;
    }
    // A 4 x 4 RGB picture: red lower left, green lower right, blue upper
    // left, white upper right (the file holds the top row first).
    std::string Quadrants(const std::string& name)
    {
        std::string bytes;
        const auto row = [&](const char* left, const char* right) {
            for (int x = 0; x < 4; ++x) bytes.append(x < 2 ? left : right, 3);
        };
        for (int y = 0; y < 2; ++y) row("\x00\x00\xff", "\xff\xff\xff");
        for (int y = 0; y < 2; ++y) row("\xff\x00\x00", "\x00\xff\x00");
        dir.Write(name + ".raw", bytes);
        return "<data name=\"" + name + "\" type=\"image\" format=\"RGB\" size=\"4,4\"><file path=\"" + name +
               ".raw\" type=\"raw\"/></data>";
    }
    std::string OneColour(const std::string& name, const char* rgb)
    {
        std::string bytes;
        for (int k = 0; k < 4; ++k) bytes.append(rgb, 3);
        dir.Write(name + ".raw", bytes);
        return "<data name=\"" + name + "\" type=\"image\" format=\"RGB\" size=\"2,2\"><file path=\"" + name +
               ".raw\" type=\"raw\"/></data>";
    }
    // Five columns of heights, two rows alike.
    std::string Heights()
    {
        dir.Write("h.txt", "0.5\n0.5\n0\n-0.25\n-0.25\n0.5\n0.5\n0\n-0.25\n-0.25\n");
        return "<data name=\"h\" type=\"gridXY\" format=\"float\" size=\"5,2\"><file path=\"h.txt\"/></data>";
    }
    // Points "xyz" at pixel centres with colours "rgb", and events "a", "b", "c".
    std::string ColouredPoints(const std::vector<std::pair<int, int>>& pixels, const std::string& colours)
    {
        std::string points;
        for (const auto& [x, y] : pixels) points += At(x) + " " + At(y) + " 0\n";
        dir.Write("xyz.txt", points);
        dir.Write("rgb.txt", colours);
        const std::string count = std::to_string(pixels.size());
        return "<data name=\"xyz\" type=\"array_xyz\" size=\"" + count + "\"><file path=\"xyz.txt\"/></data>"
               "<data name=\"rgb\" type=\"array_color\" size=\"" + count + "\"><file path=\"rgb.txt\"/></data>"
               "<event name=\"a\"/><event name=\"b\"/><event name=\"c\"/>";
    }
    void ExpectMapColoursAndHeights(CKxDrawUTopoMap& map)
    {
        Clear();
        map.Draw(1);
        // One cell every 16 pixels; the texels blend a little toward their neighbours.
        EXPECT_TRUE(Near(Pixel(7, 32), kRed, 10)) << Pixel(7, 32);
        EXPECT_TRUE(Near(Pixel(23, 32), Rgba{255, 255, 0, 255}, 10)) << Pixel(23, 32);
        EXPECT_TRUE(Near(Pixel(39, 32), Rgba{0, 84, 255, 255}, 10)) << Pixel(39, 32);
        EXPECT_TRUE(Near(Pixel(56, 32), kBlue, 10)) << Pixel(56, 32);
        // Depth of the unit view is (1 - z) / 2.
        EXPECT_NEAR(framebuffer_->ReadDepth(4, 32), 0.25, 1e-3);
        EXPECT_NEAR(framebuffer_->ReadDepth(60, 32), 0.625, 1e-3);
    }

    TempDir dir;
    RecordingView view;
    CVelmorDoc doc;
    RecordingJobHost host;
    RenderSettings settings;
};

} // namespace

TEST_F(PictureUnitsGLTest, ImageQuadShowsItsPictureAndPicksWhole)
{
    auto& image = Load<CKxDrawUImage>("<image image_data=\"pic\" size=\"1\"/>", Quadrants("pic"));
    image.Draw(1);
    EXPECT_EQ(Pixel(24, 24), kRed);
    EXPECT_EQ(Pixel(40, 24), kGreen);
    EXPECT_EQ(Pixel(24, 40), kBlue);
    EXPECT_EQ(Pixel(40, 40), kWhite);
    EXPECT_EQ(Pixel(4, 4), kClear);   // the quad spans -0.5..0.5
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));

    Clear();
    PickCounter = 0;
    image.pickId = 0;
    image.Draw(3);
    EXPECT_EQ(image.pickId, 1u);
    EXPECT_EQ(Pixel(32, 32), PickColour(1));
    EXPECT_EQ(Pixel(20, 44), PickColour(1));
}

TEST_F(PictureUnitsGLTest, SelectedImagesShowTheirSecondPicture)
{
    auto& image = Load<CKxDrawUImage>("<image image_data=\"pic\" selectedImage_data=\"other\" size=\"1\"/>",
                                      Quadrants("pic") + OneColour("other", "\x00\xff\x00"));
    image.selected = true;
    image.Draw(1);
    EXPECT_EQ(Pixel(24, 40), kGreen);
    image.selected = false;
    Clear();
    image.Draw(1);
    EXPECT_EQ(Pixel(24, 40), kBlue);
}

TEST_F(PictureUnitsGLTest, TranslucentImagesDrawInTheTransparentPassOnly)
{
    auto& image = Load<CKxDrawUImage>("<image image_data=\"pic\" size=\"1\" opacity=\"0.5\"/>", Quadrants("pic"));
    image.Draw(1);
    PickCounter = 0;
    image.Draw(3);
    EXPECT_EQ(Pixel(24, 24), kClear);
    EXPECT_EQ(PickCounter, 0u);
    image.Draw(2);
    EXPECT_EQ(Pixel(24, 24), kRed);
}

TEST_F(PictureUnitsGLTest, DiscSphereAndFacingShapes)
{
    // A disc of diameter 1: its centre is drawn, the square's corner is not.
    auto& disc = Load<CKxDrawUImage>("<image image_data=\"pic\" shape=\"circle\" size=\"1\"/>", OneColour("pic", "\xff\x00\x00"));
    disc.Draw(1);
    EXPECT_EQ(Pixel(32, 32), kRed);
    EXPECT_EQ(Pixel(18, 18), kClear);

    // Turned edge-on about y, a flat image vanishes unless it faces the viewer.
    auto& turned = Load<CKxDrawUImage>("<image image_data=\"pic\" size=\"1\" rot=\"90,0,1,0\"/>", OneColour("pic", "\xff\x00\x00"));
    Clear();
    turned.Draw(1);
    EXPECT_EQ(Pixel(24, 32), kClear);
    turned.facing = true;
    turned.Draw(1);
    EXPECT_EQ(Pixel(24, 32), kRed);

    // A translucent sphere: both halves drawn, the culling state restored.
    auto& sphere = Load<CKxDrawUImage>("<image image_data=\"pic\" shape=\"sphere\" size=\"1\" opacity=\"0.5\"/>",
                                       OneColour("pic", "\x00\x00\xff"));
    Clear();
    glDisable(GL_DEPTH_TEST);
    sphere.Draw(2);
    EXPECT_EQ(Pixel(32, 32), kBlue);
    EXPECT_EQ(Pixel(4, 4), kClear);
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
}

TEST_F(PictureUnitsGLTest, MapColoursAndHeightsFromMemoryAndFromBufferObjects)
{
    auto& map = Load<CKxDrawUTopoMap>("<topographicMap height_data=\"h\" coordinate=\"-1,1,-1,1\"/>", Heights());
    EXPECT_FALSE(map.glBuffersValid);
    ExpectMapColoursAndHeights(map);

    ApplicationSettings vbo;
    vbo.useVBO = true;
    SetApplicationSettings(vbo);
    auto& buffered = Load<CKxDrawUTopoMap>("<topographicMap height_data=\"h\" coordinate=\"-1,1,-1,1\"/>", Heights());
    ASSERT_TRUE(buffered.glBuffersValid);
    ExpectMapColoursAndHeights(buffered);
    EXPECT_TRUE(buffered.FreeGLBuffers());
    EXPECT_FALSE(buffered.FreeGLBuffers());
    ExpectMapColoursAndHeights(buffered);   // from memory again

    Clear();
    PickCounter = 0;
    buffered.Draw(3);
    EXPECT_EQ(Pixel(5, 5), PickColour(1));
    EXPECT_EQ(Pixel(60, 60), PickColour(1));
}

TEST_F(PictureUnitsGLTest, TranslucentMapsDrawStripByStripInTheTransparentPass)
{
    ApplicationSettings vbo;
    vbo.useVBO = true;
    SetApplicationSettings(vbo);
    auto& map = Load<CKxDrawUTopoMap>("<topographicMap height_data=\"h\" coordinate=\"-1,1,-1,1\" opacity=\"0.5\"/>",
                                      Heights());
    map.Draw(1);
    map.Draw(3);
    EXPECT_EQ(Pixel(7, 32), kClear);
    map.Draw(2);
    EXPECT_TRUE(Near(Pixel(7, 32), kRed, 10)) << Pixel(7, 32);
    EXPECT_TRUE(Near(Pixel(56, 32), kBlue, 10)) << Pixel(56, 32);

    // Made opaque after its buffers were built without indices: still drawn.
    map.material.diffuse[3] = 1.0f;
    Clear();
    map.Draw(1);
    EXPECT_TRUE(Near(Pixel(7, 32), kRed, 10)) << Pixel(7, 32);
}

TEST_F(PictureUnitsGLTest, ScatterPointsInTheirColoursAndPickIds)
{
    const std::string data = ColouredPoints({{8, 8}, {32, 32}, {56, 40}}, "255 0 0\n0 255 0\n0 0 255\n");
    auto& graph = Load<CKxDrawUScatterGraph>(
        "<scatterGraph coordinate_data=\"xyz\" color_data=\"rgb\" marker=\"point\" event=\"a,b,c\"/>", data);
    graph.eventFlags[2] = 1;
    glEnable(GL_LIGHTING);
    graph.Draw(1);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    glDisable(GL_LIGHTING);
    EXPECT_EQ(Pixel(8, 8), kRed);
    EXPECT_EQ(Pixel(32, 32), kGreen);
    EXPECT_EQ(Pixel(56, 40), (Rgba{127, 96, 27, 255}));   // highlighted
    EXPECT_EQ(Pixel(9, 8), kClear);

    Clear();
    PickCounter = 0;
    graph.Draw(3);
    EXPECT_EQ(Pixel(8, 8), PickColour(1));
    EXPECT_EQ(Pixel(32, 32), PickColour(2));
    EXPECT_EQ(Pixel(56, 40), PickColour(3));
    EXPECT_EQ(graph.pickIds, (std::vector<uint32_t>{1, 2, 3}));

    // One event: one id for the whole graph.
    auto& whole = Load<CKxDrawUScatterGraph>("<scatterGraph coordinate_data=\"xyz\" marker=\"point\" markerSize=\"3\"/>", data);
    Clear();
    PickCounter = 0;
    whole.Draw(3);
    EXPECT_EQ(Pixel(8, 8), PickColour(1));
    EXPECT_EQ(Pixel(57, 41), PickColour(1));   // three pixels wide
    EXPECT_EQ(Pixel(32, 32), PickColour(1));
    EXPECT_EQ(PickCounter, 1u);
}

TEST_F(PictureUnitsGLTest, ScatterTimeBinsAndSpheres)
{
    dir.Write("t.txt", At(8) + " " + At(8) + " 0 0.5\n" + At(32) + " " + At(32) + " 0 1.2\n" + At(40) + " " + At(20) +
                           " 0 1.7\n");
    const std::string data = "<data name=\"t\" type=\"array_xyzt\" size=\"3\"><file path=\"t.txt\"/></data>";
    auto& series = Load<CKxDrawUScatterGraph>(
        "<scatterGraph coordinate_data=\"t\" marker=\"point\" timeSeries=\"0,10,1\" diffuse=\"0,0,255\" ambient=\"0,0,255\"/>",
        data);
    settings.currentTime = 1.5f;
    series.Draw(1);
    EXPECT_EQ(Pixel(8, 8), kClear);
    EXPECT_EQ(Pixel(32, 32), kBlue);
    EXPECT_EQ(Pixel(40, 20), kBlue);
    settings.currentTime = 10;
    Clear();
    series.Draw(1);
    EXPECT_EQ(Pixel(32, 32), kClear);

    // Spheres of radius 0.25 view units, picked as a whole (the pick pass
    // draws unlit; pass 1 of points turned lighting back on).
    glDisable(GL_LIGHTING);
    settings.currentTime = 0;
    auto& spheres = Load<CKxDrawUScatterGraph>("<scatterGraph coordinate_data=\"t\" marker=\"sphere\" markerSize=\"0.25\"/>", data);
    Clear();
    PickCounter = 0;
    spheres.Draw(3);
    EXPECT_EQ(Pixel(8, 8), PickColour(1));
    EXPECT_EQ(Pixel(8 + 6, 8), PickColour(1));
    EXPECT_EQ(Pixel(8 + 10, 8), kClear);
}

TEST_F(PictureUnitsGLTest, MapsWithoutVideoMemoryStayInMemoryOrAreNotDrawn)
{
    ApplicationSettings vbo;
    vbo.useVBO = true;
    SetApplicationSettings(vbo);
    SetVideoMemoryQuery([] { return int64_t{0}; });
    MessageRecorder messages;
    auto& map = Load<CKxDrawUTopoMap>("<topographicMap height_data=\"h\" coordinate=\"-1,1,-1,1\"/>", Heights());
    // No buffers and no message: the map would draw from memory...
    EXPECT_FALSE(map.glBuffersValid);
    EXPECT_TRUE(map.glBuffersDirty);
    EXPECT_EQ(map.glBuffers[0], 0u);
    // ...but the memory for its arrays is refused too.
    map.Draw(1);
    EXPECT_EQ(Pixel(7, 32), kClear);
    SetVideoMemoryQuery({});
    map.Draw(1);
    EXPECT_TRUE(Near(Pixel(7, 32), kRed, 10)) << Pixel(7, 32);
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(PictureUnitsGLTest, SphereMarkersTakeTheirPointsColoursOrTheHighlight)
{
    // Only an ambient light: a lit pixel shows the material's ambient colour.
    glEnable(GL_LIGHTING);
    for (GLenum light : {GL_LIGHT1, GL_LIGHT2, GL_LIGHT3}) glDisable(light);
    glEnable(GL_LIGHT0);
    const GLfloat white[4] = {1, 1, 1, 1}, black[4] = {0, 0, 0, 1};
    glLightfv(GL_LIGHT0, GL_AMBIENT, white);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, black);
    glLightfv(GL_LIGHT0, GL_SPECULAR, black);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);

    const std::string data = ColouredPoints({{16, 16}, {48, 48}}, "0 255 0\n0 0 255\n");
    auto& graph = Load<CKxDrawUScatterGraph>(
        "<scatterGraph coordinate_data=\"xyz\" color_data=\"rgb\" marker=\"sphere\" markerSize=\"0.1\" event=\"a,b\"/>", data);
    graph.eventFlags[1] = 1;
    graph.Draw(1);
    EXPECT_EQ(Pixel(16, 16), kGreen);
    EXPECT_EQ(Pixel(48, 48), (Rgba{127, 96, 27, 255}));
    EXPECT_EQ(Pixel(32, 32), kClear);
}
