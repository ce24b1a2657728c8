// The render, rotation and scale-bar tool windows: their controls and texts,
// what they write into the render settings and the view, and the redraws
// they ask for.
#include "dialogs/CKxDlgRender.h"
#include "dialogs/CKxDlgRotEx.h"
#include "dialogs/CKxDlgScaleBar.h"
#include "dialogs/DialogTestSupport.h"
#include "render/RenderSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cmath>
#include <vector>

using namespace velmor;
using namespace velmor::test;

namespace {

// What the windows asked of the view.
struct ViewLog : NoViewServices {
    int renders = 0, redraws = 0, rotationStarts = 0, scaleBarRefreshes = 0, panelRefreshes = 0,
        lightMoves = 0, viewControls = 0;
    std::vector<std::vector<double>> rotations;
    int32_t homeAnimation = 0;

    ViewServices& View() { return *this; }
    void RenderNow() override { ++renders; }
    void RedrawIfIdle() override { ++redraws; }
    void StoreRotationStart() override { ++rotationStarts; }
    void RotateActivePane(double a, double x, double y, double z) override
    {
        EXPECT_EQ(rotationStarts, static_cast<int>(rotations.size()) + 1) << "start stored first";
        rotations.push_back({a, x, y, z});
    }
    void RefreshScaleBarDialog() override { ++scaleBarRefreshes; }
    void RefreshUnitPanel(bool focus) override
    {
        EXPECT_FALSE(focus);
        ++panelRefreshes;
    }
    void ApplyLightPosition() override { ++lightMoves; }
    void UpdateViewControls() override { ++viewControls; }
    int32_t HomeAnimationSteps() const override { return homeAnimation; }
    void SetHomeAnimationSteps(int32_t steps) override { homeAnimation = steps; }
};

void Choose(QComboBox* combo, const QString& text)
{
    const int index = combo->findText(text, Qt::MatchExactly);
    ASSERT_GE(index, 0) << text.toStdString();
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

QStringList Entries(QComboBox* combo)
{
    QStringList list;
    for (int i = 0; i < combo->count(); ++i) list << combo->itemText(i);
    return list;
}

struct RenderFixture : GuiFixture {
    RenderFixture()
    {
        dialog.Create(log.View(), &settings);
        dialog.UpdateFromSettings(true);
    }
    QCheckBox* Check(int id) { return Control<QCheckBox>(dialog, id); }
    QComboBox* Combo(int id) { return Control<QComboBox>(dialog, id); }
    RenderSettings settings;
    ViewLog log;
    CKxDlgRender dialog;
};

} // namespace

TEST_F(RenderFixture, ShowsTheTemplateTextsAndListsInTheirOrder)
{
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("  描画設定"));
    EXPECT_EQ(Check(1356)->text(), QStringLiteral("回転中心より奥と手前を表示しない"));
    EXPECT_EQ(Check(1359)->text(), QStringLiteral("断面にふたをする"));
    EXPECT_EQ(Check(1360)->text(), QStringLiteral("影を表示"));
    EXPECT_EQ(Check(1353)->text(), QStringLiteral("デプスキュー（フォグ）有効"));
    EXPECT_EQ(Check(1352)->text(), QStringLiteral("切断された領域を半透明表示"));
    EXPECT_EQ(Entries(Combo(1357)), QStringList({"小", "中", "大"}));
    EXPECT_EQ(Entries(Combo(1354)), QStringList({"なし", "小", "大"}));
    EXPECT_EQ(Entries(Combo(1358)), QStringList({"透視投影", "正投影"}));
    EXPECT_EQ(Entries(Combo(1355)), QStringList({"右上", "左上", "右下", "左下"}));
    EXPECT_EQ(Entries(Combo(1351)), QStringList({"なし", "高速", "中速", "低速"}));
    EXPECT_EQ(dialog.homeAnimationLabels.size(), 51);
    EXPECT_EQ(CKxDlgRender::FindLabelIndex(dialog.homeAnimationLabels, "中速"), 20);
    EXPECT_EQ(CKxDlgRender::FindLabelIndex(dialog.lightLabels, "上"), -1);
}

TEST_F(RenderFixture, ShowsTheSettingsAndAStoredShadowOfTwoAsOne)
{
    settings.shadow = 2;
    settings.clipCap = 1;
    settings.fog = 1;
    settings.projection = 1;
    settings.lightPosition = 3;
    settings.squareRestrict = 2;
    log.homeAnimation = 10; // no label of its own: the first entry
    dialog.UpdateFromSettings(true);
    EXPECT_EQ(settings.shadow, 1u);
    EXPECT_TRUE(Check(1359)->isChecked());
    EXPECT_TRUE(Check(1360)->isChecked() && Check(1360)->isEnabled());
    EXPECT_TRUE(Check(1353)->isChecked());
    EXPECT_FALSE(Check(1352)->isChecked());
    EXPECT_FALSE(Combo(1357)->isEnabled());
    EXPECT_EQ(Combo(1357)->currentText(), QStringLiteral("中"));
    EXPECT_EQ(Combo(1358)->currentText(), QStringLiteral("透視投影"));
    EXPECT_EQ(Combo(1355)->currentText(), QStringLiteral("左下"));
    EXPECT_EQ(Combo(1354)->currentText(), QStringLiteral("大"));
    EXPECT_EQ(Combo(1351)->currentText(), QStringLiteral("なし"));
    // Refreshing writes nothing back.
    EXPECT_EQ(log.redraws, 0);
    EXPECT_EQ(log.homeAnimation, 10);
}

TEST_F(RenderFixture, CuttingFrontAndBackExcludesTheClipCoverAndTheShadow)
{
    settings.clipCap = 1;
    settings.shadow = 1;
    dialog.UpdateFromSettings(true);
    Check(1356)->click();
    EXPECT_FALSE(Check(1359)->isEnabled());
    EXPECT_FALSE(Check(1359)->isChecked());
    EXPECT_FALSE(Check(1360)->isEnabled());
    EXPECT_FALSE(Check(1360)->isChecked());
    EXPECT_TRUE(Combo(1357)->isEnabled());
    EXPECT_EQ(settings.clipCap, 0);
    EXPECT_EQ(settings.shadow, 0u);
    EXPECT_EQ(settings.nearFarRestrict, 1u); // the empty label picks the first entry
    Choose(Combo(1357), QStringLiteral("大"));
    EXPECT_EQ(settings.nearFarRestrict, 3u);

    // Off again: the range shows "中", the cover comes back from the settings.
    settings.clipCap = 1;
    Check(1356)->click();
    EXPECT_EQ(settings.nearFarRestrict, 0u);
    EXPECT_FALSE(Combo(1357)->isEnabled());
    EXPECT_EQ(Combo(1357)->currentText(), QStringLiteral("中"));
    EXPECT_TRUE(Check(1359)->isEnabled() && Check(1359)->isChecked());
    EXPECT_TRUE(Check(1360)->isEnabled());
}

TEST_F(RenderFixture, EveryChangeIsStoredAndTheViewRefreshed)
{
    Choose(Combo(1358), QStringLiteral("透視投影"));
    EXPECT_EQ(settings.projection, 1);
    EXPECT_EQ(log.redraws, 1);
    EXPECT_EQ(log.scaleBarRefreshes, 1);
    EXPECT_EQ(log.panelRefreshes, 1);
    EXPECT_EQ(log.lightMoves, 1);
    Choose(Combo(1355), QStringLiteral("右下"));
    EXPECT_EQ(settings.lightPosition, 2u);
    Choose(Combo(1354), QStringLiteral("小"));
    EXPECT_EQ(settings.squareRestrict, 1u);
    Choose(Combo(1351), QStringLiteral("中速"));
    EXPECT_EQ(log.homeAnimation, 20);
    Choose(Combo(1351), QStringLiteral("低速"));
    EXPECT_EQ(log.homeAnimation, 50);
    Check(1353)->click();
    EXPECT_EQ(settings.fog, 1);
    Check(1352)->click();
    EXPECT_EQ(settings.transparencyClip, 1);
    Check(1359)->click(); // the default cover goes off and takes the shadow check with it
    EXPECT_EQ(settings.clipCap, 0);
    EXPECT_FALSE(Check(1360)->isEnabled());
    Check(1359)->click();
    Check(1360)->click();
    EXPECT_EQ(settings.shadow, 1u);
    EXPECT_EQ(log.redraws, 10);
}

TEST_F(RenderFixture, AStoredValueWithoutALabelSurvivesOtherChanges)
{
    settings.lightPosition = 7;
    log.homeAnimation = 60;
    dialog.UpdateFromSettings(true);
    EXPECT_EQ(Combo(1355)->currentIndex(), -1);
    Check(1353)->click();
    EXPECT_EQ(settings.lightPosition, 7u);
    EXPECT_EQ(log.homeAnimation, 60);
}

TEST_F(RenderFixture, AResetDisablesEveryControl)
{
    dialog.UpdateFromSettings(false);
    for (int id : {1356, 1359, 1360, 1353, 1352}) EXPECT_FALSE(Check(id)->isEnabled()) << id;
    for (int id : {1357, 1354, 1358, 1355, 1351}) EXPECT_FALSE(Combo(id)->isEnabled()) << id;
    dialog.UpdateFromSettings(true);
    EXPECT_TRUE(Check(1359)->isEnabled());
    EXPECT_TRUE(Combo(1358)->isEnabled());
}

TEST_F(RenderFixture, EnterKeepsTheWindowAndEscapeOrCloseOnlyHidesIt)
{
    dialog.show();
    SendKey(&dialog, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    const int redraws = log.redraws;
    SendKey(Check(1353), Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_GT(log.redraws, redraws);
    dialog.show();
    dialog.close();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::Tool));
}

namespace {

struct RotFixture : GuiFixture {
    RotFixture() { dialog.Create(log.View()); }
    ViewLog log;
    CKxDlgRotEx dialog;
};

} // namespace

TEST_F(RotFixture, StartsAtNinetyDegreesWithFiveInTheEdit)
{
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("  回転"));
    EXPECT_EQ(Control<QLineEdit>(dialog, 1217)->text(), QStringLiteral("5"));
    EXPECT_EQ(Control<QCheckBox>(dialog, 1218)->text(), QStringLiteral("90度"));
    EXPECT_TRUE(Control<QCheckBox>(dialog, 1218)->isChecked());
    Control<QPushButton>(dialog, 1220)->click();
    ASSERT_EQ(log.rotations.size(), 1u);
    EXPECT_EQ(log.rotations[0], (std::vector<double>{90, 0, 0, -1}));
    EXPECT_EQ(log.renders, 1);
}

TEST_F(RotFixture, EachButtonTurnsAboutItsAxis)
{
    Control<QCheckBox>(dialog, 1218)->setChecked(false);
    const std::pair<int, std::vector<double>> cases[] = {
        {1224, {5, -1, 0, 0}}, {1221, {5, 1, 0, 0}},  {1223, {5, 0, 1, 0}},
        {1222, {5, 0, -1, 0}}, {1219, {5, 0, 0, 1}}, {1220, {5, 0, 0, -1}},
    };
    for (const auto& [id, expected] : cases) {
        Control<QPushButton>(dialog, id)->click();
        EXPECT_EQ(log.rotations.back(), expected) << id;
    }
    EXPECT_EQ(log.renders, 6);
}

TEST_F(RotFixture, TypingAnAngleUnchecksNinetyAndReadsLeniently)
{
    auto* edit = Control<QLineEdit>(dialog, 1217);
    edit->clear();
    QTest::keyClicks(edit, " 12.5deg");
    EXPECT_FALSE(Control<QCheckBox>(dialog, 1218)->isChecked());
    Control<QPushButton>(dialog, 1224)->click();
    EXPECT_EQ(log.rotations.back()[0], 12.5);
    edit->setText("abc");
    Control<QPushButton>(dialog, 1224)->click();
    EXPECT_EQ(log.rotations.back()[0], 0.0);
}

TEST_F(RotFixture, TheButtonsFollowTheActivePane)
{
    dialog.EnableRotateButtons(false);
    for (int id : {1219, 1220, 1221, 1222, 1223, 1224}) EXPECT_FALSE(Control<QPushButton>(dialog, id)->isEnabled());
    dialog.EnableRotateButtons(true);
    for (int id : {1219, 1220, 1221, 1222, 1223, 1224}) EXPECT_TRUE(Control<QPushButton>(dialog, id)->isEnabled());
}

namespace {

struct ScaleBarFixture : GuiFixture {
    ScaleBarFixture()
    {
        settings.scaleBarAvailable = 1;
        settings.scaleBarLength = 1.0f;
        settings.scaleBarUnit = L"mm";
        dialog.Create(log.View(), &settings);
        dialog.UpdateFromSettings(std::nullopt);
    }
    QLineEdit* Edit(int id) { return Control<QLineEdit>(dialog, id); }
    QComboBox* Units() { return Control<QComboBox>(dialog, 1229); }
    RenderSettings settings;
    ViewLog log;
    CKxDlgScaleBar dialog;
};

} // namespace

TEST_F(ScaleBarFixture, ShowsTheSettingsWithTwoDecimals)
{
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("\u3000スケールバー"));
    EXPECT_EQ(Control<QCheckBox>(dialog, 1228)->text(), QStringLiteral("表示する (正投影時のみ)"));
    EXPECT_EQ(Control<QPushButton>(dialog, 1225)->text(), QStringLiteral("適用"));
    EXPECT_EQ(Entries(Units()), QStringList({"um", "mm", "cm", "m"}));
    EXPECT_TRUE(Edit(1226)->isReadOnly());
    EXPECT_EQ(Edit(1230)->text(), QStringLiteral("-0.95"));
    EXPECT_EQ(Edit(1231)->text(), QStringLiteral("-0.95"));
    EXPECT_EQ(Edit(1227)->text(), QStringLiteral("1.00"));
    EXPECT_EQ(Units()->currentText(), QStringLiteral("mm"));
    EXPECT_EQ(log.viewControls, 0) << "a report's refresh leaves the bar to the view";

    EXPECT_TRUE(Edit(1226)->text().isEmpty());
    settings.scaleBarUnit = L"m";
    settings.scaleBarShow = 1;
    dialog.UpdateFromSettings(FrameSize{0.5, L"mm"});
    EXPECT_EQ(Edit(1226)->text(), QStringLiteral("0.500000 mm"));
    EXPECT_EQ(Units()->currentText(), QStringLiteral("m"));
    EXPECT_TRUE(Control<QCheckBox>(dialog, 1228)->isChecked());
    settings.scaleBarUnit = L"km";
    dialog.UpdateFromSettings(FrameSize{0.5, L"mm"});
    EXPECT_EQ(Units()->currentIndex(), -1);
}

TEST_F(ScaleBarFixture, AnotherUnitConvertsTheShownLengthUntilTheUserTypesOne)
{
    Choose(Units(), "um");
    EXPECT_EQ(Edit(1227)->text(), QStringLiteral("1000"));
    Choose(Units(), "cm");
    EXPECT_EQ(Edit(1227)->text(), QStringLiteral("0.1"));
    Edit(1227)->clear();
    QTest::keyClicks(Edit(1227), "3");
    Choose(Units(), "m");
    EXPECT_EQ(Edit(1227)->text(), QStringLiteral("3"));
    EXPECT_EQ(settings.scaleBarLength, 1.0f); // nothing stored before Apply
}

TEST_F(ScaleBarFixture, ApplyStoresTheEditsLenientlyAndRenders)
{
    Edit(1230)->setText(" 0.25x");
    Edit(1231)->setText("abc");
    Choose(Units(), "cm");
    Edit(1227)->setText("20");
    Control<QPushButton>(dialog, 1225)->click();
    EXPECT_FLOAT_EQ(settings.scaleBarPosition[0], 0.25f);
    EXPECT_EQ(settings.scaleBarPosition[1], 0.0f);
    EXPECT_EQ(settings.scaleBarLength, 20.0f);
    EXPECT_EQ(settings.scaleBarUnit, L"cm");
    EXPECT_EQ(settings.scaleBarChanged, 1);
    EXPECT_TRUE(dialog.lengthFromSettings);
    EXPECT_EQ(log.renders, 1);

    Control<QCheckBox>(dialog, 1228)->click();
    EXPECT_EQ(settings.scaleBarShow, 1);
    EXPECT_EQ(log.renders, 2);
}

TEST_F(ScaleBarFixture, WithoutABarEverythingIsBlankAndDisabled)
{
    settings.scaleBarAvailable = 0;
    settings.scaleBarShow = 1;
    dialog.UpdateFromSettings(std::nullopt);
    for (int id : {1226, 1230, 1231, 1227}) EXPECT_TRUE(Edit(id)->text().isEmpty()) << id;
    EXPECT_FALSE(Control<QCheckBox>(dialog, 1228)->isEnabled());
    EXPECT_FALSE(Control<QCheckBox>(dialog, 1228)->isChecked());
    EXPECT_FALSE(Units()->isEnabled());
    EXPECT_TRUE(Units()->currentText().isEmpty());
    EXPECT_FALSE(Control<QPushButton>(dialog, 1225)->isEnabled());
    EXPECT_FALSE(LayOutScaleBar(settings, L"mm", 0.5, 1.0).shown);
}

TEST(ScaleBarLayout, TheBarSpansItsLengthInPaneUnits)
{
    RenderSettings s;
    s.scaleBarAvailable = 1;
    s.scaleBarShow = 1;
    s.scaleBarLength = 10;
    s.scaleBarUnit = L"mm";
    s.scaleBarPosition[0] = -0.5f;
    s.scaleBarPosition[1] = -0.8f;
    s.viewportWidth = 400;
    s.halfExtentX = 2.0f;
    ScaleBarLayout bar = LayOutScaleBar(s, L"mm", 0.5, 1.0);
    ASSERT_TRUE(bar.shown);
    EXPECT_FLOAT_EQ(bar.x1 - bar.x0, 40.0f);
    EXPECT_FLOAT_EQ(bar.x0, -0.5f);
    EXPECT_FLOAT_EQ(bar.labelY, -0.8f + 0.1f); // 10 pixels at 100 pixels per unit
    EXPECT_EQ(bar.label, L"10 mm");
    EXPECT_FLOAT_EQ(LayOutScaleBar(s, L"um", 0.5, 2.0).x1 - bar.x0, 2 * 10000 / 0.5 * 2);
    s.projection = 1;
    EXPECT_FALSE(LayOutScaleBar(s, L"mm", 0.5, 1.0).shown);
    s.projection = 0;
    s.scaleBarShow = 0;
    EXPECT_FALSE(LayOutScaleBar(s, L"mm", 0.5, 1.0).shown);
    s.scaleBarShow = 1;
    EXPECT_FALSE(LayOutScaleBar(s, L"mm", 0.0, 1.0).shown);
}
