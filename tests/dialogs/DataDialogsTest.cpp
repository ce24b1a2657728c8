// The data preferences of voxel and coordinate-array data objects: what
// they show, what OK writes into the data object, and that Cancel and
// Escape write nothing.
#include "DialogTestSupport.h"

#include "dialogs/CKxDlgDataArray.h"
#include "dialogs/CKxDlgDataVoxel.h"
#include "scene/DataObject.h"
#include "support/MessageRecorder.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace velmor;
using namespace velmor::test;

namespace {

struct DataVoxelDialog : GuiFixture {
    DataVoxelDialog()
    {
        data.sizeX = 512, data.sizeY = 256, data.sizeZ = 3000000000ull;
        data.reductionStep = 2;
        for (int k = 0; k < 3; ++k) {
            data.voxelPitch.pitch[k] = 0.5f + k;
            data.voxelPitch.loadedPitch[k] = 2 * (0.5f + k);
        }
        data.voxelPitch.unit = L"mm";
        dialog.dataObject = &data;
    }
    QLineEdit* Edit(int id) { return Control<QLineEdit>(dialog, id); }
    QComboBox* Unit() { return Control<QComboBox>(dialog, CKxDlgDataVoxel::kUnit); }

    DataObject data{L"ct"};
    CKxDlgDataVoxel dialog;
};

TEST_F(DataVoxelDialog, ShowsTheFullSizeAndTheReducedReadNote)
{
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("　データ設定"));
    EXPECT_EQ(Edit(CKxDlgDataVoxel::kSize)->text(), QStringLiteral("512 x 256 x 3000000000"));
    EXPECT_TRUE(Edit(CKxDlgDataVoxel::kSize)->isReadOnly());
    EXPECT_EQ(Edit(CKxDlgDataVoxel::kPitchX)->text(), QStringLiteral("0.5"));
    EXPECT_EQ(Edit(CKxDlgDataVoxel::kPitchY)->text(), QStringLiteral("1.5"));
    EXPECT_EQ(Edit(CKxDlgDataVoxel::kPitchZ)->text(), QStringLiteral("2.5"));
    EXPECT_EQ(Edit(CKxDlgDataVoxel::kPitchX)->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    EXPECT_EQ(Control<QLabel>(dialog, CKxDlgDataVoxel::kNote)->text(), QStringLiteral("1/2 読み込み中"));
    EXPECT_EQ(Control<QGroupBox>(dialog, CKxDlgDataVoxel::kGroup)->title(), QStringLiteral("ボクセル情報（1/2 読み込み前）"));
    EXPECT_EQ(Unit()->currentText(), QStringLiteral("mm"));
    EXPECT_EQ(Control<QPushButton>(dialog, CKxDlgDataVoxel::kCancel)->text(), QStringLiteral("キャンセル"));
    QStringList labels;
    for (QLabel* label : dialog.findChildren<QLabel*>()) labels << label->text();
    for (const char* text : {"サイズ :", "1ボクセルの大きさ", "x", "y", "z", "単位"})
        EXPECT_TRUE(labels.contains(QString::fromUtf8(text))) << text;

    dialog.reject();
    data.reductionStep = 1;
    dialog.show();
    EXPECT_EQ(Control<QLabel>(dialog, CKxDlgDataVoxel::kNote)->text(), QString());
    EXPECT_EQ(Control<QGroupBox>(dialog, CKxDlgDataVoxel::kGroup)->title(), QStringLiteral("ボクセル情報"));
}

TEST_F(DataVoxelDialog, UnitsAreFoundByTextExceptMetreByIndex)
{
    const std::pair<std::wstring, int> cases[] = {{L"m", 3}, {L"um", 0}, {L"CM", 2}, {L"mm", 1}, {L"inch", -1}};
    for (const auto& [unit, index] : cases) {
        data.voxelPitch.unit = unit;
        dialog.show();
        EXPECT_EQ(Unit()->currentIndex(), index);
        dialog.reject();
    }
    EXPECT_EQ(Unit()->count(), 4);
    // An unlisted unit survives OK instead of becoming empty.
    dialog.show();
    Control<QPushButton>(dialog, CKxDlgDataVoxel::kOk)->click();
    EXPECT_EQ(data.voxelPitch.unit, L"inch");
}

TEST_F(DataVoxelDialog, OkChangesOnlyTheAxesThatChanged)
{
    dialog.show();
    Edit(CKxDlgDataVoxel::kPitchY)->setText(QStringLiteral(" 0.75mm"));
    Unit()->setCurrentIndex(3);
    data.voxelPitch.loadedPitch[0] = 42;   // an unchanged axis keeps even an odd pitch
    Control<QPushButton>(dialog, CKxDlgDataVoxel::kOk)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(data.voxelPitch.unit, L"m");
    EXPECT_FLOAT_EQ(data.voxelPitch.pitch[1], 0.75f);
    EXPECT_FLOAT_EQ(data.voxelPitch.loadedPitch[1], 1.5f);
    EXPECT_FLOAT_EQ(data.voxelPitch.loadedPitch[0], 42.0f);
    EXPECT_FLOAT_EQ(data.voxelPitch.pitch[2], 2.5f);
    EXPECT_FLOAT_EQ(data.voxelPitch.loadedPitch[2], 5.0f);

    // A size that is no length is refused and nothing changes, the unit neither.
    MessageRecorder messages;
    dialog.show();
    Unit()->setCurrentIndex(0);
    for (const char* text : {"abc", "0", "-1", "1e39"}) {
        Edit(CKxDlgDataVoxel::kPitchZ)->setText(QString::fromLatin1(text));
        Control<QPushButton>(dialog, CKxDlgDataVoxel::kOk)->click();
    }
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(messages.Messages(), std::vector<std::wstring>(4, L"invalid value."));
    EXPECT_EQ(std::make_pair(data.voxelPitch.pitch[2], data.voxelPitch.unit), std::make_pair(2.5f, std::wstring(L"m")));
}

TEST_F(DataVoxelDialog, CancelEscapeAndEnterWriteNothing)
{
    for (int way = 0; way < 2; ++way) {
        dialog.show();
        Edit(CKxDlgDataVoxel::kPitchX)->setText(QStringLiteral("9"));
        Unit()->setCurrentIndex(0);
        SendKey(Edit(CKxDlgDataVoxel::kPitchX), Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible());
        if (way == 0) Control<QPushButton>(dialog, CKxDlgDataVoxel::kCancel)->click();
        else SendKey(Edit(CKxDlgDataVoxel::kPitchX), Qt::Key_Escape);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_EQ(data.voxelPitch.pitch[0], 0.5f);
        EXPECT_EQ(data.voxelPitch.unit, L"mm");
    }
}

struct DataArrayDialog : GuiFixture {
    DataArrayDialog()
    {
        data.boundsMin[0] = -1, data.boundsMax[0] = 3;
        data.boundsMin[1] = 0.5, data.boundsMax[1] = 1;
        data.boundsMin[2] = -2, data.boundsMax[2] = 1e6;
        data.coordinateScale.scale[0] = 2;
        data.coordinateScale.scale[1] = 0.1f;
        data.coordinateScale.unit = L"m";
        dialog.dataObject = &data;
    }
    DataObject data{L"xyz"};
    CKxDlgDataArray dialog;
};

TEST_F(DataArrayDialog, ShowsScaledRangesAndWritesTheUnitOnOk)
{
    const double y = double(0.1f);
    const QString expected = QStringLiteral("x 最小値： -2.000000\r\nx 最大値： 6.000000\r\n") +
                             QStringLiteral("y 最小値： %1\r\ny 最大値： %2\r\n").arg(0.5 * y, 0, 'f', 6).arg(y, 0, 'f', 6) +
                             QStringLiteral("z 最小値： -2.000000\r\nz 最大値： 1000000.000000\r\n");
    EXPECT_EQ(CoordinateRangeText(data), expected);

    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("　データ設定"));
    auto* range = Control<QPlainTextEdit>(dialog, CKxDlgDataArray::kRange);
    EXPECT_TRUE(range->isReadOnly());
    EXPECT_EQ(range->toPlainText(), QString(expected).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    auto* unit = Control<QComboBox>(dialog, CKxDlgDataArray::kUnit);
    EXPECT_EQ(unit->currentIndex(), 3);
    bool groupShown = false;
    for (QGroupBox* group : dialog.findChildren<QGroupBox*>()) groupShown |= group->title() == QStringLiteral("座標範囲");
    EXPECT_TRUE(groupShown);

    unit->setCurrentIndex(2);
    SendKey(unit, Qt::Key_Escape);
    EXPECT_EQ(data.coordinateScale.unit, L"m");
    dialog.show();
    unit->setCurrentIndex(0);
    Control<QPushButton>(dialog, CKxDlgDataArray::kOk)->click();
    EXPECT_EQ(data.coordinateScale.unit, L"um");
    EXPECT_EQ(data.coordinateScale.scale[0], 2.0f);   // the scale itself is not edited here
}

} // namespace
