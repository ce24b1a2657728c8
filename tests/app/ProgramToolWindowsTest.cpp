// The real program on an X server of its own, its three view tool windows
// driven by clicks and typing: the render options (fog, the cut around the
// rotation centre, the light's corner, the projection), the scale bar's
// length, unit and place, and the rotation window's typed angle and
// 90-degree step. Each is judged by colours at a few places of the picture.
#include "app/CMainFrame.h"
#include "app/CVelmorApp.h"
#include "app/CVelmorView.h"
#include "app/GuiTestSupport.h"
#include "app/RunningProgram.h"
#include "dialogs/CKxDlgRender.h"
#include "dialogs/CKxDlgRotEx.h"
#include "dialogs/CKxDlgScaleBar.h"
#include "dialogs/DialogBase.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

using namespace velmor;
using namespace velmor::test;

namespace {


// A dim white ball at the centre, a green cube 2 mm to its right and a red
// one as far to its left, on a blue background. The shapes keep their sizes
// in view units (0.6 of the view's half height the ball's radius, 0.5 the
// cubes' side); the scene's 4 mm across fill the view's height, so the
// green cube's centre sits one half height right of the centre.
constexpr const char* kScene = R"(<?xml version="1.0" encoding="UTF-8"?>
<scene version="1.35">
  <head><title type="main" value="Tools"/></head>
  <body>
    <drawGroup name="top"><drawUnit>
      <primitive note="Ball" shape="sphere" coordinate="0,0,0" size="0.6" diffuse="255,255,255" ambient="40,40,40"/>
      <primitive note="Mark" shape="cube" coordinate="2,0,0" size="0.5" diffuse="0,255,0" ambient="0,255,0"/>
      <primitive note="Post" shape="cube" coordinate="-2,0,0" size="0.5" diffuse="255,0,0" ambient="255,0,0"/>
    </drawUnit></drawGroup>
    <event name="start"><targetSpace index="0"/><topGroup name="top"/><activeSpace index="0"/>
      <appearance backgroundColor="0,0,255"/></event>
    <firstSetting spaceNum="1" firstEvent="start"/>
  </body>
</scene>
)";

constexpr double kMark = 1.0;   // the green cube's distance from the centre

bool Green(QColor c) { return c.green() > 150 && c.red() < 60 && c.blue() < 60; }
bool White(QColor c) { return c.red() > 240 && c.green() > 240 && c.blue() > 240; }
bool Background(QColor c) { return c.red() < 30 && c.green() < 30 && c.blue() > 220; }

class ProgramToolWindows : public RunningProgram {
protected:
    ProgramToolWindows()
    {
        scenes.Write("tools.vlm", kScene);
        Launch(scenes.Path() / "tools.vlm");
        WaitShown();
    }

    // The colour at (u, v) in the pane's units.
    static QColor At(const QImage& picture, double u, double v) { return picture.pixelColor(PanePoint(picture, u, v)); }
    QColor At(double u, double v) { return At(ScreenPicture(view), u, v); }
    template <typename T> static T* Find(QWidget* owner, int id)
    {
        auto* control = owner->findChild<T*>(ControlName(id));
        EXPECT_NE(control, nullptr) << id;
        return control;
    }
    // A check box clicked on its indicator, a push button in its middle.
    static void Press(QWidget* owner, int id)
    {
        auto* button = Find<QAbstractButton>(owner, id);
        ASSERT_TRUE(button->isEnabled()) << id;
        QTest::mouseClick(button, Qt::LeftButton, {},
                          button->isCheckable() ? QPoint(6, button->height() / 2) : button->rect().center());
    }
    // Steps a list by the keyboard from its first entry down to `text`; every
    // step is a user's choice, as with the arrow keys.
    static void Choose(QWidget* owner, int id, const QString& text)
    {
        auto* combo = Find<QComboBox>(owner, id);
        ASSERT_GE(combo->findText(text), 0) << text.toStdString();
        QTest::keyClick(combo, Qt::Key_Home);
        for (int i = 0; i < combo->count() && combo->currentText() != text; ++i) QTest::keyClick(combo, Qt::Key_Down);
        ASSERT_EQ(combo->currentText(), text);
    }
    static void Type(QWidget* owner, int id, const QString& text)
    {
        auto* edit = Find<QLineEdit>(owner, id);
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, text);
    }
    static QString Text(QWidget* owner, int id) { return Find<QLineEdit>(owner, id)->text(); }
};

TEST_F(ProgramToolWindows, RenderScaleBarAndRotationWindowsChangeThePicture)
{
    // The white frame around the scene would cross the places looked at.
    Run(CMainFrame::kShowFrameArrow);
    ASSERT_TRUE(Green(At(kMark, 0)));
    // The light stands at the upper right, in front: the ball's upper right
    // is brighter than its lower left.
    const int upperRight = qGray(At(0.25, 0.25).rgb()), lowerLeft = qGray(At(-0.25, -0.25).rgb());
    EXPECT_GT(upperRight, lowerLeft + 60);

    Run(CMainFrame::kRenderDialog);
    CKxDlgRender* render = view->Dialogs().render;
    ASSERT_TRUE(render->isVisible());

    // Fog: the green cube, halfway into the fog's depth range, takes on some
    // of the background's blue.
    const QColor clear = At(kMark, 0);
    Press(render, CKxDlgRender::kFog);
    const QColor foggy = At(kMark, 0);
    EXPECT_GT(foggy.blue(), clear.blue() + 30);
    EXPECT_LT(foggy.green(), clear.green() - 30);
    Press(render, CKxDlgRender::kFog);
    EXPECT_EQ(At(kMark, 0), clear);

    // The light moved to the lower left lights the other side.
    Choose(render, CKxDlgRender::kLightPosition, QStringLiteral("左下"));
    EXPECT_EQ(view->Renderer().lightPosition, 3u);
    EXPECT_GT(qGray(At(-0.25, -0.25).rgb()), qGray(At(0.25, 0.25).rgb()) + 60);
    Choose(render, CKxDlgRender::kLightPosition, QStringLiteral("右上"));
    EXPECT_EQ(qGray(At(0.25, 0.25).rgb()), upperRight);

    // The cut around the rotation centre, narrowest: only what lies within
    // 0.2 of the centre's depth stays, the ball's rim but neither its front
    // nor its back, nor the cubes' front and back faces. The clip cover
    // cannot go with it.
    Press(render, CKxDlgRender::kNearFarCut);
    EXPECT_FALSE(Find<QAbstractButton>(render, CKxDlgRender::kClipCap)->isEnabled());
    Choose(render, CKxDlgRender::kNearFarRange, QStringLiteral("大"));
    EXPECT_EQ(view->Renderer().nearFarRestrict, 3u);
    EXPECT_TRUE(Background(At(0, 0)));
    EXPECT_TRUE(Background(At(kMark, 0)));
    Press(render, CKxDlgRender::kNearFarCut);
    EXPECT_EQ(view->Renderer().nearFarRestrict, 0u);
    EXPECT_TRUE(Find<QAbstractButton>(render, CKxDlgRender::kClipCap)->isEnabled());
    EXPECT_FALSE(Background(At(0, 0)));
    EXPECT_TRUE(Green(At(kMark, 0)));

    // The scale bar: the scene's own length first (0.5 mm of the 4 mm
    // across, a quarter of the half side) at the lower left corner.
    Run(CMainFrame::kScaleBarDialog);
    CKxDlgScaleBar* scaleBar = view->Dialogs().scaleBar;
    ASSERT_TRUE(scaleBar->isVisible());
    EXPECT_EQ(Text(scaleBar, CKxDlgScaleBar::kLength), QStringLiteral("0.50"));
    EXPECT_EQ(Find<QComboBox>(scaleBar, CKxDlgScaleBar::kUnit)->currentText(), QStringLiteral("mm"));
    EXPECT_FALSE(White(At(-0.85, -0.95)));
    Press(scaleBar, CKxDlgScaleBar::kShow);
    EXPECT_TRUE(White(At(-0.85, -0.95)));
    EXPECT_FALSE(White(At(-0.6, -0.95)));
    // A new unit keeps the shown length's size until a length is typed.
    Choose(scaleBar, CKxDlgScaleBar::kUnit, QStringLiteral("um"));
    EXPECT_EQ(Text(scaleBar, CKxDlgScaleBar::kLength), QStringLiteral("500"));
    Type(scaleBar, CKxDlgScaleBar::kLength, QStringLiteral("0.2"));
    Choose(scaleBar, CKxDlgScaleBar::kUnit, QStringLiteral("cm"));
    EXPECT_EQ(Text(scaleBar, CKxDlgScaleBar::kLength), QStringLiteral("0.2"));
    Type(scaleBar, CKxDlgScaleBar::kPositionX, QStringLiteral("-0.5"));
    Type(scaleBar, CKxDlgScaleBar::kPositionY, QStringLiteral("-0.8"));
    EXPECT_TRUE(White(At(-0.85, -0.95)));   // nothing changes before Apply
    // 2 mm: half the scene, one half side, from x -0.5 to 0.5.
    Press(scaleBar, CKxDlgScaleBar::kApply);
    EXPECT_FALSE(White(At(-0.85, -0.95)));
    for (double u : {-0.45, 0.0, 0.45}) EXPECT_TRUE(White(At(u, -0.8))) << u;
    for (double u : {-0.55, 0.55}) EXPECT_FALSE(White(At(u, -0.8))) << u;
    // Its label "0.2 cm" stands above its left end.
    const QImage withBar = ScreenPicture(view);
    int label = 0;
    for (double u = -0.5; u < -0.3; u += 0.01)
        for (double v = -0.78; v < -0.7; v += 0.01) label += White(At(withBar, u, v)) ? 1 : 0;
    EXPECT_GT(label, 5);
    // Perspective pictures have no bar.
    Choose(render, CKxDlgRender::kProjection, QStringLiteral("透視投影"));
    EXPECT_FALSE(White(At(0, -0.8)));
    Choose(render, CKxDlgRender::kProjection, QStringLiteral("正投影"));
    EXPECT_TRUE(White(At(0, -0.8)));

    // Rotation by a typed angle: typing unchecks the 90-degree step, and the
    // green cube turns 45 degrees counter-clockwise about the view axis.
    Run(CMainFrame::kRotateDialog);
    CKxDlgRotEx* rotation = view->Dialogs().rotation;
    ASSERT_TRUE(rotation->isVisible());
    EXPECT_TRUE(Find<QAbstractButton>(rotation, CKxDlgRotEx::kQuarterTurn)->isChecked());
    Type(rotation, CKxDlgRotEx::kAngle, QStringLiteral("45"));
    EXPECT_FALSE(Find<QAbstractButton>(rotation, CKxDlgRotEx::kQuarterTurn)->isChecked());
    Press(rotation, CKxDlgRotEx::kCounterClockwise);
    const double diagonal = kMark / std::sqrt(2.0);
    EXPECT_FALSE(Green(At(kMark, 0)));
    EXPECT_TRUE(Green(At(diagonal, diagonal)));
    // The 90-degree step to the left about the vertical axis brings the
    // right side to the front: the cube ends straight above the centre.
    Press(rotation, CKxDlgRotEx::kQuarterTurn);
    Press(rotation, CKxDlgRotEx::kLeft);
    EXPECT_FALSE(Green(At(diagonal, diagonal)));
    EXPECT_TRUE(Green(At(0, diagonal)));
    EXPECT_TRUE(messages->Messages().empty());
}

} // namespace
