// The colour-scale window of a surface unit: its controls, the range checks
// of OK by sample type, Auto Set, the preview bands, and what the surface
// dialog's command writes into the unit.
#include "dialogs/CKxDlgUnitSurface.h"
#include "dialogs/CKxDlgUnitSurfaceColorScale.h"
#include "dialogs/DialogTestSupport.h"
#include "scene/DataObject.h"
#include "support/MessageRecorder.h"
#include "units/CKxDrawUSurfaceR.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace velmor;
using namespace velmor::test;

namespace {

struct ColorScaleFixture : GuiFixture {
    using enum CKxDlgUnitSurfaceColorScale::Control;
    ColorScaleFixture()
    {
        volume.bytesPerComponent = 1;
        volume.minValue = 3;
        volume.maxValue = 250.7f;
        unit.data = &volume;
        unit.clipCapData = &volume;
        unit.SetBorder(40.9f, 90);
        dialog.unit = &unit;
    }
    QLineEdit* Edit(int id) { return Control<QLineEdit>(dialog, id); }
    QRadioButton* Radio(int id) { return Control<QRadioButton>(dialog, id); }
    // Shows the dialog with the range given, OK with the edits given.
    bool Ok(const QString& low, const QString& up)
    {
        dialog.setResult(0);
        Edit(kMinimum)->setText(low);
        Edit(kMaximum)->setText(up);
        Control<QPushButton>(dialog, StandardControl::kOk)->click();
        return dialog.result() == QDialog::Accepted;
    }
    MessageRecorder messages;
    DataObject volume{L"v"};
    CKxDrawUSurfaceR unit{nullptr};
    CKxDlgUnitSurfaceColorScale dialog;
};

} // namespace

TEST_F(ColorScaleFixture, ShowsTheTableAndRangeItWasGiven)
{
    dialog.colorTable = L"RGB";
    dialog.minimum = -20;
    dialog.maximum = 300;
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("カラースケール設定"));
    EXPECT_EQ(Control<QPushButton>(dialog, kAutoSet)->text(), QStringLiteral("自動設定"));
    EXPECT_EQ(Control<QPushButton>(dialog, StandardControl::kCancel)->text(), QStringLiteral("キャンセル"));
    EXPECT_EQ(Radio(kGray)->text(), QStringLiteral("GRAY"));
    EXPECT_TRUE(Radio(kRgb)->isChecked());
    EXPECT_FALSE(Radio(kGray)->isChecked() || Radio(kRgb2)->isChecked());
    EXPECT_EQ(Edit(kMinimum)->text(), QStringLiteral("-20"));
    EXPECT_EQ(Edit(kMaximum)->text(), QStringLiteral("300"));
    for (int id : {kGrayPreview, kRgbPreview, kRgb2Preview}) EXPECT_NE(dialog.findChild<QWidget*>(ControlName(id)), nullptr) << id;
    dialog.hide();
    dialog.colorTable = L"other";
    dialog.show();
    EXPECT_TRUE(Radio(kRgb2)->isChecked());
}

TEST_F(ColorScaleFixture, OkChecksTheRangeOfTheSampleType)
{
    dialog.show();
    EXPECT_FALSE(Ok("10", "10"));
    EXPECT_EQ(dialog.minimum, 10); // read before the test that fails
    EXPECT_FALSE(Ok("", "10"));
    EXPECT_FALSE(Ok("0", "256"));
    EXPECT_FALSE(Ok("-1", "20"));
    EXPECT_EQ(messages.Messages(), std::vector<std::wstring>(4, L"invalid value."));
    EXPECT_TRUE(dialog.isVisible());
    dialog.dataType = "SS";
    EXPECT_TRUE(Ok("-1000", "3000"));
    EXPECT_FALSE(Ok("-32769", "0"));
    dialog.dataType = "US";
    EXPECT_FALSE(Ok("-1", "10"));
    EXPECT_TRUE(Ok(" 12abc", "65535"));
    EXPECT_EQ(dialog.minimum, 12);
    EXPECT_EQ(dialog.maximum, 65535);
}

TEST_F(ColorScaleFixture, OkTakesTheTickedTable)
{
    dialog.show();
    Radio(kRgb2)->setChecked(true);
    ASSERT_TRUE(Ok("1", "2"));
    EXPECT_EQ(dialog.colorTable, L"RGB2");
    Radio(kGray)->setChecked(true);
    ASSERT_TRUE(Ok("1", "2"));
    EXPECT_EQ(dialog.colorTable, L"GRAY");
}

TEST_F(ColorScaleFixture, AutoSetFillsTheEditsFromTheData)
{
    dialog.show();
    Control<QPushButton>(dialog, kAutoSet)->click();
    EXPECT_EQ(Edit(kMinimum)->text(), QStringLiteral("40")); // its own volume: the lower iso border
    EXPECT_EQ(Edit(kMaximum)->text(), QStringLiteral("250"));
    DataObject cap{L"c"};
    cap.bytesPerComponent = 2;
    cap.isSigned = true;
    cap.minValue = 32768 - 500.5f;
    cap.maxValue = 32768 + 700;
    unit.clipCapData = &cap;
    Control<QPushButton>(dialog, kAutoSet)->click();
    EXPECT_EQ(Edit(kMinimum)->text(), QStringLiteral("-500"));
    EXPECT_EQ(Edit(kMaximum)->text(), QStringLiteral("700"));
    EXPECT_EQ(dialog.minimum, 0); // the members change only at OK
    unit.clipCapData = nullptr;
    Control<QPushButton>(dialog, kAutoSet)->click();
    EXPECT_EQ(Edit(kMinimum)->text(), QStringLiteral("-500"));
}

TEST_F(ColorScaleFixture, EnterKeepsItOpenAndEscapeCancels)
{
    dialog.show();
    SendKey(Edit(kMinimum), Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(messages.Messages().empty());
    SendKey(Edit(kMinimum), Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST(ColorScaleBands, SplitThePreviewIntoEqualBandsWithTheRestInTheLast)
{
    auto rgb = ColorScaleBands(L"RGB", 0, 102);
    ASSERT_EQ(rgb.size(), 4u);
    EXPECT_EQ(rgb[1].top, 25);
    EXPECT_EQ(rgb[3].top, 75);
    EXPECT_EQ(rgb[3].bottom, 102);
    EXPECT_EQ(rgb[0].first, QColor(255, 0, 0));
    EXPECT_EQ(rgb[3].last, QColor(0, 0, 255));
    auto rgb2 = ColorScaleBands(L"RGB2", 10, 30);
    ASSERT_EQ(rgb2.size(), 8u);
    EXPECT_EQ(rgb2[7].top, 24);
    EXPECT_EQ(rgb2[7].bottom, 30);
    EXPECT_EQ(rgb2[3].last, QColor(128, 255, 128));
    auto gray = ColorScaleBands(L"GRAY", 0, 7);
    ASSERT_EQ(gray.size(), 1u);
    EXPECT_EQ(gray[0].first, QColor(255, 255, 255));
    EXPECT_EQ(gray[0].last, QColor(0, 0, 0));
}

namespace {

struct ColorScaleRun : ColorScaleFixture {
    // Runs the surface dialog's command, answering the window with `answer`.
    bool Run(std::function<void(CKxDlgUnitSurfaceColorScale&)> answer)
    {
        ModalAnswerer answerer([&](QWidget* modal) {
            auto* window = dynamic_cast<CKxDlgUnitSurfaceColorScale*>(modal);
            ASSERT_NE(window, nullptr);
            answer(*window);
        });
        return RunColorScaleDialog(unit);
    }
};

void Press(QWidget& window, int id) { window.findChild<QPushButton*>(ControlName(id))->click(); }

} // namespace

TEST_F(ColorScaleRun, AChangedChoiceIsWrittenIntoTheUnit)
{
    unit.SetColorTableLow(5);
    unit.SetColorTableUp(100);
    unit.capTextureDirty = false;
    EXPECT_TRUE(Run([](CKxDlgUnitSurfaceColorScale& w) {
        EXPECT_EQ(w.dataType, "UC");
        EXPECT_EQ(w.findChild<QLineEdit*>(ControlName(kMinimum))->text(), QStringLiteral("5"));
        w.findChild<QRadioButton*>(ControlName(kRgb2))->setChecked(true);
        w.findChild<QLineEdit*>(ControlName(kMaximum))->setText("200");
        Press(w, StandardControl::kOk);
    }));
    EXPECT_EQ(unit.colorTable, L"RGB2");
    EXPECT_EQ(unit.GetColorTableLow(), 5);
    EXPECT_EQ(unit.GetColorTableUp(), 200);
    EXPECT_TRUE(unit.capTextureDirty);
}

TEST_F(ColorScaleRun, NoChangeOrCancelLeavesTheUnitAlone)
{
    unit.SetColorTableLow(5);
    unit.SetColorTableUp(100);
    unit.capTextureDirty = false;
    EXPECT_TRUE(Run([](CKxDlgUnitSurfaceColorScale& w) { Press(w, StandardControl::kOk); }));
    EXPECT_FALSE(unit.capTextureDirty);
    EXPECT_FALSE(Run([](CKxDlgUnitSurfaceColorScale& w) {
        w.findChild<QLineEdit*>(ControlName(kMaximum))->setText("90");
        Press(w, StandardControl::kCancel);
    }));
    EXPECT_EQ(unit.GetColorTableUp(), 100);
    EXPECT_FALSE(unit.capTextureDirty);
}

TEST_F(ColorScaleRun, SignedCapDataIsEditedInItsOwnValues)
{
    DataObject cap{L"c"};
    cap.bytesPerComponent = 2;
    cap.isSigned = true;
    unit.clipCapData = &cap;
    unit.SetColorTableLow(-100);
    unit.SetColorTableUp(100);
    EXPECT_TRUE(Run([](CKxDlgUnitSurfaceColorScale& w) {
        EXPECT_EQ(w.dataType, "SS");
        w.findChild<QLineEdit*>(ControlName(kMinimum))->setText("-1000");
        Press(w, StandardControl::kOk);
    }));
    EXPECT_EQ(unit.colorTableLow, 32768 - 1000);
    EXPECT_EQ(unit.GetColorTableUp(), 100);
}

TEST_F(ColorScaleRun, TheSurfaceDialogCommandOpensIt)
{
    struct RealColourScale : NoViewServices {
        bool RunColorScaleDialog(CKxDrawUSurfaceR& edited) override { return velmor::RunColorScaleDialog(edited); }
    } services;
    CKxDlgUnitSurface surface;
    surface.Create(nullptr, services, nullptr);
    int opened = 0;
    ModalAnswerer answerer([&](QWidget* modal) {
        opened += dynamic_cast<CKxDlgUnitSurfaceColorScale*>(modal) != nullptr;
        Press(*modal, StandardControl::kCancel);
    });
    surface.SetUnit(&unit);
    surface.OnBnClickedColorScalePreference();
    EXPECT_EQ(opened, 1);
}
