// The real program on an X server of its own, judged by pixels: fields show
// their whole text, a disabled switch nothing lit, a board's or map's dialog
// opens with no row chosen, the chosen unit's colour cell its colour, and a
// block held over a floor casts its shadow.
#include "app/RunningProgram.h"
#include "app/ViewBar.h"
#include "app/ViewButtonPictures.h"
#include "dialogs/CKxDlgMainControl.h"
#include "dialogs/CKxDlgScaleBar.h"
#include "dialogs/CKxDlgUnitLinkB.h"
#include "dialogs/CKxDlgUnitTopoMap.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

using namespace velmor;
using namespace velmor::test;

namespace {

// A 4 x 4 floor and a block of 1 held 0.6 above it, seen from above (the
// floor fills the picture's height); a board, and a map in a corner.
constexpr const char* kScene = R"(<?xml version="1.0" encoding="UTF-8"?>
<scene version="1.35"><body>
    <drawGroup name="top"><drawUnit>
      <stl note="Floor" stl_data="floor" renderingType="A" diffuse="150,150,150" ambient="20,20,20"/>
      <stl note="Block" stl_data="block" renderingType="A" diffuse="200,40,40" ambient="60,0,0"/>
      <linkBoard note="Board" width="1" height="0.5" coordinate="-1,-1,0"/>
      <topographicMap note="Land" coordinate="1.8,1.8,2,2" height_data="heights"/>
    </drawUnit></drawGroup>
    <data name="floor" type="STL"><file path="floor.stl"/></data>
    <data name="block" type="STL"><file path="block.stl"/></data>
    <data name="heights" type="gridXY" size="2,2"><file path="heights.txt"/></data>
    <event name="start"><targetSpace index="0"/><topGroup name="top"/><activeSpace index="0"/></event>
    <firstSetting spaceNum="1" firstEvent="start"/>
</body></scene>)";

// A text STL box: corner c takes x, y and z from its bits 0, 1 and 2; each
// face is a quad of corners wound outwards.
std::string Box(const std::array<double, 3>& low, const std::array<double, 3>& high)
{
    static const int kQuads[6][4] = {{4, 5, 7, 6}, {0, 2, 3, 1}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    std::string stl;
    for (const auto& q : kQuads)
        for (int t : {1, 2}) {
            stl += "outer loop\n";
            for (int c : {q[0], q[t], q[t + 1]})
                for (int a = 0; a < 3; ++a) stl += std::to_string((c >> a & 1) ? high[a] : low[a]) + (a < 2 ? " " : "\n");
            stl += "endfacet\n";
        }
    return stl;
}

bool Lit(QColor c) { return c.red() > 180 && c.green() > 80 && c.green() < 160 && c.blue() < 70; }

class ProgramDialogDetails : public RunningProgram {
protected:
    ProgramDialogDetails()
    {
        scenes.Write("floor.stl", Box({-2, -2, -0.2}, {2, 2, 0}));
        scenes.Write("block.stl", Box({-0.5, -0.5, 0.6}, {0.5, 0.5, 1.6}));
        scenes.Write("heights.txt", "0 0\n0 0\n");
        scenes.Write("details.vlm", kScene);
        Launch(scenes.Path() / "details.vlm");
        WaitShown([this] { return List()->topLevelItemCount() == 4; });
    }
    CKxDlgMainControl& Panel() { return *view->Dialogs().unitPanel; }
    QTreeWidget* List() { return Panel().findChild<QTreeWidget*>(ControlName(CKxDlgMainControl::kUnitList)); }
    void Choose(int row)
    {
        List()->setCurrentItem(List()->topLevelItem(row));
        Panel().OnNMClickUnitList(row);
    }
};

} // namespace

TEST_F(ProgramDialogDetails, FieldsSwitchesAndRowsShowWhatTheyShould)
{
    // Scale-bar fields at the window's smallest: shown from their end they
    // look as shown from their start, so nothing of their text is cut.
    Run(CMainFrame::kScaleBarDialog);
    CKxDlgScaleBar* scaleBar = view->Dialogs().scaleBar;
    scaleBar->resize(1, 1);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(scaleBar, test::kStateDeadlineMs));
    for (int id : {CKxDlgScaleBar::kFrameSize, CKxDlgScaleBar::kPositionX, CKxDlgScaleBar::kPositionY, CKxDlgScaleBar::kLength}) {
        auto* edit = scaleBar->findChild<QLineEdit*>(ControlName(id));
        edit->end(false);
        const QImage fromEnd = edit->grab().toImage();
        edit->home(false);
        EXPECT_EQ(edit->grab().toImage(), fromEnd) << id << " cuts " << edit->text().toStdString();
    }

    // Board and map dialogs take the focus, as a window manager gives it, and
    // still have no row chosen and empty editors.
    for (const auto& [row, dialog] : {std::pair<int, UnitPropertyDialog*>{2, view->Dialogs().units.linkBoard},
                                      {3, view->Dialogs().units.topoMap}}) {
        Choose(row);
        Panel().findChild<QPushButton*>(ControlName(CKxDlgMainControl::kUnitPreference))->click();
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog, test::kStateDeadlineMs)) << row;
        EXPECT_EQ(dialog->SelectedRow(), -1) << row;
        for (QLineEdit* edit : dialog->findChildren<QLineEdit*>()) EXPECT_FALSE(edit->isEnabled() || !edit->text().isEmpty());
        dialog->HideUnitDialog();
    }

    // The chosen block's colour cell: its ambient 60 of 255 shows as 200.
    Choose(1);
    const QImage cells = List()->viewport()->grab().toImage();
    const QHeaderView* header = List()->header();
    const int y = List()->visualItemRect(List()->topLevelItem(1)).center().y();
    EXPECT_EQ(cells.pixelColor(header->sectionViewportPosition(4) + header->sectionSize(4) / 2, y), QColor(200, 0, 0));

    // The clip switch, lit while on, shows nothing lit once closing the
    // scene disabled it.
    ViewBarButton* clip = bar->Button(kClipButton);
    auto lit = [clip] {
        const QImage picture = clip->grab().toImage();
        int n = 0;
        for (int i = 0; i < picture.width() * picture.height(); ++i) n += Lit(picture.pixelColor(i % picture.width(), i / picture.width()));
        return n;
    };
    QTest::mouseClick(clip, Qt::LeftButton);
    EXPECT_GT(lit(), 50);
    Run(CMainFrame::kFileNew);
    EXPECT_FALSE(clip->isEnabled());
    EXPECT_EQ(lit(), 0);
}

TEST_F(ProgramDialogDetails, TheBlockCastsItsShadowAndTheLitFloorStaysEven)
{
    auto picture = [this](uint32_t shadow) {
        view->Renderer().shadow = shadow;
        view->RenderNow();
        return Picture();
    };
    const QImage plain = picture(0), shadowed = picture(1);
    // With the light at the upper right front, a floor point to the lower
    // left (off the shadows of the block's corners) against one as far off.
    const QPoint inShadow = PanePoint(shadowed, -0.65, -0.45), lit = PanePoint(shadowed, 0.65, 0.45);
    EXPECT_NEAR(qGray(plain.pixel(inShadow)), qGray(plain.pixel(lit)), 3);
    EXPECT_LT(qGray(shadowed.pixel(inShadow)) + 30, qGray(shadowed.pixel(lit)));
    int speckles = 0;
    for (int dy = -60; dy <= 60; ++dy)
        for (int dx = -60; dx <= 60; ++dx)
            speckles += std::abs(qGray(shadowed.pixel(lit + QPoint(dx, dy))) - qGray(plain.pixel(lit + QPoint(dx, dy)))) > 3;
    EXPECT_EQ(speckles, 0);
}
