#include "UnitDialogTestSupport.h"

#include "dialogs/CKxDlgUnitConnector.h"
#include "dialogs/CKxDlgUnitImage.h"
#include "dialogs/CKxDlgUnitLinkB.h"
#include "dialogs/CKxDlgUnitPrim.h"
#include "dialogs/CKxDlgUnitScatGraph.h"
#include "dialogs/CKxDlgUnitTopoMap.h"
#include "units/CKxDrawUConnector.h"
#include "units/CKxDrawUImage.h"
#include "units/CKxDrawULinkBoard.h"
#include "units/CKxDrawUPrimitive.h"
#include "units/CKxDrawUScatterGraph.h"
#include "units/CKxDrawUTopoMap.h"

#include <QCheckBox>
#include <QComboBox>

using namespace velmor;
using namespace velmor::test;

namespace {

const std::vector<std::string> kReloaded = {"Release", "Load"};
const std::vector<std::string> kRedrawn = {"RefreshPane", "RenderNow"};

// Primitive

class PrimDialogTest : public DialogFixture<CKxDlgUnitPrim, CKxDrawUPrimitive> {
protected:
    using enum CKxDlgUnitPrim::Control;
    PrimDialogTest() { list = kList; }
    static constexpr std::initializer_list<int> kAll = {kNameCaption, kCaption1, kEdit1, kCaption2, kEdit2, kCaption3, kEdit3, kCaption4, kEdit4};
};

TEST_F(PrimDialogTest, ControlsAndShapeList)
{
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("ユニット設定"));
    auto* combo = Control<QComboBox>(*dialog, CKxDlgUnitPrim::kShape);
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    EXPECT_EQ(items, QStringList({"point", "line", "triangle", "bar", "square", "rectangle", "cube", "cuboid", "circle",
                                  "oval", "sphere", "ellipsoid", "cone", "cylinder"}));
    EXPECT_EQ(Control<QCheckBox>(*dialog, kFill)->text(), QStringLiteral("塗りつぶす"));
    EXPECT_EQ(Control<QCheckBox>(*dialog, kMarker)->text(), QStringLiteral("マーカー"));
    EXPECT_EQ(Texts(*dialog, {kApplyToList}), QStringList({"-リストに反映"}));
}

TEST_F(PrimDialogTest, CylinderRowsAndEditors)
{
    unit.shape = L"cylinder";
    unit.size[0] = 0.5f;
    unit.size[1] = 0.25f;
    unit.size[2] = 3.0f;
    Opened();
    EXPECT_EQ(Control<QComboBox>(*dialog, CKxDlgUnitPrim::kShape)->currentText(), QStringLiteral("cylinder"));
    EXPECT_EQ(ListRows(*dialog, list), QStringList({"線の幅 | 1", "中心座標 | 0, 0, 0", "回転 | 0,1,0,0", "半径 | 0.5,0.25",
                                                     "高さ | 3", "円の分割数 | 16", "線の数 | 8,8"}));
    SelectRow(*dialog, list, 3);
    EXPECT_EQ(Texts(*dialog, kAll), QStringList({"半径", "base", "0.5", "top", "0.25", "-", "-", "-", "-"}));
    SelectRow(*dialog, list, 4);
    ApplyTyped(*dialog, {kEdit1}, {"7.5"}, kApplyToList);
    EXPECT_FLOAT_EQ(unit.size[2], 7.5f);
    SelectRow(*dialog, list, 6);
    EXPECT_EQ(Texts(*dialog, kAll), QStringList({"線の数", "arc", "8", "height", "8", "-", "-", "-", "-"}));
    ApplyTyped(*dialog, {kEdit1, kEdit2}, {"5", "x"}, kApplyToList);
    EXPECT_EQ(std::vector<int32_t>(unit.parameter, unit.parameter + 4), std::vector<int32_t>({16, 5, 0, 4}));
    EXPECT_EQ(unitLog, std::vector<std::string>({"Release", "Load", "Release", "Load"}));
}

TEST_F(PrimDialogTest, SphereAndCircleLineCounts)
{
    unit.shape = L"sphere";
    Opened();
    EXPECT_EQ(Labels(), QStringList({"線の幅", "中心座標", "回転", "半径", "球の分割数", "線の数"}));
    SelectRow(*dialog, list, 4);
    EXPECT_EQ(Texts(*dialog, {kCaption1, kCaption2}), QStringList({"xy plane", "z axis"}));
    SelectRow(*dialog, list, 5);
    EXPECT_EQ(Texts(*dialog, {kCaption1, kEdit1, kCaption2, kEdit2}), QStringList({"xy plane", "8", "z axis", "4"}));
    ApplyTyped(*dialog, {kEdit1, kEdit2}, {"6", "3"}, kApplyToList);
    EXPECT_EQ(std::vector<int32_t>(unit.parameter, unit.parameter + 4), std::vector<int32_t>({16, 8, 6, 3}));

    unit.shape = L"circle";
    Opened();
    EXPECT_EQ(Labels(), QStringList({"線の幅", "中心座標", "回転", "半径", "円の分割数", "線の数"}));
    SelectRow(*dialog, list, 5);
    EXPECT_EQ(Texts(*dialog, {kCaption1, kEdit1, kCaption2, kEdit2}), QStringList({"arc", "8", "radius", "6"}));
}

TEST_F(PrimDialogTest, StyleChecksFollowTheShape)
{
    auto* fill = Control<QCheckBox>(*dialog, CKxDlgUnitPrim::kFill);
    auto* marker = Control<QCheckBox>(*dialog, CKxDlgUnitPrim::kMarker);
    unit.shape = L"point";
    Opened();
    EXPECT_EQ(Labels(), QStringList({"点の大きさ", "座標"}));
    EXPECT_FALSE(fill->isEnabled());
    EXPECT_FALSE(marker->isEnabled());
    unit.shape = L"bar";
    unit.marker = false;
    Opened();
    EXPECT_TRUE(marker->isEnabled());
    EXPECT_FALSE(marker->isChecked());
    EXPECT_FALSE(fill->isEnabled());
    EXPECT_EQ(Labels(), QStringList({"線の幅", "中心座標", "回転", "長さ"}));
    unit.shape = L"triangle";
    Opened();
    EXPECT_FALSE(marker->isEnabled());
    EXPECT_TRUE(fill->isEnabled());
    EXPECT_TRUE(fill->isChecked());
    EXPECT_EQ(Labels(), QStringList({"線の幅", "座標 1", "座標 2", "座標 3"}));
    fill->click();
    EXPECT_FALSE(unit.filled);
    EXPECT_EQ(unitLog, kReloaded);
}

TEST_F(PrimDialogTest, ChangingTheShapeRebuildsAtOnceAndClearsTheEditors)
{
    unit.shape = L"cube";
    unit.size[0] = 2.0f;
    unit.pixelSize = 3.0f;
    Opened();
    EXPECT_EQ(ListRows(*dialog, list).value(3), QStringLiteral("辺の長さ | 2"));
    SelectRow(*dialog, list, 0);
    Choose(CKxDlgUnitPrim::kShape, "cuboid");
    EXPECT_EQ(unit.shape, L"cuboid");
    EXPECT_EQ(dialog->SelectedRow(), -1);
    EXPECT_EQ(Texts(*dialog, {kNameCaption, kEdit1}), QStringList({"-", "-"}));
    EXPECT_EQ(ListRows(*dialog, list).value(3), QStringLiteral("辺の長さ | 2,1,1"));
    EXPECT_FLOAT_EQ(unit.pixelSize, 3.0f);
    EXPECT_EQ(unitLog, kReloaded);
    EXPECT_EQ(view.log, kRedrawn);
}

TEST_F(PrimDialogTest, UnknownShapeKeepsTheComboAndListsTheBasicRows)
{
    unit.shape = L"hexagon";
    Control<QComboBox>(*dialog, CKxDlgUnitPrim::kShape)->setCurrentIndex(4);
    Opened();
    EXPECT_EQ(Control<QComboBox>(*dialog, CKxDlgUnitPrim::kShape)->currentIndex(), 4);
    EXPECT_EQ(Labels(), QStringList({"線の幅", "中心座標", "回転"}));
    unit.shape = L"CONE";   // case is ignored when the combo is set
    Opened();
    EXPECT_EQ(Control<QComboBox>(*dialog, CKxDlgUnitPrim::kShape)->currentText(), QStringLiteral("cone"));
}

// Image

class ImageDialogTest : public DialogFixture<CKxDlgUnitImage, CKxDrawUImage> {
protected:
    using enum CKxDlgUnitImage::Control;
    ImageDialogTest() { list = kList; }
};

TEST_F(ImageDialogTest, RowsDivisionsAndOpacityLimits)
{
    EXPECT_EQ(Control<QCheckBox>(*dialog, CKxDlgUnitImage::kAlwaysTurnFront)->text(), QStringLiteral("常に正面を向く"));
    Opened();
    EXPECT_EQ(ListRows(*dialog, list), QStringList({"大きさ | 1", "基準座標 | 0, 0, 0", "回転 | 0,1,0,0", "不透明度 | 1"}));
    SelectRow(*dialog, list, 3);
    ApplyTyped(*dialog, {kEdit1}, {"1.5"}, kApplyToList);
    EXPECT_FLOAT_EQ(unit.material.diffuse[3], 1.0f);
    ApplyTyped(*dialog, {kEdit1}, {"-0.2"}, kApplyToList);
    EXPECT_FLOAT_EQ(unit.material.diffuse[3], 0.0f);
    EXPECT_EQ(unitLog, std::vector<std::string>({"Release", "Load", "Release", "Load"}));

    Choose(CKxDlgUnitImage::kShape, "circle");
    EXPECT_EQ(ListRows(*dialog, list).value(3), QStringLiteral("円の分割数 | 24"));
    SelectRow(*dialog, list, 3);
    ApplyTyped(*dialog, {kEdit1}, {"-3"}, kApplyToList);
    EXPECT_EQ(unit.divide, 0);
    Choose(CKxDlgUnitImage::kShape, "sphere");
    EXPECT_EQ(ListRows(*dialog, list).value(3), QStringLiteral("球の分割数 | 0"));
    EXPECT_FALSE(Control<QCheckBox>(*dialog, CKxDlgUnitImage::kAlwaysTurnFront)->isEnabled());
}

TEST_F(ImageDialogTest, FacingCheck)
{
    unit.facing = true;
    Opened();
    auto* facing = Control<QCheckBox>(*dialog, CKxDlgUnitImage::kAlwaysTurnFront);
    EXPECT_TRUE(facing->isChecked());
    facing->click();
    EXPECT_FALSE(unit.facing);
    EXPECT_EQ(unitLog, kReloaded);
}

// Connector

class ConnectorDialogTest : public DialogFixture<CKxDlgUnitConnector, CKxDrawUConnector> {
protected:
    using enum CKxDlgUnitConnector::Control;
    ConnectorDialogTest() { list = kList; }
};

TEST_F(ConnectorDialogTest, RowsFollowTheShapeAndEditsOnlyRedraw)
{
    unit.shape = L"line";
    unit.coordinate[0] = 1.5f;
    unit.fixPoint[1] = -2.0f;
    Opened();
    EXPECT_EQ(ListRows(*dialog, list), QStringList({"線の幅 | 1", "移動点 | 1.5, 0, 0", "固定点 | 0,-2,0"}));
    SelectRow(*dialog, list, 2);
    EXPECT_EQ(Texts(*dialog, {kNameCaption, kCaption1, kEdit1, kCaption2, kEdit2, kCaption3, kEdit3}),
              QStringList({"固定点", "x", "0", "y", "-2", "z", "0"}));
    ApplyTyped(*dialog, {kEdit1, kEdit2, kEdit3}, {"1", "2", "3"}, kApplyToList);
    EXPECT_EQ(std::vector<float>(unit.fixPoint, unit.fixPoint + 3), std::vector<float>({1, 2, 3}));
    EXPECT_TRUE(unitLog.empty());
    EXPECT_EQ(view.log, kRedrawn);

    Choose(CKxDlgUnitConnector::kShape, "cylinder");
    EXPECT_EQ(unit.shape, L"cylinder");
    EXPECT_EQ(ListRows(*dialog, list).value(0), QStringLiteral("半径 | 0.01"));
    EXPECT_TRUE(unitLog.empty());
}

// Link board

class LinkBoardDialogTest : public DialogFixture<CKxDlgUnitLinkB, CKxDrawULinkBoard> {
protected:
    using enum CKxDlgUnitLinkB::Control;
    LinkBoardDialogTest() { list = kList; }
};

TEST_F(LinkBoardDialogTest, TheBoardIsEditedWhileTheDialogIsOpen)
{
    unit.width = 2.0f;
    unit.height = 1.0f;
    dialog->SetUnit(&unit);
    EXPECT_TRUE(unit.editing);
    EXPECT_EQ(view.log.back(), "RenderNow");
    EXPECT_EQ(ListRows(*dialog, list),
              QStringList({"幅 | 2", "高さ | 1", "左下座標 | 0, 0, 0", "回転 | 0,1,0,0"}));
    SelectRow(*dialog, list, 2);
    EXPECT_EQ(Texts(*dialog, {kNameCaption}), QStringList({"座標"}));
    SelectRow(*dialog, list, 0);
    unitLog.clear();
    view.log.clear();
    ApplyTyped(*dialog, {kEdit1}, {"-5"}, kApplyToList);
    EXPECT_FLOAT_EQ(unit.width, 0.0f);
    EXPECT_TRUE(unitLog.empty());
    EXPECT_EQ(view.log, kRedrawn);

    view.log.clear();
    SendKey(dialog, QEvent::KeyPress, Qt::Key_Escape);
    EXPECT_FALSE(unit.editing);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FLOAT_EQ(unit.width, 0.0f);   // what was applied stays
    EXPECT_EQ(view.log, std::vector<std::string>({"SetViewMode normal", "RenderNow"}));
}

TEST_F(LinkBoardDialogTest, SwitchingBoardsLeavesOnlyTheNewOneEdited)
{
    std::vector<std::string> otherLog;
    LoggedUnit<CKxDrawULinkBoard> other{otherLog};
    dialog->SetUnit(&unit);
    dialog->SetUnit(&other);
    EXPECT_FALSE(unit.editing);
    EXPECT_TRUE(other.editing);
    dialog->ForgetUnit();
    EXPECT_FALSE(other.editing);
    EXPECT_EQ(dialog->EditedUnit(), nullptr);
}

// Scatter graph

class ScatterDialogTest : public DialogFixture<CKxDlgUnitScatGraph, CKxDrawUScatterGraph> {
protected:
    using enum CKxDlgUnitScatGraph::Control;
    ScatterDialogTest() { list = kList; }
};

TEST_F(ScatterDialogTest, MarkerRowsAndLimits)
{
    unit.markerShape = L"sphere";
    Opened();
    EXPECT_EQ(ListRows(*dialog, list), QStringList({"半径 | 1", "球の分割数 | 8,4"}));
    SelectRow(*dialog, list, 1);
    EXPECT_EQ(Texts(*dialog, {kNameCaption, kCaption1, kEdit1, kCaption2, kEdit2}), QStringList({"球の分割数", "xy plane", "8", "z axis", "4"}));
    ApplyTyped(*dialog, {kEdit1, kEdit2}, {"4", "-1"}, kApplyToList);
    EXPECT_EQ(unit.markerParameter[0], 4);
    EXPECT_EQ(unit.markerParameter[1], 0);
    SelectRow(*dialog, list, 0);
    ApplyTyped(*dialog, {kEdit1}, {"-2"}, kApplyToList);
    EXPECT_FLOAT_EQ(unit.markerSize, 0.0f);
    EXPECT_TRUE(unitLog.empty());

    Choose(CKxDlgUnitScatGraph::kMarker, "point");
    EXPECT_EQ(ListRows(*dialog, list), QStringList({"ピクセルサイズ | 0"}));
    unit.markerShape = L"cube";
    Opened();
    EXPECT_TRUE(ListRows(*dialog, list).isEmpty());
}

// Topographic map

class TopoMapDialogTest : public DialogFixture<CKxDlgUnitTopoMap, CKxDrawUTopoMap> {
protected:
    using enum CKxDlgUnitTopoMap::Control;
    TopoMapDialogTest() { list = kList; }
};

TEST_F(TopoMapDialogTest, CornersAndOpacity)
{
    unit.extent[0] = -1.0f;
    unit.extent[2] = 2.5f;
    Opened();
    EXPECT_EQ(ListRows(*dialog, list), QStringList({"左下座標 | -1, 0", "右上座標 | 2.5, 0", "不透明度 | 1"}));
    SelectRow(*dialog, list, 1);
    EXPECT_EQ(Texts(*dialog, {kNameCaption, kCaption1, kEdit1, kCaption2, kEdit2}), QStringList({"座標", "x", "2.5", "y", "0"}));
    ApplyTyped(*dialog, {kEdit1, kEdit2}, {"3", "4"}, kApplyToList);
    EXPECT_EQ(std::vector<float>(unit.extent, unit.extent + 4), std::vector<float>({-1, 0, 3, 4}));
    SelectRow(*dialog, list, 0);
    EXPECT_EQ(Texts(*dialog, {kNameCaption}), QStringList({"座標"}));
    SelectRow(*dialog, list, 2);
    ApplyTyped(*dialog, {kEdit1}, {"2"}, kApplyToList);
    EXPECT_FLOAT_EQ(unit.material.diffuse[3], 1.0f);
    EXPECT_EQ(unitLog, std::vector<std::string>({"Release", "Load", "Release", "Load"}));
    EXPECT_EQ(view.log.back(), "RenderNow");
}

} // namespace

namespace {

// The program takes LC_NUMERIC from the environment at start-up; typed and
// shown numbers must not follow it.
TEST(UnitDialogNumbers, ReadAndShownWithAPointUnderAnyLocale)
{
    GuiApplication();
    EXPECT_FLOAT_EQ(UnitPropertyDialog::ReadFloat(QStringLiteral(" 1.5,7")), 1.5f);
    EXPECT_FLOAT_EQ(UnitPropertyDialog::ReadFloat(QStringLiteral("1,5")), 1.0f);
    EXPECT_EQ(UnitPropertyDialog::G(0.25), QStringLiteral("0.25"));
    EXPECT_EQ(UnitPropertyDialog::JoinG({1.5, -2, 1e-7}, ", "), QStringLiteral("1.5, -2, 1e-07"));
    EXPECT_EQ(UnitPropertyDialog::ReadInt(QStringLiteral("99999999999")), 2147483647);
    EXPECT_EQ(UnitPropertyDialog::ReadInt(QStringLiteral("-12abc")), -12);
}

} // namespace
