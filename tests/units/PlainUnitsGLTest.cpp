#include "render/RenderSettings.h"
#include "support/gl/HeadlessGL.h"
#include "units/AxisGizmo.h"
#include "units/CKxDrawUConnector.h"
#include "units/CKxDrawULinkBoard.h"
#include "units/CKxDrawUPrimitive.h"
#include "units/CKxDrawUText.h"
#include "units/DrawGroup.h"
#include "units/PlainUnitsGL.h"

#include <GL/gl.h>


using namespace velmor;
using velmor::test::GLTest;
using velmor::test::Rgba;

namespace {

constexpr Rgba kNone{0, 0, 0, 0};
constexpr Rgba kPick1{1, 0, 0, 0};

class PlainUnitsGLTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        InstallPlainUnitDrawing();
        UseFlatUnitOrtho();
        PickCounter = 0;
    }
    void Clear() { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT); }
    // Draws the unit in the pick pass and checks which pixels took its id.
    void ExpectPicked(CKxDrawUnit& unit, std::initializer_list<std::pair<int, int>> inked,
                      std::initializer_list<std::pair<int, int>> empty)
    {
        Clear();
        PickCounter = 0;
        glDisable(GL_LIGHTING);   // as the pick pass leaves it
        unit.Load();
        unit.Draw(3);
        for (auto [x, y] : inked)
            EXPECT_EQ(Pixel(x, y), kPick1) << "at " << x << ", " << y;
        for (auto [x, y] : empty)
            EXPECT_EQ(Pixel(x, y), kNone) << "at " << x << ", " << y;
    }
    // Pixels a text inks in the pick pass, and how far right the middle of its
    // top row of ink lies of the middle of its bottom row.
    std::pair<int, double> InkAndLean(CKxDrawUText& text)
    {
        ExpectPicked(text, {}, {});
        const std::vector<Rgba> all = framebuffer_->ReadAll();
        int pixels = 0;
        std::vector<double> middles;   // of the inked rows, bottom up
        for (int y = 0, n = 0, sum = 0; y < 64; ++y, n = sum = 0) {
            for (int x = 0; x < 64; ++x)
                if (!(all[static_cast<size_t>(y * 64 + x)] == kNone)) ++n, sum += x;
            if (n > 0) middles.push_back(static_cast<double>(sum) / n);
            pixels += n;
        }
        return {pixels, middles.empty() ? 0 : middles.back() - middles.front()};
    }
    int InkCount(int x0, int y0, int x1, int y1)
    {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                n += !(Pixel(x, y) == kNone);
        return n;
    }
};

CKxDrawUPrimitive Shape(const wchar_t* name, float sx = 1, float sy = 1, float sz = 1)
{
    CKxDrawUPrimitive unit(nullptr);
    unit.shape = name;
    unit.size[0] = sx, unit.size[1] = sy, unit.size[2] = sz;
    return unit;
}

} // namespace

TEST_F(PlainUnitsGLTest, PointLineTriangleAndBar)
{
    CKxDrawUPrimitive point = Shape(L"point");
    point.pixelSize = 5;
    ExpectPicked(point, {{32, 32}, {30, 34}}, {{40, 40}, {32, 26}});

    CKxDrawUPrimitive line = Shape(L"line");
    line.points[0][0] = -0.5f, line.points[1][0] = 0.5f;
    line.pixelSize = 3;
    ExpectPicked(line, {{32, 32}, {20, 31}, {44, 31}}, {{32, 40}, {5, 32}, {60, 32}});

    CKxDrawUPrimitive triangle = Shape(L"triangle");
    const float corners[3][3] = {{-1, -1, 0}, {1, -1, 0}, {-1, 1, 0}};
    std::copy(&corners[0][0], &corners[0][0] + 9, &triangle.points[0][0]);
    ExpectPicked(triangle, {{10, 10}, {50, 5}}, {{54, 54}, {40, 40}});
    const float inner[3][3] = {{-0.5f, -0.5f, 0}, {0.5f, -0.5f, 0}, {-0.5f, 0.5f, 0}};
    std::copy(&inner[0][0], &inner[0][0] + 9, &triangle.points[0][0]);
    triangle.filled = false;
    triangle.pixelSize = 3;
    ExpectPicked(triangle, {{32, 16}, {16, 32}}, {{20, 20}, {10, 10}});

    CKxDrawUPrimitive bar = Shape(L"bar");
    bar.points[0][1] = 1 / 64.0f;   // the centre of pixel row 32
    ExpectPicked(bar, {{20, 32}, {44, 32}}, {{10, 32}, {54, 32}, {32, 36}});
}

TEST_F(PlainUnitsGLTest, FlatShapesSolidsAndTheirSizes)
{
    // A square of size 1 has side 1: 32 pixels.
    CKxDrawUPrimitive square = Shape(L"square");
    ExpectPicked(square, {{17, 17}, {47, 47}}, {{14, 32}, {50, 32}});
    CKxDrawUPrimitive rectangle = Shape(L"rectangle", 1, 0.5f);
    ExpectPicked(rectangle, {{20, 26}, {44, 38}}, {{20, 20}, {32, 44}});
    // A circle of size 0.5 has radius 0.5: 16 pixels.
    CKxDrawUPrimitive circle = Shape(L"circle", 0.5f);
    ExpectPicked(circle, {{46, 32}, {32, 18}}, {{45, 45}, {50, 32}});
    CKxDrawUPrimitive oval = Shape(L"oval", 0.75f, 0.25f);
    ExpectPicked(oval, {{54, 32}, {32, 38}}, {{32, 42}, {58, 32}});
    oval.filled = false;   // spokes and rings
    oval.pixelSize = 3;
    ExpectPicked(oval, {{44, 31}}, {{5, 5}});

    CKxDrawUPrimitive cube = Shape(L"cube", 1);
    ExpectPicked(cube, {{17, 17}, {47, 47}}, {{14, 32}, {50, 32}});
    CKxDrawUPrimitive cuboid = Shape(L"cuboid", 1, 0.5f, 0.5f);
    ExpectPicked(cuboid, {{20, 26}}, {{20, 20}});
    CKxDrawUPrimitive sphere = Shape(L"sphere", 0.5f);
    ExpectPicked(sphere, {{32, 46}, {20, 32}}, {{45, 45}, {32, 50}});
    CKxDrawUPrimitive ellipsoid = Shape(L"ellipsoid", 0.75f, 0.25f, 0.25f);
    ExpectPicked(ellipsoid, {{52, 32}}, {{32, 42}});

    // Seen from the side, the cone's base is at +y and its tip at -y.
    CKxDrawUPrimitive cone = Shape(L"cone", 0.5f, 1);
    cone.rot[0] = 90, cone.rot[1] = 1, cone.rot[2] = 0;
    ExpectPicked(cone, {{44, 46}, {32, 18}}, {{44, 18}, {52, 46}});
    CKxDrawUPrimitive cylinder = Shape(L"cylinder", 0.25f, 0.25f, 1);
    cylinder.rot[0] = 90, cylinder.rot[1] = 1, cylinder.rot[2] = 0;
    ExpectPicked(cylinder, {{38, 46}, {26, 18}}, {{44, 32}, {32, 52}});
}

TEST_F(PlainUnitsGLTest, CountsOfZeroOrBelowDrawNothing)
{
    for (const wchar_t* name : {L"circle", L"sphere", L"cylinder"}) {
        CKxDrawUPrimitive unit = Shape(name, 0.5f, 0.5f, 0.5f);
        unit.parameter[0] = 0;
        unit.parameter[1] = -3;
        unit.parameter[2] = 0;   // wire solids count with the last two
        unit.parameter[3] = -1;
        ExpectPicked(unit, {}, {{32, 32}, {40, 32}});
        unit.filled = false;
        ExpectPicked(unit, {}, {{32, 32}, {40, 32}});
    }
    CKxDrawUPrimitive unknown = Shape(L"hexagon");
    ExpectPicked(unknown, {}, {{32, 32}});
}

TEST_F(PlainUnitsGLTest, MarkersKeepTheirSizeWhenTheSpaceIsScaled)
{
    DrawGroup group(L"g");
    CKxDrawUPrimitive marker(&group), scaled(&group);
    for (CKxDrawUPrimitive* unit : {&marker, &scaled}) {
        unit->shape = L"square";
        unit->size[0] = 0.5f;
        unit->points[0][0] = 0.25f;
        unit->scale[0] = unit->scale[1] = unit->scale[2] = 2;
    }
    scaled.marker = false;
    // Both centres land at x = 0.5; only the unscaled marker stays 16 pixels wide.
    ExpectPicked(marker, {{48, 32}, {41, 32}, {55, 32}}, {{38, 32}, {58, 32}});
    ExpectPicked(scaled, {{48, 32}, {34, 32}, {62, 32}}, {{30, 32}});
}

TEST_F(PlainUnitsGLTest, PickIdsCountInDrawingOrderAndSkipTransparentUnits)
{
    DrawGroup group(L"g");
    auto* left = new CKxDrawUPrimitive(&group);
    auto* glass = new CKxDrawUPrimitive(&group);
    auto* right = new CKxDrawUPrimitive(&group);
    group.units = {left, glass, right};
    for (auto* unit : {left, glass, right}) {
        unit->shape = L"square";
        unit->size[0] = 0.5f;
        unit->Load();
    }
    left->points[0][0] = -0.5f;
    right->points[0][0] = 0.5f;
    glass->material.diffuse[3] = 0.5f;
    CurrentRenderSettings().currentLayer = 1;
    PickCounter = 0;
    glDisable(GL_LIGHTING);
    group.DrawTree(3);
    EXPECT_EQ(Pixel(16, 32), kPick1);
    EXPECT_EQ(Pixel(48, 32), (Rgba{2, 0, 0, 0}));
    EXPECT_EQ(Pixel(32, 32), kNone);
    EXPECT_EQ(glass->pickId, 0u);
    EXPECT_EQ(right->pickId, 2u);

    // The transparent one draws in pass 2 only, the opaque ones in pass 1 only.
    Clear();
    group.DrawTree(2);
    EXPECT_FALSE(Pixel(32, 32) == kNone);
    EXPECT_EQ(Pixel(16, 32), kNone);
    Clear();
    for (int pass : {0, 4})
        group.DrawTree(pass);
    glass->hidden = true;
    group.DrawTree(2);
    EXPECT_EQ(InkCount(0, 0, 64, 64), 0);
    CurrentRenderSettings().drawingClippedPart = 1;
    group.DrawTree(1);
    CurrentRenderSettings().drawingClippedPart = 0;
    EXPECT_EQ(InkCount(0, 0, 64, 64), 0);
}

TEST_F(PlainUnitsGLTest, UnfilledShapesUseTheUnlitColourAndFilledOnesTheMaterial)
{
    CKxDrawUPrimitive line = Shape(L"line");
    line.points[0][0] = -1, line.points[1][0] = 1;
    line.pixelSize = 3;
    line.Load();   // lines are never filled
    for (int i = 0; i < 3; ++i)
        line.material.ambient[i] = 0, line.material.diffuse[i] = 0;
    line.material.ambient[0] = 0.3f;
    glEnable(GL_LIGHTING);
    line.Draw(1);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    GLfloat width = 0;
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_EQ(width, 1.0f);
    const Rgba drawn = Pixel(32, 32);
    EXPECT_NEAR(drawn.r, 128, 1);
    EXPECT_EQ(drawn.g, 0);

    // Lit with nothing but the material's emission-free ambient under a white
    // ambient light: the ambient colour itself.
    CKxDrawUPrimitive square = Shape(L"square");
    square.Load();
    square.material.ambient[0] = 0, square.material.ambient[1] = 0.5f, square.material.ambient[2] = 0;
    for (int i = 0; i < 3; ++i)
        square.material.diffuse[i] = square.material.specular[i] = 0;
    const GLfloat white[4] = {1, 1, 1, 1};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, white);
    Clear();
    square.Draw(1);
    EXPECT_NEAR(Pixel(32, 32).g, 128, 1);
    EXPECT_EQ(Pixel(32, 32).r, 0);
}

TEST_F(PlainUnitsGLTest, ConnectorsRunFromTheScreenPointToTheScenePoint)
{
    CKxDrawUConnector line(nullptr);
    line.shape = L"line";
    line.pixelSize = 3;
    line.fixPoint[0] = line.fixPoint[1] = -0.5f;
    line.fixPoint[2] = 0.5f;
    line.coordinate[0] = line.coordinate[1] = 0.5f;
    ExpectPicked(line, {{32, 32}, {24, 24}, {40, 40}}, {{40, 24}, {10, 10}, {54, 54}});

    CKxDrawUConnector cylinder = line;   // no lists to own: plain copy is fine
    cylinder.shape = L"cylinder";
    cylinder.radius = 0.1f;   // 3.2 pixels
    ExpectPicked(cylinder, {{34, 30}, {24, 24}, {47, 43}}, {{37, 27}, {10, 10}});
    CKxDrawUConnector cone = cylinder;   // its base at the screen end
    cone.shape = L"cone";
    ExpectPicked(cone, {{18, 18}, {18, 15}}, {{47, 43}});

    CKxDrawUConnector other = line;
    other.shape = L"arrow";
    ExpectPicked(other, {}, {{32, 32}});
    line.material.diffuse[3] = 0.25f;
    ExpectPicked(line, {}, {{32, 32}});
}

TEST_F(PlainUnitsGLTest, LinkBoardsShowOnlyInThePickPassUnlessEdited)
{
    CKxDrawULinkBoard board(nullptr);
    board.coordinate[0] = board.coordinate[1] = -0.5f;
    board.width = 1;
    board.height = 0.5f;
    board.Draw(1);
    board.Draw(2);
    EXPECT_EQ(InkCount(0, 0, 64, 64), 0);
    ExpectPicked(board, {{20, 20}, {46, 30}}, {{20, 40}, {10, 20}});

    Clear();
    board.editing = true;
    board.Draw(1);
    EXPECT_FALSE(Pixel(16, 20) == kNone);   // the outline's left side
    EXPECT_FALSE(Pixel(30, 16) == kNone);   // and its bottom
    EXPECT_EQ(Pixel(32, 24), kNone);        // never filled
}

TEST_F(PlainUnitsGLTest, JapaneseBitmapTextInksRightOfAndAboveItsPoint)
{
    CKxDrawUText text(nullptr);
    text.text = L"日本";
    text.fontSize = 24;
    text.mode = 3;
    text.fixPoint[0] = -0.75f;   // window x 8, y 32
    text.fixPoint[1] = 0;
    text.Load();
    ASSERT_EQ(text.listCount, 2u);
    text.Draw(1);
    EXPECT_GT(InkCount(8, 32, 56, 52), 60);   // two characters, above the baseline
    EXPECT_EQ(InkCount(0, 0, 64, 24), 0);     // nothing well below it
    EXPECT_EQ(InkCount(0, 0, 7, 64), 0);      // nothing left of the point
    EXPECT_EQ(InkCount(0, 56, 64, 64), 0);    // nor above the cell

    // The pick pass gives the whole text one id, exactly.
    Clear();
    PickCounter = 0;
    glDisable(GL_LIGHTING);
    text.Draw(3);
    const std::vector<Rgba> all = framebuffer_->ReadAll();
    int picked = 0;
    for (const Rgba& pixel : all) {
        EXPECT_TRUE(pixel == kNone || pixel == kPick1) << pixel;
        picked += pixel == kPick1;
    }
    EXPECT_GT(picked, 60);
    // No transparent pass for text.
    Clear();
    text.Draw(2);
    text.Draw(0);
    EXPECT_EQ(InkCount(0, 0, 64, 64), 0);
}

TEST_F(PlainUnitsGLTest, FacingTextIsPlacedAtItsPointWhateverTheRotation)
{
    CKxDrawUText text(nullptr);
    text.text = L"口";
    text.fontSize = 16;
    text.coordinate[0] = -0.5f;
    text.coordinate[1] = -0.5f;
    text.Load();
    glRotatef(90, 0, 0, 1);   // the raster text ignores the view's rotation
    text.Draw(1);
    // (-0.5, -0.5) turned by 90 degrees lands at (0.5, -0.5): pixel (48, 16).
    EXPECT_GT(InkCount(48, 16, 64, 32), 20);
    EXPECT_EQ(InkCount(0, 0, 47, 64), 0);
}

TEST_F(PlainUnitsGLTest, OutlineTextIsScaledInEmsAndCanBeReleasedOnce)
{
    CKxDrawUText text(nullptr);
    text.text = L"口";
    text.mode = 1;
    text.textScale = 0.75f;   // one em: 24 pixels
    text.Load();
    ASSERT_EQ(text.listCount, 1u);
    GLint front = 0;
    glGetIntegerv(GL_FRONT_FACE, &front);
    EXPECT_EQ(front, GL_CCW);
    PickCounter = 0;
    glDisable(GL_LIGHTING);
    text.Draw(3);
    EXPECT_GT(InkCount(32, 30, 58, 56), 100);
    EXPECT_EQ(InkCount(0, 0, 31, 64), 0);
    EXPECT_EQ(InkCount(0, 0, 64, 29), 0);
    EXPECT_EQ(InkCount(57, 0, 64, 64), 0);

    const GLuint base = text.listBase;
    EXPECT_TRUE(glIsList(base));
    text.Load();   // a reload replaces the lists
    EXPECT_EQ(text.listCount, 1u);
    text.Release();
    EXPECT_EQ(text.listCount, 0u);
    EXPECT_FALSE(glIsList(base));
    text.Release();
}

// The Japanese fonts have no bold or italic face: both are made from the
// regular one, for raster and for solid text alike.
TEST_F(PlainUnitsGLTest, BoldAndItalicTextAreMadeFromARegularFace)
{
    for (const uint8_t mode : {3, 1}) {
        SCOPED_TRACE(mode == 3 ? "raster" : "solid");
        CKxDrawUText text(nullptr);
        text.text = L"口";
        text.mode = mode;
        text.fontSize = 32;
        text.textScale = 1;   // one em: 32 pixels
        text.coordinate[0] = text.fixPoint[0] = -0.75f;
        text.coordinate[1] = text.fixPoint[1] = -0.5f;
        const auto [plain, plainLean] = InkAndLean(text);
        text.bold = true;
        const int bold = InkAndLean(text).first;
        text.bold = false;
        text.italic = true;
        const auto [italic, italicLean] = InkAndLean(text);
        ASSERT_GT(plain, 150);
        EXPECT_GT(bold, plain * 6 / 5);
        EXPECT_LT(italic, plain * 6 / 5);   // slanted, not thickened
        EXPECT_GT(italicLean, plainLean + 3);
    }
}

TEST_F(PlainUnitsGLTest, OverlongTextsAndEmptyTextsStayInBounds)
{
    CKxDrawUText text(nullptr);
    text.text = std::wstring(700, L'a');
    text.fontName = std::wstring(100, L'x');
    text.Load();
    EXPECT_EQ(text.listCount, 511u);
    text.text.clear();
    text.Load();
    EXPECT_EQ(text.listCount, 0u);
    text.Draw(1);
}

TEST_F(PlainUnitsGLTest, AxisHandleArrowsAndEdgesInTheirColours)
{
    std::vector<DrawGroup*> groups;
    BuildAxisGizmo(groups);
    for (DrawGroup* group : groups)
        for (CKxDrawUnit* unit : group->units)
            unit->Load();
    // Pattern 1 in the fore layer: the arrow sits in the lower-left corner.
    CurrentRenderSettings().currentLayer = 2;
    PickCounter = 0;
    glDisable(GL_LIGHTING);
    groups[1]->DrawTree(3);
    EXPECT_EQ(Pixel(5, 5), (Rgba{2, 0, 0, 0}));   // the head, drawn second
    EXPECT_EQ(InkCount(16, 16, 64, 64), 0);
    Clear();
    groups[3]->DrawTree(3);
    EXPECT_FALSE(Pixel(58, 58) == kNone);
    EXPECT_EQ(InkCount(0, 0, 48, 48), 0);

    // Lit by a white ambient light, bright and dark arrows keep their grey.
    const GLfloat white[4] = {1, 1, 1, 1};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, white);
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHT1);
    glEnable(GL_LIGHTING);
    Clear();
    groups[1]->DrawTree(1);
    EXPECT_EQ(Pixel(5, 5), (Rgba{255, 255, 255, 255}));
    Clear();
    groups[2]->DrawTree(1);
    EXPECT_EQ(Pixel(5, 5), (Rgba{128, 128, 128, 255}));

    // Pattern 6: the edges from (-1, -1, -1) along x and y are red and green.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1.5, 1.5, -1.5, 1.5, -2, 2);
    glMatrixMode(GL_MODELVIEW);
    CurrentRenderSettings().currentLayer = 1;
    Clear();
    groups[11]->DrawTree(1);
    const Rgba xEdge = Pixel(32, 10), yEdge = Pixel(10, 32), top = Pixel(32, 53);
    EXPECT_EQ(xEdge.r, 255);
    EXPECT_NEAR(xEdge.g, 114, 1);
    EXPECT_EQ(xEdge.g, xEdge.b);
    EXPECT_EQ(yEdge.g, 255);
    EXPECT_NEAR(yEdge.r, 114, 1);
    EXPECT_EQ(top, (Rgba{255, 255, 255, 255}));
    FreeUnitArray(groups);
}
