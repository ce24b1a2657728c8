// The real program on an X server of its own: what its dialogs and bar show,
// judged by their pixels. Fields show their whole text, a disabled switch
// shows no lit picture, a board's or map's dialog opens with no row chosen,
// the unit list's colour cell keeps the unit's colour on the chosen row,
// and a dialog is as wide as its title.
#include "app/RunningProgram.h"
#include "app/ViewBar.h"
#include "app/ViewButtonPictures.h"
#include "dialogs/CKxDlgMainControl.h"
#include "dialogs/CKxDlgPolygonExport.h"
#include "dialogs/CKxDlgScaleBar.h"
#include "dialogs/CKxDlgUnitLinkB.h"
#include "dialogs/CKxDlgUnitTopoMap.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

using namespace velmor;
using namespace velmor::test;

namespace {

// A red cube, a link board and a small height map.
constexpr const char* kScene = R"(<?xml version="1.0" encoding="UTF-8"?>
<scene version="1.35">
  <head><title type="main" value="Details"/></head>
  <body>
    <drawGroup name="top"><drawUnit>
      <primitive note="Red" shape="cube" coordinate="0,0,0" size="0.8" diffuse="255,0,0" ambient="255,0,0"/>
      <linkBoard note="Board" width="1" height="0.5" coordinate="-1,-1,0"/>
      <topographicMap note="Land" coordinate="0,1,0,1" height_data="heights"/>
    </drawUnit></drawGroup>
    <data name="heights" type="gridXY" size="2,2"><file path="heights.txt"/></data>
    <event name="start"><targetSpace index="0"/><topGroup name="top"/><activeSpace index="0"/></event>
    <firstSetting spaceNum="1" firstEvent="start"/>
  </body>
</scene>
)";

bool Lit(QColor c) { return c.red() > 180 && c.green() > 80 && c.green() < 160 && c.blue() < 70; }

int CountLit(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += Lit(image.pixelColor(x, y)) ? 1 : 0;
    return n;
}

class ProgramDialogDetails : public RunningProgram {
protected:
    ProgramDialogDetails()
    {
        scenes.Write("details.vlm", kScene);
        scenes.Write("heights.txt", "0 1\n2 3\n");
        Launch(scenes.Path() / "details.vlm");
        WaitShown([this] { return List()->topLevelItemCount() == 3; });
    }
    CKxDlgMainControl& Panel() { return *view->dialogs.unitPanel; }
    QTreeWidget* List() { return Panel().findChild<QTreeWidget*>(ControlName(CKxDlgMainControl::kUnitList)); }
    void Choose(int row)
    {
        List()->setCurrentItem(List()->topLevelItem(row));
        Panel().OnNMClickUnitList(row);
        QApplication::processEvents();
    }
};

} // namespace

TEST_F(ProgramDialogDetails, ScaleBarFieldsShowTheirWholeText)
{
    Run(CMainFrame::kScaleBarDialog);
    CKxDlgScaleBar* dialog = view->dialogs.scaleBar;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    EXPECT_EQ(dialog->findChild<QLineEdit*>(ControlName(1230))->text(), QStringLiteral("-0.95"));
    // As small as the user can make it.
    dialog->resize(1, 1);
    QApplication::processEvents();
    // A text wider than its field scrolls: shown from its end it would
    // differ from the same text shown from its start.
    for (int id : {1226, 1230, 1231, 1227}) {
        auto* edit = dialog->findChild<QLineEdit*>(ControlName(id));
        ASSERT_FALSE(edit->text().isEmpty()) << id;
        edit->end(false);
        const QImage fromEnd = edit->grab().toImage();
        edit->home(false);
        EXPECT_EQ(edit->grab().toImage(), fromEnd) << id << " cuts " << edit->text().toStdString();
    }
}

TEST_F(ProgramDialogDetails, AClosedSceneLeavesNoSwitchLit)
{
    ViewBarButton* clip = bar->Button(kClipButton);
    QTest::mouseClick(clip, Qt::LeftButton);
    ASSERT_EQ(clip->Picture(), ButtonPicture::kClipOn);
    EXPECT_GT(CountLit(clip->grab().toImage()), 50);
    Run(CMainFrame::kFileNew);
    EXPECT_FALSE(clip->isEnabled());
    EXPECT_EQ(CountLit(clip->grab().toImage()), 0);
}

TEST_F(ProgramDialogDetails, BoardAndMapDialogsOpenWithNoRowChosen)
{
    const UnitPropertyDialogs& d = view->dialogs.units;
    for (const auto& [row, dialog] : {std::pair<int, UnitPropertyDialog*>{1, d.linkBoard}, {2, d.topoMap}}) {
        Choose(row);
        Panel().findChild<QPushButton*>(ControlName(CKxDlgMainControl::kUnitPreference))->click();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog)) << row;
        // As a window manager would, the new window gets the focus.
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog)) << row;
        EXPECT_EQ(dialog->SelectedRow(), -1) << row;
        for (QLineEdit* edit : dialog->findChildren<QLineEdit*>()) {
            EXPECT_FALSE(edit->isEnabled()) << row << " " << edit->objectName().toStdString();
            EXPECT_TRUE(edit->text().isEmpty()) << row << " " << edit->objectName().toStdString();
        }
        dialog->HideUnitDialog();
    }
}

TEST_F(ProgramDialogDetails, TheChosenRowKeepsTheUnitsColourInItsColourCell)
{
    Choose(0);
    ASSERT_TRUE(List()->topLevelItem(0)->isSelected());
    const QImage cells = List()->viewport()->grab().toImage();
    const QRect row = List()->visualItemRect(List()->topLevelItem(0));
    const QHeaderView* header = List()->header();
    auto centreOf = [&](int column) {
        return cells.pixelColor(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                                row.center().y());
    };
    EXPECT_EQ(centreOf(4), QColor(255, 0, 0));
    // The name cell shows the selection.
    EXPECT_EQ(centreOf(1).rgb() & 0xFFFFFF, List()->palette().color(QPalette::Highlight).rgb() & 0xFFFFFF);
}

TEST_F(ProgramDialogDetails, ThePolygonExportDialogIsWideEnoughForItsTitle)
{
    // Beside the title, a caption holds the window's icon and at least two
    // buttons, each commonly 24 pixels wide.
    constexpr int kCaptionIcons = 3 * 24;
    CKxDlgPolygonExport dialog(frame);
    dialog.show();
    QFont bold = dialog.font();
    bold.setBold(true);
    EXPECT_GE(dialog.width(), QFontMetrics(bold).horizontalAdvance(dialog.windowTitle()) + kCaptionIcons);
    dialog.hide();
}
