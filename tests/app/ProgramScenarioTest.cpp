// The real program on an X server of its own, driven as a user would: every
// command of the settings, tools and help menus, every button of the bar,
// the unit panel with the property dialog of each unit kind, and the exports
// started from the panel, each checked by what it shows or writes (outside
// tools read the files).
#include "app/CMainFrame.h"
#include "app/CVelmorApp.h"
#include "app/CVelmorView.h"
#include "app/ColorLabel.h"
#include "app/DesktopOpener.h"
#include "app/QtJobHost.h"
#include "app/GuiTestSupport.h"
#include "app/RunningProgram.h"
#include "dialogs/DialogTestSupport.h"
#include "app/ViewBar.h"
#include "app/ViewButtonPictures.h"
#include "dialogs/CKxDlgDataArray.h"
#include "dialogs/CKxDlgFileInfo.h"
#include "dialogs/CKxDlgMainControl.h"
#include "dialogs/CKxDlgPolygonExport.h"
#include "dialogs/CKxDlgRender.h"
#include "dialogs/CKxDlgRotEx.h"
#include "dialogs/CKxDlgScaleBar.h"
#include "dialogs/CKxDlgUnitConnector.h"
#include "dialogs/CKxDlgUnitImage.h"
#include "dialogs/CKxDlgUnitLinkB.h"
#include "dialogs/CKxDlgUnitPrim.h"
#include "dialogs/CKxDlgUnitScatGraph.h"
#include "dialogs/CKxDlgUnitSurface.h"
#include "dialogs/CKxDlgUnitSurfaceColorScale.h"
#include "dialogs/CKxDlgUnitText.h"
#include "dialogs/CKxDlgUnitTopoMap.h"
#include "dialogs/CKxDlgUnitTriSTL.h"
#include "dialogs/CKxDlgUnitVolume.h"
#include "dialogs/CKxDlgVoxelExport.h"
#include "dialogs/DialogBase.h"
#include "export/ExportTestSupport.h"
#include "platform/WideText.h"
#include "render/ViewServices.h"
#include "scene/PathParts.h"
#include "support/DicomBuilder.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"
#include "units/CKxDrawUnit.h"
#include "units/DrawGroup.h"
#include "scene/DataObject.h"
#include "units/CKxDrawUSurfaceR.h"
#include "units/CKxDrawUVolumeR.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSlider>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <tuple>

using namespace velmor;
using namespace velmor::test;

// Catches what the program hands to the desktop's opener.
class OpenedUrls final : public QObject {
    Q_OBJECT
public:
    OpenedUrls()
    {
        for (const char* scheme : {"file", "http", "https"}) QDesktopServices::setUrlHandler(scheme, this, "Open");
    }
    ~OpenedUrls() override
    {
        for (const char* scheme : {"file", "http", "https"}) QDesktopServices::unsetUrlHandler(scheme);
    }
    QStringList urls;

public slots:
    void Open(const QUrl& url) { urls << url.toString(); }
};

namespace {

// Three top groups, each the friend group of the one before: plain shapes
// with two timed cubes, the data units over a 16-bit CT series, and the
// remaining unit kinds.
constexpr const char* kScene = R"(<?xml version="1.0" encoding="UTF-8"?>
<scene version="1.35">
  <head><title type="main" value="Checks"/></head>
  <body>
    <drawGroup name="top">
      <TGProperty caption="Shapes" friendLabel="to data" friendGroup="data"/>
      <childGroup name="early, late"/>
      <drawUnit>
        <primitive note="Red" shape="sphere" coordinate="-1,0,0" size="0.6" diffuse="255,0,0" ambient="255,0,0"/>
        <primitive note="Blue" shape="cube" coordinate="1,0,0" size="0.8" diffuse="0,0,255" ambient="0,0,255"/>
        <text note="Words" text="Velmor" coordinate="0,1,0" status="facing" ambient="0,255,255"/>
      </drawUnit>
    </drawGroup>
    <drawGroup name="early" timeRange="0,1"><drawUnit>
      <primitive note="Green" shape="cube" coordinate="0,-1,0" size="0.4" diffuse="0,255,0" ambient="0,255,0"/>
    </drawUnit></drawGroup>
    <drawGroup name="late" timeRange="2,3"><drawUnit>
      <primitive note="Yellow" shape="cube" coordinate="0,-1,0" size="0.4" diffuse="255,255,0" ambient="255,255,0"/>
    </drawUnit></drawGroup>
    <drawGroup name="data">
      <TGProperty caption="Data" friendLabel="to more" friendGroup="more"/>
      <drawUnit>
        <volumeRendering note="CT" volume_data="ct" renderingType="B"/>
        <surfaceRendering note="Bone" volume_data="ct" renderingType="A" border="8000" borderUp="40000" clipCap_data="ct"/>
        <stl note="Part" stl_data="mesh" renderingType="A"/>
        <triangleIndex note="Sheet" coordinate_data="vertices" index_data="indices" renderingType="A"/>
      </drawUnit>
    </drawGroup>
    <drawGroup name="more">
      <TGProperty caption="More" friendLabel="back" friendGroup="top"/>
      <drawUnit>
        <image note="Picture" shape="flat" size="1" coordinate="0,0,0" image_data="picture"/>
        <linkBoard note="Board" width="1" height="0.5" coordinate="-1,-1,0"/>
        <connector note="Wire" shape="line" coordinate="0,0,0" fixPoint="0.8,0.8,0.1"/>
        <topographicMap note="Land" coordinate="0,1,0,1" height_data="heights"/>
        <scatterGraph note="Dots" marker="point" markerSize="3" coordinate_data="track"/>
      </drawUnit>
    </drawGroup>
    <data name="ct" type="volume" format="GRAY16" size="24,32,6"><file path="ct/" type="dcm"/>
      <scale x="0.5" y="0.5" z="2" unit="mm"/></data>
    <data name="mesh" type="STL"><file path="mesh.stl"/></data>
    <data name="vertices" type="array_xyz" size="3"><file path="vertices.txt"/></data>
    <data name="indices" type="array_index" size="3"><file path="indices.txt"/></data>
    <data name="picture" type="image" size="2,2"><file path="picture.png"/></data>
    <data name="heights" type="gridXY" size="2,2"><file path="heights.txt"/></data>
    <data name="track" type="array_xyzt" size="2"><file path="track.txt"/></data>
    <event name="start"><targetSpace index="0"/><topGroup name="top"/><activeSpace index="0"/></event>
    <firstSetting spaceNum="1" firstEvent="start"/>
  </body>
</scene>
)";

constexpr const char* kStl = "solid part\n facet normal 0 0 1\n  outer loop\n   vertex 0 0 0\n   vertex 1 0 0\n"
                             "   vertex 0 1 0\n  endloop\n endfacet\n facet normal 0 0 1\n  outer loop\n"
                             "   vertex 1 0 0\n   vertex 1 1 0\n   vertex 0 1 0\n  endloop\n endfacet\nendsolid part\n";

void WriteSceneFiles(const TempDir& dir)
{
    dir.Write("checks.vlm", kScene);
    dir.Write("mesh.stl", kStl);
    dir.Write("vertices.txt", "0 0 0\n1 0 0\n0 1 0\n");
    dir.Write("indices.txt", "0\n1\n2\n");
    dir.Write("heights.txt", "0 1\n2 3\n");
    dir.Write("track.txt", "0 0 0 0\n1 1 1 1\n");
    QImage picture(2, 2, QImage::Format_RGB32);
    picture.fill(QColor(200, 100, 50));
    picture.save(Q(dir.Path() / "picture.png"));
    std::filesystem::create_directory(dir.Path() / "ct");
    for (int i = 0; i < 6; ++i) {
        DicomSliceOptions slice;
        slice.rows = 32;
        slice.columns = 24;
        slice.instanceNumber = i + 1;
        dir.Write("ct/" + std::to_string(100 + i) + ".dcm", MakeDicomSlice(slice));
    }
}

// Pixels of a picture that `pick` accepts.
int Count(const QImage& image, const std::function<bool(QColor)>& pick)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += pick(image.pixelColor(x, y)) ? 1 : 0;
    return n;
}

bool Reddish(QColor c) { return c.red() > 120 && c.green() < 60 && c.blue() < 60; }
bool Greenish(QColor c) { return c.green() > 120 && c.red() < 60 && c.blue() < 60; }
bool Yellowish(QColor c) { return c.red() > 120 && c.green() > 120 && c.blue() < 60; }
bool White(QColor c) { return c.red() > 240 && c.green() > 240 && c.blue() > 240; }
int Brightness(const QImage& image)
{
    int64_t sum = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) sum += qGray(image.pixel(x, y));
    return static_cast<int>(sum / 1000);
}
int Differences(const QImage& a, const QImage& b)
{
    int n = 0;
    for (int y = 0; y < std::min(a.height(), b.height()); y += 2)
        for (int x = 0; x < std::min(a.width(), b.width()); x += 2) n += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
    return n;
}

// The X server shows the play button greyed as play: grey ink in the middle,
// where pause leaves a gap between its bars, none where its right bar is.
bool ShowsGreyPlay(const QWidget* button)
{
    const QPoint at = button->mapToGlobal(QPoint(0, 0));
    const QImage image = button->screen()->grabWindow(0, at.x(), at.y(), button->width(), button->height()).toImage();
    const int middle = qGray(image.pixel(24, 24));
    return middle > 100 && qGray(image.pixel(30, 14)) - middle > 40;
}

// Types `name` into a file dialog's name field and accepts it.
void AnswerFileDialog(QFileDialog* dialog, const QString& name)
{
    if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) edit->setText(name);
    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
}

// drop_source, a program of its own, drags `file` through the X server once
// xdotool presses on it; each move waits for the target's answer.
struct RealDrag : QProcess {
    RealDrag(QPoint at, const std::filesystem::path& file, int actions = Qt::CopyAction) : at(at + QPoint(30, 30))
    {
        setEnvironment(systemEnvironment() << "QT_LOGGING_RULES=qt.qpa.xdnd.debug=true" << QStringLiteral("DROP_ACTIONS=%1").arg(actions));
        start(VELMOR_DROP_SOURCE, {QString::number(at.x()), QString::number(at.y()), Q(file)});
        Xdo({"search", "--sync", "--onlyvisible", "--pid", QString::number(processId())});
    }
    ~RealDrag() { kill(), waitForFinished(); }
    static void Xdo(const QStringList& arguments) { EXPECT_EQ(execute("xdotool", arguments), 0); }
    static QStringList To(QPoint p) { return {"mousemove", "--sync", QString::number(p.x()), QString::number(p.y())}; }
    RealDrag& Grab(QPoint to)
    {
        Xdo(To(at) << "mousedown" << "1");
        for (int step = 1; step <= 4; ++step) Move(at + (to - at) * step / 4);
        return *this;
    }
    void Move(QPoint to)
    {
        QByteArray said = readAllStandardError().left(0);
        Xdo(To(to));
        if (QApplication::topLevelAt(to) == nullptr) return;   // no answer comes from between the windows
        EXPECT_TRUE(WaitUntil([&] { return (said += readAllStandardError()).contains("received XdndStatus"); }));
    }
    QString Release()   // whether the source heard that the drop was taken
    {
        Xdo({"mouseup", "1"});
        return WaitUntil([&] { return canReadLine(); }) ? QString(readLine()).trimmed() : "no verdict";
    }
    QPoint at;
};

class ProgramScenario : public RunningProgram {
protected:
    ProgramScenario() : ProgramScenario(std::filesystem::path()) {}
    // Opens `scene`, or the checks scene written here when none is given.
    explicit ProgramScenario(const std::filesystem::path& scene)
    {
        WriteSceneFiles(scenes);
        Launch(scene.empty() ? scenes.Path() / "checks.vlm" : scene);
        LastFolder = WideFromPath(out.Path()) + L"/";
        WaitShown([this] { return Rows() > 0; });
    }

    ViewBarButton* Button(int id) { return bar->Button(id); }
    void Click(int id)
    {
        ASSERT_TRUE(Button(id)->isEnabled()) << id;
        QTest::mouseClick(Button(id), Qt::LeftButton);
        QApplication::processEvents();
    }
    CKxDlgMainControl& Panel() { return *view->Dialogs().unitPanel; }
    QTreeWidget* List() { return Panel().findChild<QTreeWidget*>(ControlName(CKxDlgMainControl::kUnitList)); }
    int Rows() { return view->Dialogs().unitPanel != nullptr ? List()->topLevelItemCount() : 0; }
    int Row(const QString& name)
    {
        for (int i = 0; i < Rows(); ++i)
            if (List()->topLevelItem(i)->text(1) == name) return i;
        ADD_FAILURE() << name.toStdString() << " is not listed";
        return -1;
    }
    void Select(const QString& name)
    {
        const int row = Row(name);
        List()->setCurrentItem(List()->topLevelItem(row));
        Panel().OnNMClickUnitList(row);
    }
    void Show(const QString& name, bool shown)
    {
        List()->topLevelItem(Row(name))->setCheckState(0, shown ? Qt::Checked : Qt::Unchecked);
        QApplication::processEvents();
    }
    template <typename T> T* PanelControl(int id) { return Panel().findChild<T*>(ControlName(id)); }
    // Friend button until the active root's caption is `caption`.
    void GoTo(const QString& caption)
    {
        for (int i = 0; i < 3 && bar->Caption()->text() != " " + caption; ++i) Click(kFriendButton);
        ASSERT_EQ(bar->Caption()->text(), " " + caption);
    }

    TempDir out;
};

TEST_F(ProgramScenario, TheFrameAndArrowSwitchTakesItsLinesAwayAndBack)
{
    // The frame and arrow: white lines that the switch takes away and back.
    const int white = Count(Picture(), White);
    EXPECT_GT(white, 200);
    RefreshMenus();
    EXPECT_TRUE(Command(CMainFrame::kShowFrameArrow)->isChecked());
    Run(CMainFrame::kShowFrameArrow);
    EXPECT_LT(Count(Picture(), White), white / 10);
    RefreshMenus();
    EXPECT_FALSE(Command(CMainFrame::kShowFrameArrow)->isChecked());
    Run(CMainFrame::kShowFrameArrow);
    EXPECT_EQ(Count(Picture(), White), white);
}

TEST_F(ProgramScenario, FixingTheClipPlaneKeepsItThroughRotations)
{
    // Fixing the clip plane during rotations: the plane stays where it is.
    Click(kClipButton);
    const Quaternion clip = view->Renderer().panes[0].clipRotation;
    Run(CMainFrame::kFixClipDuringRotation);
    RefreshMenus();
    EXPECT_TRUE(Command(CMainFrame::kFixClipDuringRotation)->isChecked());
    Click(kRotatePlusButton);
    EXPECT_EQ(view->Renderer().panes[0].clipRotation.w, clip.w);
    Run(CMainFrame::kFixClipDuringRotation);
    Click(kRotatePlusButton);
    EXPECT_NE(view->Renderer().panes[0].clipRotation.w, clip.w);
    Click(kClipButton);
    Click(kHomeButton);
    // One space only: nothing to link, so the command is greyed.
    RefreshMenus();
    EXPECT_FALSE(Command(CMainFrame::kConnectViewSpace)->isEnabled());
}

TEST_F(ProgramScenario, TheFileInfoAndRenderWindowsComeUpAndChangeTheProjection)
{
    // The tool windows come up on top.
    Run(CMainFrame::kFileInfo);
    auto* info = view->Dialogs().fileInfo;
    EXPECT_TRUE(info->isVisible());
    EXPECT_TRUE(info->findChild<QTextEdit*>()->toPlainText().contains(QStringLiteral("Checks")));
    Run(CMainFrame::kRenderDialog);
    CKxDlgRender* render = view->Dialogs().render;
    ASSERT_TRUE(render->isVisible());
    const QImage orthographic = Picture();
    auto* projection = render->findChild<QComboBox*>(ControlName(CKxDlgRender::kProjection));
    projection->setCurrentIndex(projection->findText(QStringLiteral("透視投影")));
    emit projection->activated(projection->currentIndex());
    EXPECT_EQ(view->Renderer().projection, 1);
    const int perspective = Differences(Picture(), orthographic);
    EXPECT_GT(perspective, 1000);
    projection->setCurrentIndex(projection->findText(QStringLiteral("正投影")));
    emit projection->activated(projection->currentIndex());
    EXPECT_LT(Differences(Picture(), orthographic), perspective / 4);
}

TEST_F(ProgramScenario, TheScaleBarWindowShowsTheBar)
{
    // The scale bar: shown in the orthographic picture as a white line.
    Run(CMainFrame::kShowFrameArrow);   // no frame lines to confuse it with
    const int withoutBar = Count(Picture(), White);
    Run(CMainFrame::kScaleBarDialog);
    CKxDlgScaleBar* scaleBar = view->Dialogs().scaleBar;
    ASSERT_TRUE(scaleBar->isVisible());
    auto* show = scaleBar->findChild<QCheckBox*>(ControlName(CKxDlgScaleBar::kShow));
    ASSERT_TRUE(show->isEnabled());
    show->click();
    EXPECT_GT(Count(Picture(), White), withoutBar + 100);
    show->click();
    EXPECT_EQ(Count(Picture(), White), withoutBar);
    Run(CMainFrame::kShowFrameArrow);
}

TEST_F(ProgramScenario, TheRotationWindowTurnsTheObject)
{
    // The rotation window turns the object.
    Run(CMainFrame::kRotateDialog);
    CKxDlgRotEx* rotation = view->Dialogs().rotation;
    ASSERT_TRUE(rotation->isVisible());
    const QImage before = Picture();
    rotation->findChild<QPushButton*>(ControlName(CKxDlgRotEx::kUp))->click();
    EXPECT_GT(Differences(Picture(), before), 100);
}

TEST_F(ProgramScenario, ThePreferencesRunModally)
{
    // The preferences run modally.
    int preferences = 0;
    {
        ModalAnswerer answerer([&](QWidget* modal) {
            preferences += modal->objectName() == QStringLiteral("dlg_204");
            static_cast<QDialog*>(modal)->reject();
        });
        Run(CMainFrame::kApplicationSettings);
    }
    EXPECT_EQ(preferences, 1);
}

TEST_F(ProgramScenario, HelpFilesGoToTheDesktopOpener)
{
    // Help: missing files are reported; present ones and the web site go to
    // the desktop's opener; F1 opens the manual except in full screen.
    OpenedUrls opened;
    SetProgramFolder(WideFromPath(out.Path()) + L"/");
    Run(CMainFrame::kManual);
    EXPECT_EQ(messages->Messages().back(), L"file not found: " + WideFromPath(out.Path() / "ManualJ.pdf"));
    out.Write("ManualJ.pdf", "%PDF-1.4\n");
    std::filesystem::create_directory(out.Path() / "TutorialJ");
    out.Write("TutorialJ/index.html", "<html></html>");
    Run(CMainFrame::kManual);
    Run(CMainFrame::kTutorial);
    Run(CMainFrame::kWebSite);
    frame->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(frame, test::kStateDeadlineMs));
    QTest::keyClick(frame, Qt::Key_F1);
    view->ToggleFullScreen(true);
    QTest::keyClick(frame, Qt::Key_F1);
    view->ToggleFullScreen(false);
    EXPECT_EQ(opened.urls, QStringList({QUrl::fromLocalFile(Q(out.Path() / "ManualJ.pdf")).toString(),
                                        QUrl::fromLocalFile(Q(out.Path() / "TutorialJ/index.html")).toString(),
                                        QString::fromWCharArray(kMakerSiteAddress),
                                        QUrl::fromLocalFile(Q(out.Path() / "ManualJ.pdf")).toString()}));
    EXPECT_EQ(messages->Messages().size(), 1u);
}

TEST_F(ProgramScenario, WithoutASceneTheSwitchesAreGreyed)
{
    // Without a scene the switches are greyed.
    app.OnFileNew();
    RefreshMenus();
    for (int id : {CMainFrame::kShowFrameArrow, CMainFrame::kFixClipDuringRotation, CMainFrame::kConnectViewSpace}) {
        EXPECT_FALSE(Command(id)->isEnabled()) << id;
        EXPECT_FALSE(Command(id)->isChecked()) << id;
    }
}

TEST_F(ProgramScenario, TurningButtonsAndHomeMoveTheActiveSpace)
{
    const QImage home = Picture();
    EXPECT_GT(Count(home, Reddish), 500);
    EXPECT_EQ(bar->Caption()->text(), QStringLiteral(" Shapes"));
    EXPECT_EQ(bar->FriendText()->text(), QStringLiteral("to data"));

    // Turning and home.
    Click(kRotatePlusButton);
    const QImage plus = Picture();
    EXPECT_GT(Differences(plus, home), 100);
    Click(kRotateMinusButton);
    Click(kRotateMinusButton);
    EXPECT_GT(Differences(Picture(), plus), 100);
    Click(kHomeButton);
    EXPECT_TRUE(WaitUntil([this] { return !view->State().homeRunning && view->State().stepCounter == -1; }));
    EXPECT_LT(Differences(Picture(), home), 50);
}

TEST_F(ProgramScenario, ClipButtonsAndTheWheelMoveTheClipPlane)
{
    const QImage home = Picture();
    // The clip plane, its handle and the wheel that moves it.
    EXPECT_EQ(Button(kClipButton)->Picture(), ButtonPicture::kClipOff);
    EXPECT_FALSE(Button(kClipHandleButton)->isEnabled());
    Click(kClipButton);
    EXPECT_EQ(Button(kClipButton)->Picture(), ButtonPicture::kClipOn);
    const QImage clipped = Picture();
    EXPECT_GT(Differences(clipped, home), 100);
    Click(kClipHandleButton);
    EXPECT_EQ(Button(kClipHandleButton)->Picture(), ButtonPicture::kHandleOn);
    const QPointF centre(view->width() / 2.0, view->height() / 2.0);
    QWheelEvent wheel(centre, view->mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    for (int i = 0; i < 10; ++i) QApplication::sendEvent(view, &wheel);
    EXPECT_GT(Differences(Picture(), clipped), 100);
    Click(kClipHandleButton);
    Click(kClipButton);
    EXPECT_EQ(Button(kClipButton)->Picture(), ButtonPicture::kClipOff);

    // A menu left with Escape hands the keys back to the view: F5 acts at once.
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame, test::kStateDeadlineMs));
    QTest::keyClick(frame, Qt::Key_P, Qt::AltModifier);
    ASSERT_TRUE(WaitUntil([] { return QApplication::activePopupWidget() != nullptr; }));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    QApplication::processEvents();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F5);
    EXPECT_EQ(Button(kClipButton)->Picture(), ButtonPicture::kClipOn);
}

TEST_F(ProgramScenario, TheRotationCentrePickModeSwitches)
{
    // The rotation-centre pick mode.
    EXPECT_EQ(Button(kPickCentreButton)->Picture(), ButtonPicture::kPickOff);
    Click(kPickCentreButton);
    EXPECT_EQ(Button(kPickCentreButton)->Picture(), ButtonPicture::kPickOn);
    Click(kPickCentreButton);
    EXPECT_EQ(Button(kPickCentreButton)->Picture(), ButtonPicture::kPickOff);
}

TEST_F(ProgramScenario, TimeButtonsStepAndPlayTheTimedGroups)
{
    // Time: green up to step 1, yellow from step 2.
    EXPECT_FALSE(Button(kTimeBackButton)->isEnabled());
    EXPECT_FALSE(Button(kStopButton)->isEnabled());
    EXPECT_GT(Count(Picture(), Greenish), 100);
    Click(kTimeForwardButton);
    Click(kTimeForwardButton);
    EXPECT_EQ(Count(Picture(), Greenish), 0);
    EXPECT_GT(Count(Picture(), Yellowish), 100);
    Click(kTimeBackButton);
    EXPECT_GT(Count(Picture(), Greenish), 100);
    Click(kStopButton);
    EXPECT_EQ(view->Renderer().panes[0].timeStep, 0);
    Click(kPlayButton);
    EXPECT_EQ(Button(kPlayButton)->Picture(), ButtonPicture::kPause);
    EXPECT_FALSE(Button(kTimeForwardButton)->isEnabled());
    // Without a loop, playback stops by itself at the end of the range.
    EXPECT_TRUE(WaitUntil([this] { return !view->Motion().Playing(); }));
    EXPECT_EQ(view->Renderer().panes[0].timeStep, 3);
    EXPECT_FALSE(Button(kPlayButton)->isEnabled());
    EXPECT_TRUE(WaitUntil([this] { return ShowsGreyPlay(Button(kPlayButton)); }));   // not the pause it was left with
    EXPECT_GT(Count(Picture(), Yellowish), 100);
    Click(kStopButton);
    EXPECT_TRUE(Button(kPlayButton)->isEnabled());
    EXPECT_EQ(Button(kPlayButton)->Picture(), ButtonPicture::kPlay);
    // A press on the space, the active one, stops playback where it is.
    Click(kPlayButton);
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, QPoint(40, 40));
    EXPECT_EQ(Button(kPlayButton)->Picture(), ButtonPicture::kPlay);
    ProcessEventsFor(700);
    EXPECT_GT(Count(Picture(), Greenish), 100);

    // Closed while playing: play greys as play, and what would move a scene greys.
    Click(kPlayButton);
    Run(CMainFrame::kFileNew);
    EXPECT_TRUE(WaitUntil([this] { return ShowsGreyPlay(Button(kPlayButton)); }));
    for (int id : {kHomeButton, kRotateMinusButton, kRotatePlusButton, kPickCentreButton}) EXPECT_FALSE(Button(id)->isEnabled()) << id;
}

TEST_F(ProgramScenario, FriendGroupsFollowTheButtonAndTheFriendText)
{
    // Friend groups: the button, then the friend text, then the button again.
    Click(kFriendButton);
    EXPECT_EQ(bar->Caption()->text(), QStringLiteral(" Data"));
    EXPECT_EQ(List()->topLevelItem(0)->text(1), QStringLiteral("CT"));
    QTest::mouseClick(bar->FriendText(), Qt::LeftButton);
    EXPECT_EQ(bar->Caption()->text(), QStringLiteral(" More"));
    Click(kFriendButton);
    EXPECT_EQ(bar->Caption()->text(), QStringLiteral(" Shapes"));
    EXPECT_GT(Count(Picture(), Reddish), 500);
}

TEST_F(ProgramScenario, TheNextSpaceOfASingleSpaceSceneLeavesNoneActive)
{
    // The next space of a single-space scene: no space stays active.
    Click(kNextSpaceButton);
    EXPECT_EQ(view->Renderer().activeSpace, -1);
    EXPECT_EQ(bar->Caption()->text(), QString());
    EXPECT_FALSE(Button(kClipButton)->isEnabled());
}

TEST_F(ProgramScenario, TheUnitPanelHidesUnitsAndOpensEveryPropertyDialog)
{
    EXPECT_EQ(Rows(), 5);   // the shapes, the text and the two timed cubes
    // The arrow keys choose the unit they highlight.
    Select("Red");
    for (int i = 0; i < 2; ++i) QTest::keyClick(List(), Qt::Key_Down);
    const QString third = List()->currentItem()->text(1);
    EXPECT_EQ(third, "Words");
    EXPECT_EQ(PanelControl<QLineEdit>(CKxDlgMainControl::kName)->text(), third);
    PanelControl<QPushButton>(CKxDlgMainControl::kUnitPreference)->click();
    EXPECT_TRUE(view->Dialogs().units.text->isVisible());
    view->Dialogs().units.text->HideUnitDialog();
    const int red = Count(Picture(), Reddish);
    ASSERT_GT(red, 500);
    Show("Red", false);
    EXPECT_EQ(Count(Picture(), Reddish), 0);
    Show("Red", true);
    EXPECT_EQ(Count(Picture(), Reddish), red);

    // Each kind opens its own dialog; while it is open the view edits a unit.
    const UnitPropertyDialogs& d = view->Dialogs().units;
    const std::map<QString, QWidget*> kinds = {
        {"Red", d.primitive},  {"Words", d.text},    {"CT", d.volume},       {"Bone", d.surface},
        {"Part", d.triStl},    {"Sheet", d.triStl},  {"Picture", d.image},   {"Board", d.linkBoard},
        {"Wire", d.connector}, {"Land", d.topoMap},  {"Dots", d.scatterGraph},
    };
    int opened = 0;
    for (const QString caption : {"Shapes", "Data", "More"}) {
        GoTo(caption);
        for (int row = 0; row < Rows(); ++row) {
            const QString name = List()->topLevelItem(row)->text(1);
            if (!kinds.count(name)) continue;
            Select(name);
            PanelControl<QPushButton>(CKxDlgMainControl::kUnitPreference)->click();
            QWidget* open = nullptr;
            for (UnitDialogFrame* dialog : view->Dialogs().UnitDialogs())
                if (dialog->isVisible()) open = dialog;
            EXPECT_EQ(open, kinds.at(name)) << name.toStdString();
            if (open == nullptr) continue;
            ++opened;
            EXPECT_EQ(view->Mode(), ViewMode::kUnitEditing);
            EXPECT_FALSE(frame->menuBar()->actions().first()->isEnabled());   // the File menu
            EXPECT_FALSE(Button(kFriendButton)->isEnabled());
            static_cast<UnitDialogFrame*>(open)->HideUnitDialog();
            EXPECT_EQ(view->Mode(), ViewMode::kNormal);
            EXPECT_TRUE(frame->menuBar()->actions().first()->isEnabled());
        }
    }
    EXPECT_EQ(opened, 11);

    // The volume's window: one above the CT's values shows it black, one over
    // them makes it visible.
    GoTo("Data");
    for (const QString name : {"Bone", "Part", "Sheet"}) Show(name, false);
    Click(kHomeButton);
    Select("CT");
    PanelControl<QPushButton>(CKxDlgMainControl::kUnitPreference)->click();
    CKxDlgUnitVolume* volume = view->Dialogs().units.volume;
    ASSERT_TRUE(volume->isVisible());
    auto window = [&](const char* low, const char* high) {
        volume->findChild<QLineEdit*>(ControlName(CKxDlgUnitVolume::kLowerLimit))->setText(low);
        volume->findChild<QLineEdit*>(ControlName(CKxDlgUnitVolume::kUpperLimit))->setText(high);
        volume->findChild<QPushButton*>(ControlName(CKxDlgUnitVolume::kApply))->click();
        return Brightness(Picture());
    };
    const int black = window("40000", "65000");
    const int visible = window("0", "8000");
    EXPECT_GT(visible, black + 1000);
    // Applied at once: nothing is left for the next paint to colour.
    EXPECT_FALSE(view->Dialogs().units.volume->Unit()->volumeData->redoMarks.at(volume->Unit()));

    // Clearing the scene with the dialog open: it hides, keeps no unit, and
    // the view shows no scene with its File menu back.
    app.OnFileNew();
    EXPECT_FALSE(volume->isVisible());
    for (UnitDialogFrame* dialog : view->Dialogs().UnitDialogs()) EXPECT_EQ(dialog->EditedUnit(), nullptr);
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(view->Mode(), ViewMode::kNoScene);
    EXPECT_TRUE(frame->menuBar()->actions().first()->isEnabled());
}

TEST_F(ProgramScenario, ExportsFromThePanelWriteFilesOutsideToolsRead)
{
    GoTo("Data");
    const std::string python = "/usr/bin/python3 " + std::string(VELMOR_E2E_DIR) + "/export_peer_check.py ";

    // Polygons: STL, then OBJ with its material file.
    Select("Part");
    for (const auto& [format, name] : {std::pair{0, "meshes.stl"}, std::pair{1, "meshes.obj"}}) {
        ModalAnswerer answerer([&, format = format, name = name](QWidget* modal) {
            if (auto* dialog = dynamic_cast<CKxDlgPolygonExport*>(modal)) {
                dialog->findChild<QComboBox*>(ControlName(CKxDlgPolygonExport::kFormat))->setCurrentIndex(format);
                dialog->findChild<QPushButton*>(ControlName(CKxDlgPolygonExport::kOk))->click();
            } else if (auto* files = qobject_cast<QFileDialog*>(modal)) {
                AnswerFileDialog(files, Q(out.Path() / name));
            }
        });
        PanelControl<QPushButton>(CKxDlgMainControl::kPolygon)->click();
        EXPECT_EQ(answerer.answered, 2);
    }
    ASSERT_TRUE(std::filesystem::exists(out.Path() / "meshes.mtl"));
    const CommandResult meshes =
        RunCommand(python + "mesh " + Quoted((out.Path() / "meshes.stl").string()) + " " + Quoted((out.Path() / "meshes.obj").string()));
    EXPECT_EQ(meshes.exitCode, 0) << meshes.output;

    // Voxels: the signed CT as a DICOM series, then down to 8 bits as TIFF.
    Select("CT");
    for (const bool tiff : {false, true}) {
        const std::filesystem::path folder = out.Path() / (tiff ? "tiff" : "dicom");
        std::filesystem::create_directory(folder);
        ModalAnswerer answerer([&](QWidget* modal) {
            if (auto* dialog = dynamic_cast<CKxDlgVoxelExport*>(modal)) {
                if (tiff) {
                    dialog->findChild<QCheckBox*>(ControlName(CKxDlgVoxelExport::kDownTo8Bit))->setChecked(true);
                    dialog->findChild<QLineEdit*>(ControlName(CKxDlgVoxelExport::kCurrent2))->setText("31000");
                    dialog->findChild<QLineEdit*>(ControlName(CKxDlgVoxelExport::kExport2))->setText("255");
                }
                dialog->findChild<QPushButton*>(ControlName(CKxDlgVoxelExport::kOk))->click();
            } else if (auto* files = qobject_cast<QFileDialog*>(modal)) {
                AnswerFileDialog(files, Q(folder));
            }
        });
        PanelControl<QPushButton>(CKxDlgMainControl::kVoxel)->click();
        EXPECT_TRUE(WaitUntil([&] { return std::filesystem::exists(folder / "kx_voxel_export.txt"); }));
    }
    const CommandResult dicom = RunCommand(python + "dicom " + Quoted((out.Path() / "dicom").string()));
    EXPECT_EQ(dicom.exitCode, 0) << dicom.output;
    EXPECT_NE(dicom.output.find("6 slices 32 x 24 spacing 0.5 0.5 thickness 2"), std::string::npos) << dicom.output;
    // Positions in millimetres: the slice's corner at half its size, the
    // slices 2 mm apart.
    EXPECT_NE(dicom.output.find("positions -6\\-8\\0 -6\\-8\\-2 -6\\-8\\-4 -6\\-8\\-6 -6\\-8\\-8 -6\\-8\\-10\n"),
              std::string::npos) << dicom.output;
    EXPECT_NE(dicom.output.find("rescale 1 0 writer 25\n"), std::string::npos) << dicom.output;
    const CommandResult tiffinfo = RunCommand("tiffinfo " + Quoted((out.Path() / "tiff" / "0000.tif").string()));
    EXPECT_EQ(tiffinfo.exitCode, 0) << tiffinfo.output;
    EXPECT_NE(tiffinfo.output.find("Image Width: 24 Image Length: 32"), std::string::npos) << tiffinfo.output;
    EXPECT_NE(tiffinfo.output.find("Bits/Sample: 8"), std::string::npos) << tiffinfo.output;

    // An export into a folder nobody may write shows its message and leaves
    // no file.
    const std::filesystem::path locked = ReadOnlyFolder(out) / "refused.stl";
    Select("Part");
    {
        ModalAnswerer answerer([&](QWidget* modal) {
            if (auto* dialog = dynamic_cast<CKxDlgPolygonExport*>(modal))
                dialog->findChild<QPushButton*>(ControlName(CKxDlgPolygonExport::kOk))->click();
            else if (auto* files = qobject_cast<QFileDialog*>(modal))
                AnswerFileDialog(files, Q(locked));
        });
        PanelControl<QPushButton>(CKxDlgMainControl::kPolygon)->click();
    }
    EXPECT_FALSE(std::filesystem::exists(locked));
    ASSERT_FALSE(messages->Messages().empty());
    EXPECT_EQ(messages->Messages().back(), L"file write error");

    // The section image of the surface's cut: clip plane on, capped.
    Click(kClipButton);
    Run(CMainFrame::kRenderDialog);
    auto* cap = view->Dialogs().render->findChild<QCheckBox*>(ControlName(CKxDlgRender::kClipCap));
    if (!cap->isChecked()) cap->click();
    Select("Bone");
    PanelControl<QPushButton>(CKxDlgMainControl::kUnitPreference)->click();
    CKxDlgUnitSurface* surface = view->Dialogs().units.surface;
    ASSERT_TRUE(surface->isVisible());
    const std::filesystem::path section = out.Path() / "section.bmp";
    {
        ModalAnswerer answerer([&](QWidget* modal) {
            if (auto* files = qobject_cast<QFileDialog*>(modal)) AnswerFileDialog(files, Q(section));
        });
        surface->OnBnClickedSaveSectionImage();
    }
    QImage saved(Q(section));
    EXPECT_FALSE(saved.isNull()) << messages->Messages().back();
    EXPECT_GT(saved.width(), 0);
}

// A blue cube shown, a red one hidden.
constexpr const char* kCubes = R"(<?xml version="1.0"?><scene version="1.35"><body><drawGroup name="g"><drawUnit>
<primitive note="Cube" shape="cube" diffuse="0,0,255" ambient="0,0,255"/>
<primitive shape="cube" coordinate="1.5,0,0" diffuse="255,0,0" ambient="255,0,0" hide="on"/></drawUnit></drawGroup>
<event name="go"><targetSpace index="0"/><topGroup name="g"/><activeSpace index="0"/></event>
<firstSetting spaceNum="1" firstEvent="go"/></body></scene>)";

// Files handed over while a dialog of the program, or a unit's editing,
// works on the shown scene wait until it ends, then open in turn.
TEST_F(ProgramScenario, HandedOverFilesWaitForDialogsAndUnitEditsAndKeepFullScreen)
{
    for (const char* name : {"a.vlm", "b.vlm"}) scenes.Write(name, kCubes);
    const auto path = [&](const char* name) { return WideFromPath(scenes.Path() / name); };
    const auto shows = [&](const char* name) { return frame->windowTitle().startsWith(name); };
    const auto opened = [&](const char* name) { return WaitUntil([&] { return shows(name) && !app.Busy(); }); };
    // Dropped on each text field of the tool windows, the panel and a unit's
    // dialog, a file is refused and never becomes the field's text.
    for (const int tool : {CMainFrame::kScaleBarDialog, CMainFrame::kRotateDialog}) Run(tool);
    Select("Words");
    int refused = 0;
    for (QWidget* window : std::initializer_list<QWidget*>{view->Dialogs().scaleBar, view->Dialogs().rotation, &Panel(), view->Dialogs().units.text}) {
        if (window == view->Dialogs().units.text) PanelControl<QPushButton>(CKxDlgMainControl::kUnitPreference)->click();
        window->raise();
        QApplication::processEvents();
        for (QLineEdit* field : window->findChildren<QLineEdit*>()) {
            const QString text = field->text();
            if (field->isVisible() && field->isEnabled())
                refused += RealDrag({1520, 1120}, scenes.Path() / "a.vlm").Grab(field->mapToGlobal(field->rect().center())).Release() == "refused" && field->text() == text;
        }
    }
    EXPECT_EQ(refused, 8);
    view->Dialogs().units.text->HideUnitDialog();
    GoTo("Data");
    Select("Part");
    {
        ModalAnswerer answerer([&](QWidget* modal) {
            app.OnHandOff(path(modal->inherits("QFileDialog") ? "b.vlm" : "a.vlm"));
            if (auto* files = qobject_cast<QFileDialog*>(modal)) AnswerFileDialog(files, Q(out.Path() / "held.stl"));
            else modal->findChild<QPushButton*>(ControlName(CKxDlgPolygonExport::kOk))->click();
        });
        PanelControl<QPushButton>(CKxDlgMainControl::kPolygon)->click();
    }
    EXPECT_TRUE(shows("checks.vlm"));
    // More than the part's and the sheet's three triangles: the bone's too.
    EXPECT_GT(ReadFileBytes(out.Path() / "held.stl").size(), 84u + 3 * 50u);
    ASSERT_TRUE(opened("b.vlm"));
    EXPECT_EQ(app.RecentFiles().Entries().at(1), path("a.vlm"));
    // The colour picked goes to b's cube, not to a's that arrived meanwhile;
    // a drag over the chooser whose source dies there leaves later drops whole.
    Select("Cube");
    {
        ModalAnswerer answerer([&](QWidget* modal) {
            app.OnHandOff(path("a.vlm"));
            RealDrag(frame->geometry().topLeft() + QPoint(20, 60), scenes.Path() / "a.vlm").Grab(modal->geometry().center());
            RealDrag::Xdo({"mouseup", "1"});
            static_cast<QColorDialog*>(modal)->setCurrentColor(QColor(0, 255, 0));
            static_cast<QColorDialog*>(modal)->accept();
        });
        QTest::mouseClick(PanelControl<QLabel>(CKxDlgMainControl::kColour), Qt::LeftButton);
    }
    ASSERT_TRUE(opened("a.vlm"));
    EXPECT_EQ(Count(Picture(), Greenish), 0);
    Select("Cube");
    PanelControl<QPushButton>(CKxDlgMainControl::kUnitPreference)->click();
    app.OnHandOff(path("b.vlm"));
    ProcessEventsFor(100);
    EXPECT_TRUE(shows("a.vlm"));
    view->Dialogs().units.primitive->HideUnitDialog();
    ASSERT_TRUE(opened("b.vlm"));

    // Full screen lasts through a scene handed over and F11 then brings the
    // window back; closing the scene ends it at once, as F11 needs a scene.
    const QRect normal = frame->geometry();
    const auto shown = [&](bool full) {
        const QRect want = full ? frame->screen()->geometry() : normal;
        return WaitUntil([&] { return frame->geometry() == want && frame->menuBar()->isVisible() != full; });
    };
    QTest::keyClick(view, Qt::Key_F11);
    ASSERT_TRUE(shown(true));
    app.OnHandOff(path("a.vlm"));
    ASSERT_TRUE(opened("a.vlm"));
    QTest::keyClick(view, Qt::Key_F11);
    ASSERT_TRUE(shown(false));
    EXPECT_EQ(Count(Picture(), Reddish), 0);   // the hidden cube stays hidden
    QTest::keyClick(view, Qt::Key_F11);
    ASSERT_TRUE(shown(true));

    // Real drops on the full-screen window after a right flick (the view
    // keeps sliding): a file opens, a link naming no file is refused.
    const QPoint middle = view->mapToGlobal(view->rect().center());
    const auto drop = [&](const std::filesystem::path& what, int actions = Qt::CopyAction) { return RealDrag({1500, 60}, what, actions).Grab(middle).Release(); };
    RealDrag::Xdo(RealDrag::To(middle) << "mousedown" << "3" << RealDrag::To(middle + QPoint(90, 40)) << "mouseup" << "3");
    ASSERT_TRUE(WaitUntil([&] { return view->State().AnyAnimation(); }));
    EXPECT_EQ(drop(scenes.Path() / "b.vlm"), "accepted");
    ASSERT_TRUE(opened("b.vlm"));
    // Offered as a move too (Shift held) a file is taken as a copy, offered
    // only as a move it is refused: the source keeps its file either way.
    RealDrag::Xdo({"keydown", "shift"});
    EXPECT_EQ(drop(scenes.Path() / "a.vlm", Qt::CopyAction | Qt::MoveAction), "accepted");
    EXPECT_EQ(drop(scenes.Path() / "b.vlm", Qt::MoveAction), "refused");
    RealDrag::Xdo({"keyup", "shift"});
    ASSERT_TRUE(opened("a.vlm"));
    EXPECT_TRUE(std::filesystem::exists(scenes.Path() / "a.vlm") && std::filesystem::exists(scenes.Path() / "b.vlm"));
    EXPECT_EQ(drop("https://example.invalid/b.vlm"), "refused");
    // A drag that enters while a dropped scene loads and lets go after it.
    scenes.Write("points.txt", QByteArray("976.25 1.5 1.75\n1.25 1.5 1.75\n").repeated(750000).toStdString());
    scenes.Write("slow.vlm", R"(<?xml version="1.0"?><scene version="1.35"><body><drawGroup name="top"><drawUnit><pointCloud
point_data="points" renderingType="A"/></drawUnit></drawGroup><data name="points" type="array_xyz" size="1500000"><file
type="txt" path="points.txt"/></data></body></scene>)");
    {
        RealDrag during({1500, 300}, scenes.Path() / "b.vlm");
        bool entered = false;
        std::function<void()> watch = [&] {   // runs in the load's own loop, which lets no timer through
            if (!app.JobHost()->Running()) return void(QMetaObject::invokeMethod(frame, watch, Qt::QueuedConnection));
            entered = during.Grab(middle).state() == QProcess::Running && app.JobHost()->Running();
        };
        QMetaObject::invokeMethod(frame, watch, Qt::QueuedConnection);
        EXPECT_EQ(drop(scenes.Path() / "slow.vlm"), "accepted");
        ASSERT_TRUE(WaitUntil([&] { return shows("slow.vlm") && entered && !app.Busy(); }, 120000)) << "the load ended before the drag entered: nothing was proved";
        during.Move(middle - QPoint(40, 0));
        EXPECT_EQ(during.Release(), "accepted");
        ASSERT_TRUE(opened("b.vlm"));
    }
    EXPECT_EQ(app.RecentFiles().Entries().at(1), path("slow.vlm"));
    EXPECT_TRUE(shown(true));
    app.OnFileNew();
    EXPECT_TRUE(shown(false));
}

// A folder that exists before the fixture opens the scene written into it.
struct SceneFolder {
    TempDir folder;
};

// The example scene that scripts/run opens, with its data made as the script
// makes them: two linked spaces, a clip plane, a time range and a friend group.
class ExampleScene : private SceneFolder, public ProgramScenario {
protected:
    static std::filesystem::path Prepared(const TempDir& dir)
    {
        const std::filesystem::path examples = std::filesystem::path(VELMOR_E2E_DIR) / ".." / ".." / "examples";
        std::filesystem::copy_file(examples / "phantom.vlm", dir.Path() / "phantom.vlm");
        const CommandResult made = RunCommand("/usr/bin/python3 " + Quoted((examples / "make_phantom.py").string()) +
                                              " " + Quoted((dir.Path() / "phantom").string()));
        EXPECT_EQ(made.exitCode, 0) << made.output;
        return dir.Path() / "phantom.vlm";
    }
    ExampleScene() : ProgramScenario(Prepared(folder)) {}
    // The view as the X server shows it: unlike Picture(), no frame of its own.
    QImage Shown()
    {
        const QPoint at = view->mapTo(frame, QPoint());
        return frame->screen()->grabWindow(frame->winId(), at.x(), at.y(), view->width(), view->height()).toImage();
    }
};

TEST_F(ExampleScene, ShadowsLeaveTheOutsideOfTheSkullThatFacesTheLightAsItIs)
{
    const QImage plain = Picture();
    Run(CMainFrame::kRenderDialog);
    view->Dialogs().render->findChild<QCheckBox*>(ControlName(CKxDlgRender::kShadow))->click();
    ASSERT_EQ(view->Renderer().shadow, 1u);
    const QImage shadowed = Picture();
    // Below the cut's rim, left of the tracer and under it: the skull's
    // outside, with nothing between it and the light.
    int bone = 0, changed = 0;
    for (const QRectF box : {QRectF(-1.27, -0.45, 0.27, 0.5), QRectF(-1.0, -0.55, 0.25, 0.25)})
        for (double u = box.left(); u <= box.right(); u += 0.0125)
            for (double v = box.top(); v <= box.bottom(); v += 0.0125) {
                const QColor c = plain.pixelColor(PanePoint(plain, u, v)), s = shadowed.pixelColor(PanePoint(plain, u, v));
                if (c.red() < 90 || c.green() > c.red() || c.red() - c.blue() < 15) continue;
                ++bone;
                changed += std::abs(c.red() - s.red()) + std::abs(c.green() - s.green()) + std::abs(c.blue() - s.blue()) > 6;
            }
    EXPECT_GT(bone, 800);
    EXPECT_EQ(changed, 0);
}

// A picked rotation centre gone home leaves the clip cap showing its
// section; home without animation shows on the screen at once, without
// another frame being asked for.
TEST_F(ExampleScene, HomeShowsTheHomePoseWithTheClipCapsSection)
{
    const QImage home = Shown();
    QTest::keyClick(view, Qt::Key_F7);
    QTest::mouseClick(view, Qt::LeftButton, {}, PanePoint(home, -1.0, 0.08));   // on the skull
    EXPECT_NE(view->Renderer().panes[0].root->centre[0], 0.0);
    QTest::keyClick(view, Qt::Key_F7);
    QTest::keyClick(view, Qt::Key_F2);
    EXPECT_TRUE(WaitUntil([&] { return !view->State().homeRunning && Differences(Shown(), home) < 50; }));
    Run(CMainFrame::kRenderDialog);
    auto* steps = view->Dialogs().render->findChild<QComboBox*>(ControlName(CKxDlgRender::kHomeAnimation));
    steps->setCurrentIndex(steps->findText(QStringLiteral("なし")));
    emit steps->activated(steps->currentIndex());
    Click(kRotatePlusButton);
    EXPECT_TRUE(WaitUntil([&] { return Differences(Shown(), home) > 100; }));
    Click(kHomeButton);
    EXPECT_TRUE(WaitUntil([&] { return Differences(Shown(), home) < 50; }, 3000));
}

// A unit's dialog leaves the space whose unit it edits in sight, whichever
// that is: none of the space's pixels (off the background, on its side of
// the middle) lies under it.
TEST_F(ExampleScene, AUnitsDialogLeavesTheSpaceItEditsInSight)
{
    ASSERT_TRUE(WaitUntil([this] { return !app.Busy(); }));
    for (const auto& [name, side] : {std::pair{"Skull", -1}, {"Soft tissue", 1}}) {
        if (side > 0) Click(kNextSpaceButton);
        const QImage shown = Shown();
        Select(name);
        PanelControl<QPushButton>(CKxDlgMainControl::kUnitPreference)->click();
        const std::vector<UnitDialogFrame*> all = view->Dialogs().UnitDialogs();
        UnitDialogFrame* dialog = *std::find_if(all.begin(), all.end(), [](QWidget* d) { return d->isVisible(); });
        const QRect at = dialog->frameGeometry().translated(-view->mapToGlobal(QPoint()));
        int space = 0, covered = 0;
        for (int y = 0; y < shown.height(); y += 3)
            for (int x = 0; x < shown.width(); x += 3)
                if (side * (x - shown.width() / 2) > shown.height() / 10 && qGray(shown.pixel(x, y)) > 60)
                    ++space, covered += at.contains(x, y);
        EXPECT_TRUE(space > 300 && covered == 0) << name << ": " << covered << " of " << space << " pixels covered";
        // Clear of the bar's buttons, framed or not; the iso-surface's over
        // the other space, where the screen has no room beside the window.
        const QRect buttons(bar->mapToGlobal(bar->ControlsArea().topLeft()), bar->ControlsArea().size());
        EXPECT_TRUE(!dialog->frameGeometry().intersects(buttons) && (side > 0 || at.center().x() > shown.width() / 2))
            << name << " at " << at.x() << "," << at.y() << " " << at.width() << "x" << at.height();
        // Apply with nothing typed keeps the volume's own (unrounded) levels.
        const QImage before = Picture();
        if (side > 0) dialog->findChild<QPushButton*>(ControlName(CKxDlgUnitVolume::kApply))->click();
        EXPECT_TRUE(Picture() == before);
        dialog->HideUnitDialog();
    }
}

TEST_F(ExampleScene, EveryBarButtonAndSettingActsOnIt)
{
    EXPECT_EQ(view->Renderer().paneCount, 2);
    // Each button changes what is shown: the picture, its own picture or the
    // caption.
    auto shown = [this] {
        return std::make_tuple(Picture(), bar->Caption()->text(), Button(kClipButton)->Picture(),
                               Button(kClipHandleButton)->Picture(), Button(kPickCentreButton)->Picture(),
                               Button(kPlayButton)->Picture());
    };
    auto changes = [&](int id) {
        const auto before = shown();
        Click(id);
        const auto after = shown();
        return before != after;
    };
    // The scene opens with its clip plane on.
    for (int id : {kRotatePlusButton, kRotateMinusButton, kClipHandleButton, kClipHandleButton, kClipButton,
                   kClipButton, kPickCentreButton, kPickCentreButton, kTimeForwardButton, kTimeBackButton})
        EXPECT_TRUE(changes(id)) << id;
    Click(kRotatePlusButton);
    EXPECT_TRUE(changes(kHomeButton) || WaitUntil([this] { return !view->State().homeRunning; }));
    EXPECT_TRUE(changes(kPlayButton));
    EXPECT_TRUE(WaitUntil([this] { return view->Renderer().panes[0].timeStep != 0; }));
    EXPECT_TRUE(changes(kPlayButton));   // pause
    EXPECT_TRUE(changes(kStopButton));
    EXPECT_EQ(view->Renderer().panes[0].timeStep, 0);
    EXPECT_TRUE(changes(kFriendButton));
    EXPECT_EQ(bar->Caption()->text(), QStringLiteral(" 頭部ファントム：軟部組織のボリューム表示"));
    EXPECT_TRUE(changes(kNextSpaceButton));
    EXPECT_EQ(view->Renderer().activeSpace, 1);

    // The settings switches: the spaces turn together until unlinked.
    RefreshMenus();
    ASSERT_TRUE(Command(CMainFrame::kConnectViewSpace)->isEnabled());
    const bool linked = Command(CMainFrame::kConnectViewSpace)->isChecked();
    Run(CMainFrame::kConnectViewSpace);
    RefreshMenus();
    EXPECT_NE(Command(CMainFrame::kConnectViewSpace)->isChecked(), linked);
    for (int id : {CMainFrame::kShowFrameArrow, CMainFrame::kFixClipDuringRotation}) {
        const bool before = Command(id)->isChecked();
        Run(id);
        RefreshMenus();
        EXPECT_NE(Command(id)->isChecked(), before) << id;
    }
    for (int id : {CMainFrame::kFileInfo, CMainFrame::kRenderDialog, CMainFrame::kScaleBarDialog, CMainFrame::kRotateDialog})
        Run(id);
    for (QWidget* window : view->Dialogs().ToolWindows()) EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(view->Dialogs().fileInfo->findChild<QTextEdit*>()->toPlainText().contains(QStringLiteral("頭部ファントム")));
}

// The iso-surface of the CT's upper rows (its borders are stored values, the
// signed samples' plus 32768) beside a red ball, and in the friend group a
// surface whose data the scene keeps from export.
constexpr const char* kSurfaceScene = R"(<?xml version="1.0" encoding="UTF-8"?>
<scene version="1.35">
  <head><title type="main" value="Surface"/></head>
  <body>
    <drawGroup name="bone">
      <TGProperty caption="Bone" friendLabel="to sealed" friendGroup="sealed"/>
      <drawUnit>
        <surfaceRendering note="Bone" volume_data="ct" renderingType="A" border="32000" borderUp="48000" clipCap_data="ct"/>
        <primitive note="Ball" shape="sphere" coordinate="-12,0,0" size="0.2" diffuse="255,0,0" ambient="255,0,0"/>
      </drawUnit>
    </drawGroup>
    <drawGroup name="sealed">
      <TGProperty caption="Sealed" friendLabel="back" friendGroup="bone"/>
      <drawUnit><surfaceRendering note="Sealed" volume_data="ct" border="32000" borderUp="48000" dataExport="off"/></drawUnit>
    </drawGroup>
    <data name="ct" type="volume" format="GRAY16" size="24,32,6"><file path="ct/" type="dcm"/>
      <scale x="0.5" y="0.5" z="2" unit="mm"/></data>
    <event name="start"><targetSpace index="0"/><topGroup name="bone"/><activeSpace index="0"/></event>
    <firstSetting spaceNum="1" firstEvent="start"/>
  </body>
</scene>
)";

class SurfaceScene : private SceneFolder, public ProgramScenario {
protected:
    static std::filesystem::path Prepared(const TempDir& dir)
    {
        WriteSceneFiles(dir);
        dir.Write("surface.vlm", kSurfaceScene);
        return dir.Path() / "surface.vlm";
    }
    SurfaceScene() : ProgramScenario(Prepared(folder)) {}
};

// Presses the button numbered `id` of `owner` with the mouse (a radio button
// or check box on its indicator).
void Press(QWidget* owner, int id)
{
    auto* button = owner->findChild<QAbstractButton*>(ControlName(id));
    ASSERT_NE(button, nullptr) << id;
    ASSERT_TRUE(button->isEnabled()) << id;
    const bool indicator = button->isCheckable();
    QTest::mouseClick(button, Qt::LeftButton, {}, indicator ? QPoint(6, button->height() / 2) : QPoint());
}
void Type(QWidget* owner, int id, const char* text) { owner->findChild<QLineEdit*>(ControlName(id))->setText(text); }

TEST_F(SurfaceScene, SurfaceDialogAndPanelCommandsWorkThroughTheirButtons)
{
    // Where the surface over the CT's upper or lower rows shows, and the ball.
    const QPoint upper(view->width() * 0.6, view->height() * 0.28), lower(view->width() * 0.6, view->height() * 0.72),
        ball(view->width() * 0.2, view->height() * 0.5);
    auto at = [this](QPoint place) { return Picture().pixelColor(place); };
    auto lit = [&](QPoint place) { return qGray(at(place).rgb()) > 100; };
    ASSERT_TRUE(lit(upper));
    ASSERT_FALSE(lit(lower));
    ASSERT_TRUE(Reddish(at(ball)));

    // Thresholds typed in data values (the CT is signed): Apply rebuilds the
    // surface around the lower rows.
    Select("Bone");
    Press(&Panel(), CKxDlgMainControl::kUnitPreference);
    CKxDlgUnitSurface* surface = view->Dialogs().units.surface;
    ASSERT_TRUE(surface->isVisible());
    EXPECT_EQ(surface->findChild<QLineEdit*>(ControlName(CKxDlgUnitSurface::kLowerLimit))->text(), "-768");
    Type(surface, CKxDlgUnitSurface::kLowerLimit, "15500");
    Type(surface, CKxDlgUnitSurface::kUpperLimit, "31000");
    Press(surface, CKxDlgUnitSurface::kApply);
    EXPECT_FALSE(lit(upper));
    EXPECT_TRUE(lit(lower));

    // The capped cut section: a colour scale with an empty range is refused
    // and changes nothing, a valid one recolours the cap; the section saved
    // by its button is a 16-bit gray TIFF of the section.
    surface->close();
    Click(kClipButton);
    Run(CMainFrame::kRenderDialog);
    auto* cap = view->Dialogs().render->findChild<QCheckBox*>(ControlName(CKxDlgRender::kClipCap));
    if (!cap->isChecked()) Press(view->Dialogs().render, CKxDlgRender::kClipCap);
    Press(&Panel(), CKxDlgMainControl::kUnitPreference);
    const QImage capped = Picture();
    CKxDrawUSurfaceR* bone = surface->Unit();
    auto scale = [bone] { return std::make_tuple(bone->colorTable, bone->GetColorTableLow(), bone->GetColorTableUp()); };
    const auto before = scale();
    auto colourScale = [&](const char* low, const char* up, int table) {
        ModalAnswerer answerer([&](QWidget* modal) {
            Type(modal, CKxDlgUnitSurfaceColorScale::kMinimum, low);
            Type(modal, CKxDlgUnitSurfaceColorScale::kMaximum, up);
            Press(modal, table);
            Press(modal, StandardControl::kOk);
            if (modal->isVisible()) Press(modal, StandardControl::kCancel);
        });
        Press(surface, CKxDlgUnitSurface::kColorScale);
        EXPECT_EQ(answerer.answered, 1);
    };
    colourScale("10", "10", CKxDlgUnitSurfaceColorScale::kRgb);
    EXPECT_EQ(messages->Messages(), std::vector<std::wstring>{L"invalid value."});
    EXPECT_EQ(scale(), before);
    EXPECT_EQ(Differences(Picture(), capped), 0);

    const std::filesystem::path section = out.Path() / "section.tif";
    {
        ModalAnswerer answerer([&](QWidget* modal) {
            if (auto* files = qobject_cast<QFileDialog*>(modal)) AnswerFileDialog(files, Q(section));
        });
        Press(surface, CKxDlgUnitSurface::kSectionImage);
    }
    const CommandResult tiffinfo = RunCommand("tiffinfo " + Quoted(section.string()));
    EXPECT_EQ(tiffinfo.exitCode, 0) << tiffinfo.output;
    for (const char* line : {"Bits/Sample: 16", "Samples/Pixel: 1", "min-is-black"})
        EXPECT_NE(tiffinfo.output.find(line), std::string::npos) << line << "\n" << tiffinfo.output;
    const CommandResult identify = RunCommand("identify -format '%w %h %[max]' " + Quoted(section.string()));
    int width = 0, height = 0, brightest = 0;
    EXPECT_EQ(std::sscanf(identify.output.c_str(), "%d %d %d", &width, &height, &brightest), 3) << identify.output;
    EXPECT_EQ(width, height);
    EXPECT_GT(brightest, 0);

    colourScale("0", "30000", CKxDlgUnitSurfaceColorScale::kRgb);
    EXPECT_EQ(bone->colorTable, L"RGB");
    const QColor rgb = at(lower);
    EXPECT_GT(std::max({rgb.red(), rgb.green(), rgb.blue()}) - std::min({rgb.red(), rgb.green(), rgb.blue()}), 100);
    surface->close();

    // The surface unit's voxels: a signed DICOM series.
    const std::filesystem::path dicom = out.Path() / "dicom";
    std::filesystem::create_directory(dicom);
    {
        ModalAnswerer answerer([&](QWidget* modal) {
            if (auto* files = qobject_cast<QFileDialog*>(modal)) AnswerFileDialog(files, Q(dicom));
            else Press(modal, CKxDlgVoxelExport::kOk);
        });
        Press(&Panel(), CKxDlgMainControl::kVoxel);
        EXPECT_EQ(answerer.answered, 2);
    }
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(dicom / "kx_voxel_export.txt"); }));
    const CommandResult dump = RunCommand("dcmdump +P 0028,0010 +P 0028,0011 +P 0028,0103 +P 0018,0050 +P 0020,0013 " +
                                          Quoted((dicom / "0005.dcm").string()));
    EXPECT_EQ(dump.exitCode, 0) << dump.output;
    for (const char* element : {"US 32 ", "US 24 ", "US 1 ", "[2.000000]", "[   6]"})
        EXPECT_NE(dump.output.find(element), std::string::npos) << element << "\n" << dump.output;

    // The sealed surface's data may not leave the program: no dialog, no file.
    GoTo("Sealed");
    Select("Sealed");
    for (const int command : {CKxDlgMainControl::kVoxel, CKxDlgMainControl::kPolygon}) {
        ModalAnswerer answerer([](QWidget* modal) { ADD_FAILURE() << modal->metaObject()->className(); });
        const size_t shown = messages->Messages().size();
        Press(&Panel(), command);
        EXPECT_EQ(messages->Messages().size(), shown + 1) << command;
        EXPECT_EQ(messages->Messages().back(), L"cannot export data");
    }

    // Hide All and Show All; a colour picked for the surface, then Back.
    GoTo("Bone");
    Click(kClipButton);
    Press(&Panel(), CKxDlgMainControl::kHideAll);
    EXPECT_FALSE(lit(lower));
    EXPECT_FALSE(Reddish(at(ball)));
    Press(&Panel(), CKxDlgMainControl::kShowAll);
    EXPECT_TRUE(White(at(lower)));
    EXPECT_TRUE(Reddish(at(ball)));
    Select("Bone");
    {
        ModalAnswerer answerer([](QWidget* modal) {
            auto* colours = qobject_cast<QColorDialog*>(modal);
            ASSERT_NE(colours, nullptr);
            colours->setCurrentColor(QColor(0, 255, 0));
            colours->accept();
        });
        QTest::mouseClick(PanelControl<QLabel>(CKxDlgMainControl::kColour), Qt::LeftButton);
        EXPECT_EQ(answerer.answered, 1);
    }
    EXPECT_TRUE(Greenish(at(lower)));
    EXPECT_TRUE(Reddish(at(ball)));
    Press(&Panel(), CKxDlgMainControl::kBack);
    EXPECT_TRUE(White(at(lower)));
    EXPECT_FALSE(PanelControl<QPushButton>(CKxDlgMainControl::kBack)->isEnabled());
}

// Where the pixels that `pick` accepts gather: their mean place and the
// radius of a disc of their number.
std::pair<QPoint, int> Blob(const QImage& image, const std::function<bool(QColor)>& pick)
{
    int64_t n = 0, sx = 0, sy = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (pick(image.pixelColor(x, y))) ++n, sx += x, sy += y;
    if (n == 0) return {QPoint(), 0};
    return {QPoint(static_cast<int>(sx / n), static_cast<int>(sy / n)), static_cast<int>(std::sqrt(n / 3.14159))};
}
bool Cyan(QColor c) { return c.green() > 200 && c.blue() > 200 && c.red() < 160; }
bool Orange(QColor c) { return c.red() > 120 && c.green() > 50 && c.green() < c.red() - 40 && c.blue() < 90; }

class UnitDialogWalk : public ProgramScenario {
protected:
    // Unit Preference on `name`'s row: the dialog that came up.
    QWidget* Open(const QString& name)
    {
        Select(name);
        Press(&Panel(), CKxDlgMainControl::kUnitPreference);
        for (UnitDialogFrame* dialog : view->Dialogs().UnitDialogs())
            if (dialog->isVisible()) return dialog;
        ADD_FAILURE() << name.toStdString() << " opened no dialog";
        return nullptr;
    }
    static void Choose(QWidget* dialog, int id, const char* item)
    {
        auto* combo = dialog->findChild<QComboBox*>(ControlName(id));
        ASSERT_NE(combo, nullptr) << id;
        const int index = combo->findText(QString::fromUtf8(item));
        ASSERT_GE(index, 0) << item;
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    // Picks the list row labelled `label`, types `values` into the edits
    // numbered from `edit` on (every second number) and applies them to the
    // list: the row's value text afterwards.
    static QString ApplyRow(QWidget* dialog, int list, int edit, int apply, const char* label,
                            std::initializer_list<const char*> values)
    {
        auto* rows = dialog->findChild<QTreeWidget*>(ControlName(list));
        for (int i = 0; i < rows->topLevelItemCount(); ++i) {
            if (rows->topLevelItem(i)->text(0) != QString::fromUtf8(label)) continue;
            rows->setCurrentItem(rows->topLevelItem(i));
            for (const char* value : values) {
                auto* field = dialog->findChild<QLineEdit*>(ControlName(edit));
                EXPECT_TRUE(field->isEnabled()) << label;
                field->clear();
                QTest::keyClicks(field, QString::fromUtf8(value));
                edit += 2;
            }
            Press(dialog, apply);
            return rows->topLevelItem(i)->text(1);
        }
        ADD_FAILURE() << label << " is not listed";
        return {};
    }
    // Escape typed into one of the dialog's fields: the dialog hides and the
    // view edits no unit any more.
    void Escape(QWidget* dialog)
    {
        QTest::keyClick(dialog->findChild<QLineEdit*>(), Qt::Key_Escape);
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(view->Mode(), ViewMode::kNormal);
        EXPECT_TRUE(frame->menuBar()->actions().first()->isEnabled());   // the File menu
    }
    QColor At(QPoint place) { return Picture().pixelColor(place); }
};

TEST_F(UnitDialogWalk, PropertyDialogEditsShowInThePicture)
{
    // A primitive: the red ball turned into a cube of the ball's width fills
    // the corners around it.
    const auto [centre, radius] = Blob(Picture(), Reddish);
    const QPoint ball = centre - QPoint(radius / 3, 0);   // beside the frame's line
    ASSERT_GT(radius, 10);
    const QPoint corner = centre + QPoint(-radius * 4 / 5, -radius * 4 / 5);
    EXPECT_TRUE(Reddish(At(ball)));
    EXPECT_FALSE(Reddish(At(corner)));
    QWidget* primitive = Open("Red");
    ASSERT_EQ(primitive, view->Dialogs().units.primitive);
    Choose(primitive, CKxDlgUnitPrim::kShape, "cube");
    EXPECT_FALSE(primitive->findChild<QPushButton*>(ControlName(CKxDlgUnitPrim::kApplyToList))->isEnabled());   // no row chosen
    EXPECT_TRUE(Reddish(At(ball)));
    EXPECT_FALSE(Reddish(At(corner)));
    EXPECT_EQ(ApplyRow(primitive, CKxDlgUnitPrim::kList, CKxDlgUnitPrim::kEdit1, CKxDlgUnitPrim::kApplyToList, "辺の長さ", {"1.2"}), "1.2");
    EXPECT_TRUE(Reddish(At(corner)));
    Escape(primitive);

    // A text: moved down from the picture's top edge it shows, longer words
    // cover more of the picture, no pixel size leaves nothing.
    QWidget* text = Open("Words");
    ASSERT_EQ(text, view->Dialogs().units.text);
    EXPECT_EQ(ApplyRow(text, CKxDlgUnitText::kList, CKxDlgUnitText::kEdit1, CKxDlgUnitText::kApplyToList, "基準座標", {"0", "0.5", "0"}), "0, 0.5, 0");
    const int words = Count(Picture(), Cyan);
    ASSERT_GT(words, 20);
    auto* content = text->findChild<QLineEdit*>(ControlName(CKxDlgUnitText::kText));
    EXPECT_EQ(content->text(), "Velmor");
    QTest::keyClicks(content, " Velmor Velmor");
    Press(text, CKxDlgUnitText::kApplyText);
    EXPECT_GT(Count(Picture(), Cyan), words * 2);
    EXPECT_EQ(ApplyRow(text, CKxDlgUnitText::kList, CKxDlgUnitText::kEdit1, CKxDlgUnitText::kApplyToList, "ピクセルサイズ", {"0"}), "0");
    EXPECT_EQ(Count(Picture(), Cyan), 0);
    Escape(text);

    // An image: the flat square becomes a disc, leaving its corners.
    GoTo("More");
    const auto [picture, size] = Blob(Picture(), Orange);
    ASSERT_GT(size, 10);
    const QPoint edge = picture + QPoint(-size * 4 / 5, size * 4 / 5);
    EXPECT_TRUE(Orange(At(edge)));
    QWidget* image = Open("Picture");
    ASSERT_EQ(image, view->Dialogs().units.image);
    Choose(image, CKxDlgUnitImage::kShape, "circle");
    EXPECT_FALSE(Orange(At(edge)));
    EXPECT_TRUE(Orange(At(picture)));
    EXPECT_EQ(ApplyRow(image, CKxDlgUnitImage::kList, CKxDlgUnitImage::kEdit1, CKxDlgUnitImage::kApplyToList, "不透明度", {"1.5"}), "1");
    Escape(image);

    // The link board shows only while its dialog is open; the connector
    // turned into a cylinder is drawn thicker.
    const QImage plain = Picture();
    QWidget* board = Open("Board");
    ASSERT_EQ(board, view->Dialogs().units.linkBoard);
    EXPECT_GT(Differences(Picture(), plain), 20);
    Escape(board);
    EXPECT_EQ(Differences(Picture(), plain), 0);
    EXPECT_EQ(Open("Board"), board);
    EXPECT_EQ(ApplyRow(board, CKxDlgUnitLinkB::kList, CKxDlgUnitLinkB::kEdit1, CKxDlgUnitLinkB::kApplyToList, "幅", {"-5"}), "0");
    Escape(board);
    QWidget* wire = Open("Wire");
    ASSERT_EQ(wire, view->Dialogs().units.connector);
    const QImage line = Picture();
    Choose(wire, CKxDlgUnitConnector::kShape, "cylinder");
    EXPECT_EQ(ApplyRow(wire, CKxDlgUnitConnector::kList, CKxDlgUnitConnector::kEdit1, CKxDlgUnitConnector::kApplyToList, "半径", {"0.1"}), "0.1");
    EXPECT_GT(Differences(Picture(), line), 100);
    Escape(wire);

    // The volume: the contrast slider pushed to its lowest, then Apply,
    // darkens the rendering's middle.
    GoTo("Data");
    for (const QString name : {"Bone", "Part", "Sheet"}) Show(name, false);
    QWidget* volume = Open("CT");
    ASSERT_EQ(volume, view->Dialogs().units.volume);
    Type(volume, CKxDlgUnitVolume::kLowerLimit, "0");
    Type(volume, CKxDlgUnitVolume::kUpperLimit, "16000");
    Press(volume, CKxDlgUnitVolume::kApply);
    const QPoint middle(view->width() / 2, view->height() / 2);
    const int before = qGray(At(middle).rgb());
    QTest::keyClick(volume->findChild<QSlider*>(ControlName(CKxDlgUnitVolume::kContrastSlider)), Qt::Key_Home);
    EXPECT_EQ(volume->findChild<QLineEdit*>(ControlName(CKxDlgUnitVolume::kContrast))->text(), "0.01");
    EXPECT_EQ(qGray(At(middle).rgb()), before);   // not before Apply
    Press(volume, CKxDlgUnitVolume::kApply);
    EXPECT_LT(qGray(At(middle).rgb()), before - 40) << before;
    Escape(volume);
}

// Escape and the close box hide every kind's dialog and keep what was
// applied in it: each edit shows again when the dialog opens next. The keys
// are real, so they go where the keyboard is: Escape with a choice's list
// open hides the dialog too (Return there only takes the item), and after
// the mesh's データ設定 the keyboard is back in the mesh's dialog. No unit
// dialog has OK or キャンセル.
TEST_F(UnitDialogWalk, EscapeAndTheCloseBoxHideEveryDialogAndKeepItsEdits)
{
    for (UnitDialogFrame* dialog : view->Dialogs().UnitDialogs())
        for (auto* button : dialog->findChildren<QPushButton*>())
            EXPECT_TRUE(button->text() != "OK" && button->text() != QStringLiteral("キャンセル")) << button->text().toStdString();
    // One edit per kind, another each round: a list row with a point moved,
    // or the kind's own threshold, brightness or data scale.
    auto change = [&](QWidget* dialog, int round) {
        if (auto* rows = dialog->findChild<QTreeWidget*>()) {
            if (auto* kind = dialog->findChild<QComboBox*>()) {   // a shape, marker or text type from the end
                kind->setCurrentIndex(kind->count() - 1 - round);
                emit kind->activated(kind->currentIndex());
            }
            QTreeWidgetItem* row = rows->topLevelItem(0);   // the opacity, else the first point
            for (int i = rows->topLevelItemCount() - 1; i >= 0; --i)
                if (rows->topLevelItem(i)->text(1).contains(',')) row = rows->topLevelItem(i);
            for (int i = 0; i < rows->topLevelItemCount(); ++i)
                if (rows->topLevelItem(i)->text(0) == QStringLiteral("不透明度")) row = rows->topLevelItem(i);
            rows->setCurrentItem(row);
            for (auto* edit : dialog->findChildren<QLineEdit*>()) edit->setText(round == 0 ? "0.3" : "0.6");
            for (auto* button : dialog->findChildren<QPushButton*>())
                if (button->text() == QStringLiteral("リストに反映")) button->click();
        } else if (dialog == view->Dialogs().units.triStl) {
            ModalAnswerer answerer([round](QWidget* modal) {
                modal->findChild<QComboBox*>(ControlName(CKxDlgDataArray::kUnit))->setCurrentIndex(3 - round);   // m, cm
                Press(modal, CKxDlgDataArray::kOk);
            });
            Press(dialog, CKxDlgUnitTriSTL::kDataPreference);
        } else if (dialog == view->Dialogs().units.volume) {
            Type(dialog, CKxDlgUnitVolume::kBrightness, round == 0 ? "100" : "-100");
            Press(dialog, CKxDlgUnitVolume::kApply);
        } else {
            Type(dialog, CKxDlgUnitSurface::kLowerLimit, round == 0 ? "15500" : "20000");
            Press(dialog, CKxDlgUnitSurface::kApply);
        }
    };
    // What the dialog and the picture show of the unit.
    auto shown = [&](QWidget* dialog) {
        QStringList texts;
        for (auto* choice : dialog->findChildren<QComboBox*>()) texts << choice->currentText();
        if (auto* rows = dialog->findChild<QTreeWidget*>())
            for (int i = 0; i < rows->topLevelItemCount(); ++i) texts << rows->topLevelItem(i)->text(1);
        else
            for (auto* edit : dialog->findChildren<QLineEdit*>()) texts << edit->text();
        return std::make_pair(texts, Picture());
    };
    auto keys = [](const QStringList& names, const std::function<bool()>& then) {
        EXPECT_EQ(QProcess::execute("xdotool", QStringList{"key"} << names), 0);
        return WaitUntil(then);
    };
    auto popup = [] { return QApplication::activePopupWidget(); };
    for (const auto& [group, names] : {std::pair{"Shapes", QStringList{"Red", "Words"}},
                                       {"Data", {"CT", "Bone", "Part"}},
                                       {"More", {"Picture", "Board", "Wire", "Land", "Dots"}}}) {
        GoTo(group);
        for (const QString& name : names) {
            const std::string named = name.toStdString();
            QWidget* dialog = Open(name);
            for (const int round : {0, 1}) {
                const auto opened = shown(dialog);
                change(dialog, round);
                auto edited = shown(dialog);
                EXPECT_NE(edited, opened) << named << round;
                auto* choice = dialog->findChild<QComboBox*>();
                if (round == 1) {
                    dialog->close();   // the close box
                } else {
                    // The mesh's dialog has the keyboard back from データ設定 by itself.
                    if (dialog != view->Dialogs().units.triStl) dialog->activateWindow();
                    EXPECT_TRUE(WaitUntil([&] { return QApplication::activeWindow() == dialog; })) << named;
                    if (choice != nullptr && choice->isEnabled()) {
                        // Return in an open list takes the item and leaves the dialog open.
                        choice->showPopup();
                        EXPECT_TRUE(WaitUntil(popup) && keys({"Up", "Return"}, [&] { return !popup(); })) << named;
                        EXPECT_TRUE(dialog->isVisible()) << named;
                        edited = shown(dialog);
                        choice->showPopup();
                        EXPECT_TRUE(WaitUntil(popup)) << named;
                    }
                    EXPECT_TRUE(keys({"Escape"}, [&] { return !dialog->isVisible() && !popup(); })) << named;
                }
                EXPECT_FALSE(dialog->isVisible()) << named << round;
                if (dialog->isVisible()) static_cast<UnitDialogFrame*>(dialog)->HideUnitDialog();   // (one failure at a time)
                EXPECT_EQ(view->Mode(), ViewMode::kNormal);
                dialog = Open(name);
                EXPECT_EQ(shown(dialog), edited) << named << round;
            }
            Escape(dialog);
        }
    }
}

TEST_F(UnitDialogWalk, HugeDivisionsTypedForTheBallLeaveTheViewDrawing)
{
    const auto [centre, radius] = Blob(Picture(), Reddish);
    ASSERT_GT(radius, 10);
    QWidget* primitive = Open("Red");
    ASSERT_EQ(primitive, view->Dialogs().units.primitive);
    EXPECT_EQ(ApplyRow(primitive, CKxDlgUnitPrim::kList, CKxDlgUnitPrim::kEdit1, CKxDlgUnitPrim::kApplyToList, "球の分割数", {"100000", "100000"}), "100000,100000");
    // The next frames come as before, the ball as large (a little rounder).
    for (int frame = 0; frame < 3; ++frame) {
        const auto [after, radiusAfter] = Blob(Picture(), Reddish);
        EXPECT_NEAR(radiusAfter, radius, radius / 20);
        EXPECT_LE((after - centre).manhattanLength(), 2);
    }
    Escape(primitive);
}

TEST(DesktopOpener, OnlyWebAddressesAndAbsolutePathsAreHandedOver)
{
    EXPECT_EQ(ClassifyOpenTarget(L"https://velmor.org/"), OpenTarget::kWebAddress);
    EXPECT_EQ(ClassifyOpenTarget(L"HTTP://example.com/a?b=1"), OpenTarget::kWebAddress);
    EXPECT_EQ(ClassifyOpenTarget(L"/opt/velmor/ManualJ.pdf"), OpenTarget::kLocalFile);
    for (const wchar_t* refused : {L"file:///bin/sh", L"ftp://example.com/", L"javascript:alert(1)", L"http://",
                                   L"ManualJ.pdf", L"", L"smb://host/share"})
        EXPECT_EQ(ClassifyOpenTarget(refused), OpenTarget::kRefused) << refused;
}

} // namespace

#include "ProgramScenarioTest.moc"
