// The view on a real X server: an opened scene is drawn, and the mouse and
// wheel turn, zoom and pick on the active pane.
#include "app/CVelmorView.h"
#include "app/Profile.h"
#include "scene/CVelmorDoc.h"
#include "scene/ApplicationSettings.h"
#include "units/CKxDrawUImage.h"
#include "units/CKxDrawUText.h"
#include "units/CKxDrawUVolumeR.h"
#include "units/DrawGroup.h"
#include "app/GuiTestSupport.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QImage>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <GL/gl.h>

namespace velmor {
namespace {

constexpr const char* kRedBall = R"(<?xml version="1.0" encoding="UTF-8"?>
<scene version="1.35"><body>
  <drawGroup name="top"><childGroup name="inner"/></drawGroup>
  <drawGroup name="inner"><drawUnit>
    <primitive note="Ball" shape="sphere" coordinate="0,0,0" size="0.3" diffuse="255,0,0" ambient="255,0,0"/>
  </drawUnit></drawGroup>
</body></scene>
)";

class CVelmorViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        document.AttachView(&view);
        view.resize(320, 240);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view, test::kStateDeadlineMs));
        document.OnOpenDocument(dir.WidePath("ball.vlm"));
        view.OnInitialUpdate(&document);
    }
    void TearDown() override { document.AttachView(nullptr); document.View = nullptr; }
    void Wheel(int delta)
    {
        const QPointF at(160, 120);
        QWheelEvent event(at, view.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view, &event);
    }

    QApplication& app = test::GuiApplication();
    test::TempDir dir;
    std::filesystem::path scene = dir.Write("ball.vlm", kRedBall);
    CVelmorDoc document;
    CVelmorView view;
};

TEST_F(CVelmorViewTest, TheTopGroupIsShownInTheActivePane)
{
    ASSERT_EQ(view.Mode(), ViewMode::kNormal);
    ASSERT_EQ(view.Renderer().activeSpace, 0);
    EXPECT_EQ(view.Renderer().panes[0].root, document.drawGroups.at(L"top").get());
    const QImage frame = view.grabFramebuffer();
    const QColor centre = frame.pixelColor(160, 120), corner = frame.pixelColor(2, 2);
    EXPECT_GT(centre.red(), 150);
    EXPECT_LT(centre.green(), 60);
    EXPECT_LT(corner.red(), 30);
}

TEST_F(CVelmorViewTest, TheWheelZoomsStepByStep)
{
    Wheel(120);
    EXPECT_NEAR(view.Renderer().panes[0].zoom, 1.07, 1e-9);
    Wheel(-120);
    EXPECT_NEAR(view.Renderer().panes[0].zoom, 1.07 * 0.935, 1e-9);
}

TEST_F(CVelmorViewTest, ALeftDragTurnsTheObjectAndASmallOneIsAClick)
{
    const Quaternion start = view.Renderer().panes[0].objectRotation;
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(107, 107), 20);
    EXPECT_EQ(view.Renderer().panes[0].objectRotation, start);
    EXPECT_EQ(view.Renderer().pickedPane, -1);   // the pressed pane is forgotten
    QTest::qWait(30);   // a press within 10 ms of the last release is ignored
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(100, 100));
    QMouseEvent move(QEvent::MouseMove, QPointF(160, 100), view.mapToGlobal(QPointF(160, 100)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &move);
    EXPECT_NE(view.Renderer().panes[0].objectRotation, start);
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(160, 100), 200);
    EXPECT_FALSE(view.Input().Dragging());
}

// A scene whose friend group sorts first: the first event, not the name
// order, decides what is shown. Its ball's click turns the background blue.
constexpr const char* kEventScene = R"(<?xml version="1.0" encoding="UTF-8"?>
<scene version="1.35"><body>
  <drawGroup name="a_friend"><drawUnit>
    <primitive note="Box" shape="cube" coordinate="0,0,0" size="1" diffuse="0,255,0" ambient="0,255,0"/>
  </drawUnit></drawGroup>
  <drawGroup name="main"><drawUnit>
    <primitive note="Ball" shape="sphere" coordinate="0,0,0" size="0.3" diffuse="255,0,0" ambient="255,0,0" event="blue"/>
  </drawUnit></drawGroup>
  <event name="start">
    <targetSpace index="0"/><topGroup name="main"/><activeSpace index="0"/>
    <appearance backgroundColor="60,60,60"/>
    <homeAnimation mode="0"/>
  </event>
  <event name="blue"><appearance backgroundColor="0,0,255"/></event>
  <firstSetting spaceNum="1" firstEvent="start"/>
</body></scene>
)";

TEST_F(CVelmorViewTest, TheFirstEventSetsTheSceneUpAndAClickRunsTheUnitsEvent)
{
    test::TempDir other;
    other.Write("events.vlm", kEventScene);
    document.OnOpenDocument(other.WidePath("events.vlm"));
    view.OnInitialUpdate(&document);
    ASSERT_EQ(view.Renderer().activeSpace, 0);
    EXPECT_EQ(view.Renderer().panes[0].root, document.drawGroups.at(L"main").get());
    EXPECT_EQ(view.State().homeAnimationSteps, 0);
    EXPECT_FALSE(view.State().sceneLoaded);   // the first run is over
    QImage frame = view.grabFramebuffer();
    EXPECT_GT(frame.pixelColor(160, 120).red(), 150);
    EXPECT_EQ(frame.pixelColor(2, 2).rgb(), qRgb(60, 60, 60));

    // A click beside the ball picks nothing and leaves the picture as it was.
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(20, 20));
    frame = view.grabFramebuffer();
    EXPECT_EQ(frame.pixelColor(2, 2).rgb(), qRgb(60, 60, 60));
    EXPECT_GT(frame.pixelColor(160, 120).red(), 150);

    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(160, 120), 50);
    frame = view.grabFramebuffer();
    EXPECT_EQ(frame.pixelColor(2, 2).rgb(), qRgb(0, 0, 255));
    EXPECT_GT(frame.pixelColor(160, 120).red(), 150);
}

// GL names held by units: textures of volumes and pictures, display lists of
// text.
struct HeldNames {
    std::vector<GLuint> textures, lists;
};

HeldNames NamesOf(CVelmorDoc& document)
{
    HeldNames held;
    for (auto& [name, group] : document.drawGroups)
        for (CKxDrawUnit* unit : group->units) {
            if (auto* volume = dynamic_cast<CKxDrawUVolumeR*>(unit)) held.textures.push_back(volume->colorLut.textureId);
            if (auto* image = dynamic_cast<CKxDrawUImage*>(unit)) held.textures.push_back(image->imageLut.textureId);
            if (auto* text = dynamic_cast<CKxDrawUText*>(unit))
                for (uint32_t i = 0; i < text->listCount; ++i) held.lists.push_back(text->listBase + i);
        }
    return held;
}

TEST_F(CVelmorViewTest, ClosingAndReopeningFreesTheUnitsTexturesAndLists)
{
    test::TempDir data;
    data.Write("ct.raw", std::string(8 * 8 * 8, '\x60'));
    data.Write("pic.raw", std::string(4 * 3, '\x7f'));
    data.Write("gl.vlm", R"(<?xml version="1.0" encoding="UTF-8"?>
<scene version="1.35"><body>
  <drawGroup name="top"><drawUnit>
    <volumeRendering volume_data="ct" renderingType="A"/>
    <image image_data="pic" size="1"/>
    <text text="Hi" fontSize="18" size="0.2" coordinate="0,0,0"/>
  </drawUnit></drawGroup>
  <data name="ct" type="volume" format="GRAY" size="8,8,8"><file path="ct.raw"/></data>
  <data name="pic" type="image" format="RGB" size="2,2"><file path="pic.raw" type="raw"/></data>
  <firstSetting spaceNum="1"/>
</body></scene>
)");
    HeldNames all;
    for (int round = 0; round < 20; ++round) {
        // Between two events no context need be current (grabbing left the
        // view's current).
        view.doneCurrent();
        document.OnOpenDocument(data.WidePath("gl.vlm"));
        view.OnInitialUpdate(&document);
        view.grabFramebuffer();
        const HeldNames held = NamesOf(document);
        ASSERT_EQ(held.textures.size(), 2u);
        for (size_t i = 0; i < held.textures.size(); ++i) ASSERT_NE(held.textures[i], 0u) << "round " << round << " unit " << i;
        ASSERT_FALSE(held.lists.empty());
        all.textures.insert(all.textures.end(), held.textures.begin(), held.textures.end());
        all.lists.insert(all.lists.end(), held.lists.begin(), held.lists.end());
        view.doneCurrent();
        document.OnNewDocument();
        view.OnInitialUpdate(&document);
    }
    view.makeCurrent();
    int leftTextures = 0, leftLists = 0;
    for (GLuint t : all.textures) leftTextures += glIsTexture(t) ? 1 : 0;
    for (GLuint l : all.lists) leftLists += glIsList(l) ? 1 : 0;
    view.doneCurrent();
    EXPECT_EQ(leftTextures, 0);
    EXPECT_EQ(leftLists, 0);
}

// Preferences are read for each scene with the context's buffer-object
// support, so a changed voxel threshold applies to the next scene opened.
TEST_F(CVelmorViewTest, PreferencesApplyFromTheNextSceneOpened)
{
    qputenv("XDG_CONFIG_HOME", dir.Path().c_str());   // never the real settings of whoever runs the tests
    auto profile = OpenProfile();
    profile->setValue(QStringLiteral("Aplication/VOX_HALF_SIZE"), QStringLiteral("0"));
    profile->setValue(QStringLiteral("Aplication/NO_VBO"), QStringLiteral("0"));
    profile->sync();
    document.OnOpenDocument(dir.WidePath("ball.vlm"));
    view.OnInitialUpdate(&document);
    EXPECT_EQ(CurrentApplicationSettings().halfSizeMB, 0);
    EXPECT_TRUE(CurrentApplicationSettings().useVBO);
    profile->setValue(QStringLiteral("Aplication/NO_VBO"), QStringLiteral("1"));
    profile->sync();
    document.OnOpenDocument(dir.WidePath("ball.vlm"));
    view.OnInitialUpdate(&document);
    EXPECT_FALSE(CurrentApplicationSettings().useVBO);
    profile->remove(QStringLiteral("Aplication"));
}

// In rotation-centre mode a click moves the rotation centre to the surface
// point under the cursor, without moving the picture; a click on nothing
// leaves it.
TEST_F(CVelmorViewTest, ARotationCentreClickTakesTheSurfacePointUnderTheCursor)
{
    DrawGroup* top = document.drawGroups.at(L"top").get();
    view.OnPickRotationCentre();
    ASSERT_TRUE(view.RotationCentrePickMode());
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(top->centre[0], 0.0);
    EXPECT_EQ(top->centre[2], 0.0);
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(166, 120), 50);
    EXPECT_GT(top->centre[2], 0.0) << "the front of the ball faces the viewer";
    EXPECT_NE(top->centre[0], 0.0);
    const QImage frame = view.grabFramebuffer();
    EXPECT_GT(frame.pixelColor(160, 120).red(), 150);
    EXPECT_LT(frame.pixelColor(2, 2).red(), 30);
}

TEST_F(CVelmorViewTest, ClosingTheSceneEmptiesTheView)
{
    document.OnNewDocument();
    view.OnInitialUpdate(&document);
    EXPECT_EQ(view.Mode(), ViewMode::kNoScene);
    EXPECT_EQ(view.Renderer().panes, nullptr);
}

} // namespace
} // namespace velmor
