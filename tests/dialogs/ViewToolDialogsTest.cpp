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
    using enum CKxDlgRender::Control;
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
    EXPECT_EQ(Check(kNearFarCut)->text(), QStringLiteral("回転中心より奥と手前を表示しない"));
    EXPECT_EQ(Check(kClipCap)->text(), QStringLiteral("断面にふたをする"));
    EXPECT_EQ(Check(kShadow)->text(), QStringLiteral("影を表示"));
    EXPECT_EQ(Check(kFog)->text(), QStringLiteral("デプスキュー（フォグ）有効"));
    EXPECT_EQ(Check(kClippedTranslucent)->text(), QStringLiteral("切断された領域を半透明表示"));
    EXPECT_EQ(Entries(Combo(kNearFarRange)), QStringList({"小", "中", "大"}));
    EXPECT_EQ(Entries(Combo(kCutEdge)), QStringList({"なし", "小", "大"}));
    EXPECT_EQ(Entries(Combo(kProjection)), QStringList({"透視投影", "正投影"}));
    EXPECT_EQ(Entries(Combo(kLightPosition)), QStringList({"右上", "左上", "右下", "左下"}));
    EXPECT_EQ(Entries(Combo(kHomeAnimation)), QStringList({"なし", "高速", "中速", "低速"}));
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
    EXPECT_TRUE(Check(kClipCap)->isChecked());
    EXPECT_TRUE(Check(kShadow)->isChecked() && Check(kShadow)->isEnabled());
    EXPECT_TRUE(Check(kFog)->isChecked());
    EXPECT_FALSE(Check(kClippedTranslucent)->isChecked());
    EXPECT_FALSE(Combo(kNearFarRange)->isEnabled());
    EXPECT_EQ(Combo(kNearFarRange)->currentText(), QStringLiteral("中"));
    EXPECT_EQ(Combo(kProjection)->currentText(), QStringLiteral("透視投影"));
    EXPECT_EQ(Combo(kLightPosition)->currentText(), QStringLiteral("左下"));
    EXPECT_EQ(Combo(kCutEdge)->currentText(), QStringLiteral("大"));
    EXPECT_EQ(Combo(kHomeAnimation)->currentText(), QStringLiteral("なし"));
    // Refreshing writes nothing back.
    EXPECT_EQ(log.redraws, 0);
    EXPECT_EQ(log.homeAnimation, 10);
}

TEST_F(RenderFixture, CuttingFrontAndBackExcludesTheClipCoverAndTheShadow)
{
    settings.clipCap = 1;
    settings.shadow = 1;
    dialog.UpdateFromSettings(true);
    Check(kNearFarCut)->click();
    EXPECT_FALSE(Check(kClipCap)->isEnabled());
    EXPECT_FALSE(Check(kClipCap)->isChecked());
    EXPECT_FALSE(Check(kShadow)->isEnabled());
    EXPECT_FALSE(Check(kShadow)->isChecked());
    EXPECT_TRUE(Combo(kNearFarRange)->isEnabled());
    EXPECT_EQ(settings.clipCap, 0);
    EXPECT_EQ(settings.shadow, 0u);
    EXPECT_EQ(settings.nearFarRestrict, 1u); // the empty label picks the first entry
    Choose(Combo(kNearFarRange), QStringLiteral("大"));
    EXPECT_EQ(settings.nearFarRestrict, 3u);

    // Off again: the range shows "中", the cover comes back from the settings.
    settings.clipCap = 1;
    Check(kNearFarCut)->click();
    EXPECT_EQ(settings.nearFarRestrict, 0u);
    EXPECT_FALSE(Combo(kNearFarRange)->isEnabled());
    EXPECT_EQ(Combo(kNearFarRange)->currentText(), QStringLiteral("中"));
    EXPECT_TRUE(Check(kClipCap)->isEnabled() && Check(kClipCap)->isChecked());
    EXPECT_TRUE(Check(kShadow)->isEnabled());
}

TEST_F(RenderFixture, EveryChangeIsStoredAndTheViewRefreshed)
{
    Choose(Combo(kProjection), QStringLiteral("透視投影"));
    EXPECT_EQ(settings.projection, 1);
    EXPECT_EQ(log.redraws, 1);
    EXPECT_EQ(log.scaleBarRefreshes, 1);
    EXPECT_EQ(log.panelRefreshes, 1);
    EXPECT_EQ(log.lightMoves, 1);
    Choose(Combo(kLightPosition), QStringLiteral("右下"));
    EXPECT_EQ(settings.lightPosition, 2u);
    Choose(Combo(kCutEdge), QStringLiteral("小"));
    EXPECT_EQ(settings.squareRestrict, 1u);
    Choose(Combo(kHomeAnimation), QStringLiteral("中速"));
    EXPECT_EQ(log.homeAnimation, 20);
    Choose(Combo(kHomeAnimation), QStringLiteral("低速"));
    EXPECT_EQ(log.homeAnimation, 50);
    Check(kFog)->click();
    EXPECT_EQ(settings.fog, 1);
    Check(kClippedTranslucent)->click();
    EXPECT_EQ(settings.transparencyClip, 1);
    Check(kClipCap)->click(); // the default cover goes off and takes the shadow check with it
    EXPECT_EQ(settings.clipCap, 0);
    EXPECT_FALSE(Check(kShadow)->isEnabled());
    Check(kClipCap)->click();
    Check(kShadow)->click();
    EXPECT_EQ(settings.shadow, 1u);
    EXPECT_EQ(log.redraws, 10);
}

TEST_F(RenderFixture, AStoredValueWithoutALabelSurvivesOtherChanges)
{
    settings.lightPosition = 7;
    log.homeAnimation = 60;
    dialog.UpdateFromSettings(true);
    EXPECT_EQ(Combo(kLightPosition)->currentIndex(), -1);
    Check(kFog)->click();
    EXPECT_EQ(settings.lightPosition, 7u);
    EXPECT_EQ(log.homeAnimation, 60);
}

TEST_F(RenderFixture, AResetDisablesEveryControl)
{
    dialog.UpdateFromSettings(false);
    for (int id : {kNearFarCut, kClipCap, kShadow, kFog, kClippedTranslucent}) EXPECT_FALSE(Check(id)->isEnabled()) << id;
    for (int id : {kNearFarRange, kCutEdge, kProjection, kLightPosition, kHomeAnimation}) EXPECT_FALSE(Combo(id)->isEnabled()) << id;
    dialog.UpdateFromSettings(true);
    EXPECT_TRUE(Check(kClipCap)->isEnabled());
    EXPECT_TRUE(Combo(kProjection)->isEnabled());
}

TEST_F(RenderFixture, EnterKeepsTheWindowAndEscapeOrCloseOnlyHidesIt)
{
    dialog.show();
    SendKey(&dialog, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    const int redraws = log.redraws;
    SendKey(Check(kFog), Qt::Key_Escape);
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
    using enum CKxDlgRotEx::Control;
    RotFixture() { dialog.Create(log.View()); }
    ViewLog log;
    CKxDlgRotEx dialog;
};

} // namespace

TEST_F(RotFixture, StartsAtNinetyDegreesWithFiveInTheEdit)
{
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("  回転"));
    EXPECT_EQ(Control<QLineEdit>(dialog, kAngle)->text(), QStringLiteral("5"));
    EXPECT_EQ(Control<QCheckBox>(dialog, kQuarterTurn)->text(), QStringLiteral("90度"));
    EXPECT_TRUE(Control<QCheckBox>(dialog, kQuarterTurn)->isChecked());
    Control<QPushButton>(dialog, kClockwise)->click();
    ASSERT_EQ(log.rotations.size(), 1u);
    EXPECT_EQ(log.rotations[0], (std::vector<double>{90, 0, 0, -1}));
    EXPECT_EQ(log.renders, 1);
}

TEST_F(RotFixture, EachButtonTurnsAboutItsAxis)
{
    Control<QCheckBox>(dialog, kQuarterTurn)->setChecked(false);
    const std::pair<int, std::vector<double>> cases[] = {
        {kUp, {5, -1, 0, 0}}, {kDown, {5, 1, 0, 0}},  {kRight, {5, 0, 1, 0}},
        {kLeft, {5, 0, -1, 0}}, {kCounterClockwise, {5, 0, 0, 1}}, {kClockwise, {5, 0, 0, -1}},
    };
    for (const auto& [id, expected] : cases) {
        Control<QPushButton>(dialog, id)->click();
        EXPECT_EQ(log.rotations.back(), expected) << id;
    }
    EXPECT_EQ(log.renders, 6);
}

TEST_F(RotFixture, TypingAnAngleUnchecksNinetyAndReadsLeniently)
{
    auto* edit = Control<QLineEdit>(dialog, kAngle);
    edit->clear();
    QTest::keyClicks(edit, " 12.5deg");
    EXPECT_FALSE(Control<QCheckBox>(dialog, kQuarterTurn)->isChecked());
    Control<QPushButton>(dialog, kUp)->click();
    EXPECT_EQ(log.rotations.back()[0], 12.5);
    edit->setText("abc");
    Control<QPushButton>(dialog, kUp)->click();
    EXPECT_EQ(log.rotations.back()[0], 0.0);
}

TEST_F(RotFixture, TheButtonsFollowTheActivePane)
{
    dialog.EnableRotateButtons(false);
    for (int id : {kCounterClockwise, kClockwise, kDown, kLeft, kRight, kUp}) EXPECT_FALSE(Control<QPushButton>(dialog, id)->isEnabled());
    dialog.EnableRotateButtons(true);
    for (int id : {kCounterClockwise, kClockwise, kDown, kLeft, kRight, kUp}) EXPECT_TRUE(Control<QPushButton>(dialog, id)->isEnabled());
}

namespace {

struct ScaleBarFixture : GuiFixture {
    using enum CKxDlgScaleBar::Control;
    ScaleBarFixture()
    {
        settings.scaleBarAvailable = 1;
        settings.scaleBarLength = 1.0f;
        settings.scaleBarUnit = L"mm";
        dialog.Create(log.View(), &settings);
        dialog.UpdateFromSettings(std::nullopt);
    }
    QLineEdit* Edit(int id) { return Control<QLineEdit>(dialog, id); }
    QComboBox* Units() { return Control<QComboBox>(dialog, kUnit); }
    RenderSettings settings;
    ViewLog log;
    CKxDlgScaleBar dialog;
};

} // namespace

TEST_F(ScaleBarFixture, ShowsTheSettingsWithTwoDecimals)
{
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("\u3000スケールバー"));
    EXPECT_EQ(Control<QCheckBox>(dialog, kShow)->text(), QStringLiteral("表示する (正投影時のみ)"));
    EXPECT_EQ(Control<QPushButton>(dialog, kApply)->text(), QStringLiteral("適用"));
    EXPECT_EQ(Entries(Units()), QStringList({"um", "mm", "cm", "m"}));
    EXPECT_TRUE(Edit(kFrameSize)->isReadOnly());
    EXPECT_EQ(Edit(kPositionX)->text(), QStringLiteral("-0.95"));
    EXPECT_EQ(Edit(kPositionY)->text(), QStringLiteral("-0.95"));
    EXPECT_EQ(Edit(kLength)->text(), QStringLiteral("1.00"));
    EXPECT_EQ(Units()->currentText(), QStringLiteral("mm"));
    EXPECT_EQ(log.viewControls, 0) << "a report's refresh leaves the bar to the view";

    EXPECT_TRUE(Edit(kFrameSize)->text().isEmpty());
    settings.scaleBarUnit = L"m";
    settings.scaleBarShow = 1;
    dialog.UpdateFromSettings(FrameSize{0.5, L"mm"});
    EXPECT_EQ(Edit(kFrameSize)->text(), QStringLiteral("0.500000 mm"));
    EXPECT_EQ(Units()->currentText(), QStringLiteral("m"));
    EXPECT_TRUE(Control<QCheckBox>(dialog, kShow)->isChecked());
    settings.scaleBarUnit = L"km";
    dialog.UpdateFromSettings(FrameSize{0.5, L"mm"});
    EXPECT_EQ(Units()->currentIndex(), -1);
}

TEST_F(ScaleBarFixture, AnotherUnitConvertsTheShownLengthUntilTheUserTypesOne)
{
    Choose(Units(), "um");
    EXPECT_EQ(Edit(kLength)->text(), QStringLiteral("1000"));
    Choose(Units(), "cm");
    EXPECT_EQ(Edit(kLength)->text(), QStringLiteral("0.1"));
    Edit(kLength)->clear();
    QTest::keyClicks(Edit(kLength), "3");
    Choose(Units(), "m");
    EXPECT_EQ(Edit(kLength)->text(), QStringLiteral("3"));
    EXPECT_EQ(settings.scaleBarLength, 1.0f); // nothing stored before Apply
}

TEST_F(ScaleBarFixture, ApplyStoresTheEditsLenientlyAndRenders)
{
    Edit(kPositionX)->setText(" 0.25x");
    Edit(kPositionY)->setText("abc");
    Choose(Units(), "cm");
    Edit(kLength)->setText("20");
    Control<QPushButton>(dialog, kApply)->click();
    EXPECT_FLOAT_EQ(settings.scaleBarPosition[0], 0.25f);
    EXPECT_EQ(settings.scaleBarPosition[1], 0.0f);
    EXPECT_EQ(settings.scaleBarLength, 20.0f);
    EXPECT_EQ(settings.scaleBarUnit, L"cm");
    EXPECT_EQ(settings.scaleBarChanged, 1);
    EXPECT_TRUE(dialog.lengthFromSettings);
    EXPECT_EQ(log.renders, 1);

    Control<QCheckBox>(dialog, kShow)->click();
    EXPECT_EQ(settings.scaleBarShow, 1);
    EXPECT_EQ(log.renders, 2);
}

TEST_F(ScaleBarFixture, WithoutABarEverythingIsBlankAndDisabled)
{
    settings.scaleBarAvailable = 0;
    settings.scaleBarShow = 1;
    dialog.UpdateFromSettings(std::nullopt);
    for (int id : {kFrameSize, kPositionX, kPositionY, kLength}) EXPECT_TRUE(Edit(id)->text().isEmpty()) << id;
    EXPECT_FALSE(Control<QCheckBox>(dialog, kShow)->isEnabled());
    EXPECT_FALSE(Control<QCheckBox>(dialog, kShow)->isChecked());
    EXPECT_FALSE(Units()->isEnabled());
    EXPECT_TRUE(Units()->currentText().isEmpty());
    EXPECT_FALSE(Control<QPushButton>(dialog, kApply)->isEnabled());
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
