// The polygon- and voxel-export preferences: their controls and texts, what
// OK writes into the job and the voxel-export settings, and that nothing
// but OK ends them.
#include "DialogTestSupport.h"

#include "dialogs/CKxDlgPolygonExport.h"
#include "dialogs/CKxDlgVoxelExport.h"
#include "export/ExportJob.h"
#include "render/RenderSettings.h"
#include "support/MessageRecorder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace velmor;
using namespace velmor::test;

namespace {

QStringList LabelTexts(QWidget& dialog)
{
    QStringList texts;
    for (QLabel* label : dialog.findChildren<QLabel*>()) texts << label->text();
    return texts;
}

// Escape, Enter and the window's close request all leave the dialog open.
void ExpectOnlyOkEnds(QDialog& dialog, QWidget* edit)
{
    for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        SendKey(edit, key);
        SendKey(&dialog, key);
        EXPECT_TRUE(dialog.isVisible()) << key;
    }
    dialog.close();
    EXPECT_TRUE(dialog.isVisible());
}

struct PolygonDialog : GuiFixture {
    ExportJob job{nullptr, L""};
    CKxDlgPolygonExport dialog;
    QComboBox* Format() { return Control<QComboBox>(dialog, CKxDlgPolygonExport::kFormat); }
    QLineEdit* Magnification() { return Control<QLineEdit>(dialog, CKxDlgPolygonExport::kMagnification); }
    void Ok() { Control<QPushButton>(dialog, CKxDlgPolygonExport::kOk)->click(); }
    void Show()
    {
        dialog.SetExportJob(&job);
        dialog.show();
    }
};

TEST_F(PolygonDialog, ShowsItsTextsAndStartsAtStlAndOne)
{
    Show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("  ポリゴン出力設定"));
    EXPECT_EQ(Format()->count(), 2);
    EXPECT_EQ(Format()->itemText(0), QStringLiteral("STL"));
    EXPECT_EQ(Format()->itemText(1), QStringLiteral("OBJ"));
    EXPECT_EQ(Format()->currentIndex(), 0);
    EXPECT_EQ(Magnification()->text(), QStringLiteral("1"));
    EXPECT_EQ(Control<QPushButton>(dialog, CKxDlgPolygonExport::kOk)->text(), QStringLiteral("OK"));
    EXPECT_EQ(dialog.findChildren<QPushButton*>().size(), 1);
    EXPECT_TRUE(LabelTexts(dialog).contains(QStringLiteral("出力形式")));
    EXPECT_TRUE(LabelTexts(dialog).contains(QStringLiteral("倍率")));
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(job.format.empty());   // nothing is written before OK
}

TEST_F(PolygonDialog, OkWritesFormatAndLenientMagnification)
{
    Show();
    Format()->setCurrentIndex(1);
    Magnification()->setText(QStringLiteral(" 2.5"));
    Ok();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(job.format, L"OBJ");
    EXPECT_FLOAT_EQ(job.magnification, 2.5f);

    // Every show starts again from "STL" and "1".
    dialog.show();
    EXPECT_EQ(Format()->currentText(), QStringLiteral("STL"));
    EXPECT_EQ(Magnification()->text(), QStringLiteral("1"));
    // What is no factor above 0 is refused, the dialog stays and the job keeps its values.
    MessageRecorder messages;
    for (const char* text : {"abc", "0", "-2", "1e39", "1e-50", "nan", ""}) {
        Magnification()->setText(QString::fromLatin1(text));
        Ok();
    }
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(messages.Messages(), std::vector<std::wstring>(7, L"invalid value."));
    EXPECT_FLOAT_EQ(job.magnification, 2.5f);
    Magnification()->setText(QStringLiteral("3x"));
    Ok();
    EXPECT_EQ(job.format, L"STL");
    EXPECT_EQ(job.magnification, 3.0f);
}

TEST_F(PolygonDialog, NothingButOkEndsIt)
{
    Show();
    Format()->setCurrentIndex(1);
    ExpectOnlyOkEnds(dialog, Magnification());
    EXPECT_TRUE(job.format.empty());
    Ok();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(job.format, L"OBJ");
}

struct VoxelDialog : GuiFixture {
    VoxelExportSettings settings;
    CKxDlgVoxelExport dialog{nullptr, &settings};
    QLineEdit* Edit(int id) { return Control<QLineEdit>(dialog, id); }
    QCheckBox* Check(int id) { return Control<QCheckBox>(dialog, id); }
    QStringList Values()
    {
        QStringList v;
        for (int id : {CKxDlgVoxelExport::kCurrent1, CKxDlgVoxelExport::kExport1, CKxDlgVoxelExport::kCurrent2, CKxDlgVoxelExport::kExport2}) v << Edit(id)->text();
        return v;
    }
    void Preset(uint32_t top)
    {
        settings.colorControlPoints[0] = settings.colorControlPoints[1] = 0;
        settings.colorControlPoints[2] = settings.colorControlPoints[3] = top;
    }
    void Ok() { Control<QPushButton>(dialog, CKxDlgVoxelExport::kOk)->click(); }
    std::vector<uint32_t> Points() const { return {settings.colorControlPoints, settings.colorControlPoints + 4}; }
};

TEST_F(VoxelDialog, OneByteDataShowsItsRangeWithoutEightBitConversion)
{
    Preset(255);
    dialog.SetDataInfo(1, false, false);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("  ボクセル出力設定"));
    EXPECT_EQ(Values(), QStringList({"0", "0", "255", "255"}));
    EXPECT_FALSE(Check(CKxDlgVoxelExport::kDownTo8Bit)->isEnabled());
    EXPECT_FALSE(Check(CKxDlgVoxelExport::kDownTo8Bit)->isChecked());
    EXPECT_FALSE(Check(CKxDlgVoxelExport::kReverse)->isEnabled());
    EXPECT_FALSE(Check(CKxDlgVoxelExport::kReverse)->isChecked());
    EXPECT_EQ(Check(CKxDlgVoxelExport::kDownTo8Bit)->text(), QStringLiteral("8bit 画像に変換"));
    EXPECT_EQ(Check(CKxDlgVoxelExport::kReverse)->text(), QStringLiteral("画像の出力順を逆にする"));
    for (const char* text : {"現在", "出力", "対応画素値 1", "対応画素値 2"})
        EXPECT_TRUE(LabelTexts(dialog).contains(QString::fromUtf8(text))) << text;
    EXPECT_EQ(dialog.findChildren<QPushButton*>().size(), 1);

    Edit(CKxDlgVoxelExport::kExport1)->setText(QStringLiteral("10"));
    Edit(CKxDlgVoxelExport::kCurrent2)->setText(QStringLiteral("200 "));
    Edit(CKxDlgVoxelExport::kExport2)->setText(QStringLiteral("x"));   // no number reads as 0
    Ok();
    EXPECT_EQ(Points(), std::vector<uint32_t>({0, 10, 200, 0}));
    EXPECT_EQ(settings.downTo8Bit, 0);
    EXPECT_EQ(settings.reverseZ, 0);
}

TEST_F(VoxelDialog, SignedDataIsShownAsValuesAndStoredShifted)
{
    Preset(65535);
    settings.reverseZ = 1;
    dialog.SetDataInfo(2, true, true);
    dialog.show();
    EXPECT_EQ(Values(), QStringList({"-32768", "-32768", "32767", "32767"}));
    EXPECT_TRUE(Check(CKxDlgVoxelExport::kDownTo8Bit)->isEnabled());
    EXPECT_TRUE(Check(CKxDlgVoxelExport::kReverse)->isEnabled());
    EXPECT_TRUE(Check(CKxDlgVoxelExport::kReverse)->isChecked());
    Ok();
    EXPECT_EQ(Points(), std::vector<uint32_t>({0, 0, 65535, 65535}));
    EXPECT_EQ(settings.reverseZ, 1);
    EXPECT_EQ(dialog.GetMapValue(0), -32768);

    dialog.SetMapValue(1, -1000);
    EXPECT_EQ(settings.colorControlPoints[1], 31768u);
}

TEST_F(VoxelDialog, EightBitExportValuesTakeNoShift)
{
    Preset(65535);
    dialog.SetDataInfo(2, true, true);
    dialog.show();
    Check(CKxDlgVoxelExport::kDownTo8Bit)->setChecked(true);
    Check(CKxDlgVoxelExport::kReverse)->setChecked(false);
    Edit(CKxDlgVoxelExport::kCurrent1)->setText(QStringLiteral("-1000"));
    Edit(CKxDlgVoxelExport::kExport1)->setText(QStringLiteral("0"));
    Edit(CKxDlgVoxelExport::kCurrent2)->setText(QStringLiteral("+3000.7"));
    Edit(CKxDlgVoxelExport::kExport2)->setText(QStringLiteral("255"));
    Ok();
    EXPECT_EQ(Points(), std::vector<uint32_t>({31768, 0, 35768, 255}));
    EXPECT_EQ(settings.downTo8Bit, 1);
    EXPECT_EQ(settings.reverseZ, 0);
}

TEST_F(VoxelDialog, NothingButOkEndsItAndTheSettingsWaitForOk)
{
    Preset(255);
    dialog.SetDataInfo(1, false, true);
    dialog.show();
    Edit(CKxDlgVoxelExport::kCurrent1)->setText(QStringLiteral("7"));
    ExpectOnlyOkEnds(dialog, Edit(CKxDlgVoxelExport::kCurrent1));
    EXPECT_EQ(Points(), std::vector<uint32_t>({0, 0, 255, 255}));
    Ok();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(Points(), std::vector<uint32_t>({7, 0, 255, 255}));
    EXPECT_EQ(settings.reverseZ, 1);
}

TEST(VoxelDialogDefault, EditsTheCurrentRenderSettings)
{
    GuiApplication();
    VoxelExportSettings& current = CurrentRenderSettings().voxelExport;
    current = VoxelExportSettings{};
    CKxDlgVoxelExport dialog;
    dialog.SetDataInfo(1, false, false);
    dialog.show();
    Control<QLineEdit>(dialog, CKxDlgVoxelExport::kExport2)->setText(QStringLiteral("128"));
    Control<QPushButton>(dialog, CKxDlgVoxelExport::kOk)->click();
    EXPECT_EQ(current.colorControlPoints[3], 128u);
    current = VoxelExportSettings{};
}

} // namespace
