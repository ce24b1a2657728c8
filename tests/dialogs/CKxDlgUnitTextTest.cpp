#include "UnitDialogTestSupport.h"

#include "dialogs/CKxDlgUnitText.h"
#include "dialogs/CKxDlgUnitTextFont.h"
#include "units/CKxDrawUText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QTimer>

using namespace velmor;
using namespace velmor::test;

namespace {

constexpr int kApply = CKxDlgUnitText::kApplyToList;

class CKxDlgUnitTextTest : public DialogFixture<CKxDlgUnitText, CKxDrawUText> {
protected:
    using enum CKxDlgUnitText::Control;
    CKxDlgUnitTextTest()
    {
        list = kList;
        unit.mode = 3;
        unit.fixPoint[0] = 0.25f;
        unit.fixPoint[1] = -1.0f;
        unit.fixPoint[2] = 0.5f;
        unit.fontSize = 24.0f;
        unit.text = L"注記 A";
        unit.bold = true;
    }
    void ChooseType(int index) { Choose(CKxDlgUnitText::kType, index); }
};

TEST_F(CKxDlgUnitTextTest, ControlsCarryTheirNumbersAndTexts)
{
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("ユニット設定"));
    auto* combo = Control<QComboBox>(*dialog, CKxDlgUnitText::kType);
    ASSERT_EQ(combo->count(), 4);
    EXPECT_EQ(combo->itemText(0), QStringLiteral("正面を向き大きさ固定"));
    EXPECT_EQ(combo->itemText(1), QStringLiteral("正面を向き大きさ可変"));
    EXPECT_EQ(combo->itemText(2), QStringLiteral("回転し大きさ可変"));
    EXPECT_EQ(combo->itemText(3), QStringLiteral("位置固定大きさ固定"));
    EXPECT_EQ(Texts(*dialog, {kApplyText, kSelectFont, kApplyToList}), QStringList({"適用", "選択", "-リストに反映"}));
    EXPECT_EQ(Control<QCheckBox>(*dialog, kBold)->text(), QStringLiteral("bold"));
    EXPECT_EQ(Control<QCheckBox>(*dialog, kItalic)->text(), QStringLiteral("italic"));
    EXPECT_TRUE(Control<QLineEdit>(*dialog, kFont)->isReadOnly());
    auto* list = Control<QTreeWidget>(*dialog, kList);
    EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("変数名"));
    EXPECT_EQ(list->headerItem()->text(1), QStringLiteral("値"));
    for (int id : {kNameCaption, kCaption1, kCaption2, kCaption3, kCaption4, kEdit1, kEdit2, kEdit3, kEdit4}) EXPECT_NE(dialog->findChild<QWidget*>(ControlName(id)), nullptr) << id;
    for (const char* label : {"タイプ", "文字", "フォント"}) {
        bool found = false;
        for (auto* l : dialog->findChildren<QLabel*>()) found = found || l->text() == QString::fromUtf8(label);
        EXPECT_TRUE(found) << label;
    }
}

TEST_F(CKxDlgUnitTextTest, SetUnitShowsTheUnitAndTheRowsOfItsMode)
{
    Opened();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(Control<QComboBox>(*dialog, CKxDlgUnitText::kType)->currentIndex(), 3);
    EXPECT_EQ(Control<QLineEdit>(*dialog, CKxDlgUnitText::kText)->text(), QStringLiteral("注記 A"));
    EXPECT_EQ(Control<QLineEdit>(*dialog, CKxDlgUnitText::kFont)->text(), QStringLiteral("ＭＳ ゴシック"));
    EXPECT_TRUE(Control<QCheckBox>(*dialog, CKxDlgUnitText::kBold)->isChecked());
    EXPECT_FALSE(Control<QCheckBox>(*dialog, CKxDlgUnitText::kItalic)->isChecked());
    EXPECT_EQ(ListRows(*dialog, kList), QStringList({"固定座標 | 0.25, -1, 0.5", "ピクセルサイズ | 24"}));
    EXPECT_EQ(dialog->SelectedRow(), -1);
    EXPECT_EQ(Texts(*dialog, {kNameCaption, kEdit1, kApplyToList}), QStringList({"-", "-", "-リストに反映"}));
}

TEST_F(CKxDlgUnitTextTest, TheTypeComboChangesTheRowsAndRebuildsAtOnce)
{
    Opened();
    SelectRow(*dialog, kList, 1);
    ChooseType(2);
    EXPECT_EQ(unit.mode, 2);
    EXPECT_EQ(ListRows(*dialog, kList), QStringList({"基準座標 | 0, 0, 0", "サイズ | 0.5", "回転 | 0,1,0,0"}));
    EXPECT_EQ(dialog->SelectedRow(), -1);
    EXPECT_EQ(Texts(*dialog, {kNameCaption, kEdit1}), QStringList({"-", "-"}));
    EXPECT_EQ(unitLog, std::vector<std::string>({"Release", "Load"}));
    EXPECT_EQ(view.log, std::vector<std::string>({"RefreshPane", "RenderNow"}));

    ChooseType(0);
    EXPECT_EQ(ListRows(*dialog, kList), QStringList({"基準座標 | 0, 0, 0", "ピクセルサイズ | 24"}));
    ChooseType(1);
    EXPECT_EQ(ListRows(*dialog, kList), QStringList({"基準座標 | 0, 0, 0", "サイズ | 0.5"}));
}

TEST_F(CKxDlgUnitTextTest, EditorsShowTheSelectedRowAndApplyWritesTheUnit)
{
    Opened();
    SelectRow(*dialog, kList, 0);
    EXPECT_EQ(Texts(*dialog, {kNameCaption, kCaption1, kEdit1, kCaption2, kEdit2, kCaption3, kEdit3, kCaption4, kEdit4}),
              QStringList({"固定座標", "x", "0.25", "y", "-1", "z", "0.5", "-", "-"}));
    ApplyTyped(*dialog, {kEdit1, kEdit2, kEdit3}, {" 12.5xyz", "abc", "-3e2"}, kApply);
    EXPECT_FLOAT_EQ(unit.fixPoint[0], 12.5f);
    EXPECT_FLOAT_EQ(unit.fixPoint[1], 0.0f);
    EXPECT_FLOAT_EQ(unit.fixPoint[2], -300.0f);
    EXPECT_EQ(ListRows(*dialog, kList).value(0), QStringLiteral("固定座標 | 12.5, 0, -300"));
    // Applying neither changes the chosen row nor the typed texts.
    EXPECT_EQ(dialog->SelectedRow(), 0);
    EXPECT_EQ(Control<QLineEdit>(*dialog, kEdit1)->text(), QStringLiteral(" 12.5xyz"));
    EXPECT_EQ(unitLog, std::vector<std::string>({"Release", "Load"}));
    EXPECT_EQ(view.log.back(), "RenderNow");

    SelectRow(*dialog, kList, 1);
    EXPECT_EQ(Texts(*dialog, {kNameCaption, kCaption1, kEdit1, kEdit2}), QStringList({"ピクセルサイズ", "-", "24", "-"}));
    ApplyTyped(*dialog, {kEdit1}, {"1e60"}, kApply);
    EXPECT_TRUE(std::isfinite(unit.fontSize));
}

TEST_F(CKxDlgUnitTextTest, RotationFollowsTheAngleRule)
{
    unit.mode = 2;
    Opened();
    SelectRow(*dialog, kList, 2);
    EXPECT_EQ(Texts(*dialog, {kNameCaption, kCaption1, kCaption2, kCaption3, kCaption4}), QStringList({"回転", "角度", "x", "y", "z"}));
    ApplyTyped(*dialog, {kEdit1, kEdit2, kEdit3, kEdit4}, {"0", "3", "4", "5"}, kApply);
    EXPECT_EQ(std::vector<float>(unit.rot, unit.rot + 4), std::vector<float>({0, 1, 0, 0}));
    ApplyTyped(*dialog, {kEdit1, kEdit2, kEdit3, kEdit4}, {"30", "0", "0", "2"}, kApply);
    EXPECT_EQ(std::vector<float>(unit.rot, unit.rot + 4), std::vector<float>({30, 0, 0, 1}));
    ApplyTyped(*dialog, {kEdit1, kEdit2, kEdit3, kEdit4}, {"30", "0", "0", "0"}, kApply);
    EXPECT_EQ(std::vector<float>(unit.rot, unit.rot + 4), std::vector<float>({30, 1, 0, 0}));
    EXPECT_EQ(ListRows(*dialog, kList).value(2), QStringLiteral("回転 | 30,1,0,0"));
}

TEST_F(CKxDlgUnitTextTest, TextBoldAndItalicAreStoredAndRebuilt)
{
    Opened();
    Control<QLineEdit>(*dialog, CKxDlgUnitText::kText)->setText(QStringLiteral("新しい"));
    Control<QPushButton>(*dialog, CKxDlgUnitText::kApplyText)->click();
    EXPECT_EQ(unit.text, L"新しい");
    Control<QCheckBox>(*dialog, CKxDlgUnitText::kBold)->click();
    EXPECT_FALSE(unit.bold);
    Control<QCheckBox>(*dialog, CKxDlgUnitText::kItalic)->click();
    EXPECT_TRUE(unit.italic);
    EXPECT_EQ(unitLog, std::vector<std::string>({"Release", "Load", "Release", "Load", "Release", "Load"}));
    EXPECT_EQ(view.Count("RenderNow"), 3);
}

TEST_F(CKxDlgUnitTextTest, EnterDoesNothingAndEscapeHides)
{
    Opened();
    SelectRow(*dialog, kList, 0);
    auto* edit = Control<QLineEdit>(*dialog, kEdit1);
    edit->setText("7");
    PressAndRelease(edit, Qt::Key_Return);
    EXPECT_FLOAT_EQ(unit.fixPoint[0], 0.25f);
    EXPECT_TRUE(dialog->isVisible());
    SendKey(edit, QEvent::KeyPress, Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(view.log, std::vector<std::string>({"SetViewMode normal"}));
}

// Runs `act` on the font dialog once it is up.
void WithFontDialog(std::function<void(CKxDlgUnitTextFont&)> act)
{
    QTimer::singleShot(0, [act] {
        auto* font = dynamic_cast<CKxDlgUnitTextFont*>(QApplication::activeModalWidget());
        ASSERT_NE(font, nullptr);
        act(*font);
    });
}

TEST_F(CKxDlgUnitTextTest, CancellingTheFontDialogKeepsTheTextDialogForOneEscape)
{
    Opened();
    WithFontDialog([](CKxDlgUnitTextFont& font) {
        EXPECT_EQ(font.windowTitle(), QStringLiteral("フォント選択"));
        EXPECT_EQ(Texts(font, {CKxDlgUnitTextFont::kOk, CKxDlgUnitTextFont::kCancel}), QStringList({"OK", "キャンセル"}));
        SendKey(Control<QListWidget>(font, CKxDlgUnitTextFont::kFaceList), QEvent::KeyPress, Qt::Key_Escape);
    });
    Control<QPushButton>(*dialog, CKxDlgUnitText::kSelectFont)->click();
    EXPECT_TRUE(dialog->NestedDialogFlag());
    SendKey(dialog, QEvent::KeyRelease, Qt::Key_Escape);   // the cancelling key's release
    EXPECT_TRUE(dialog->isVisible());
    SendKey(dialog, QEvent::KeyPress, Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(unit.fontName, L"ＭＳ ゴシック");
    EXPECT_TRUE(unitLog.empty());
}

TEST_F(CKxDlgUnitTextTest, OkWithoutAFaceChangesNothing)
{
    Opened();
    WithFontDialog([](CKxDlgUnitTextFont& font) {
        auto* list = Control<QListWidget>(font, CKxDlgUnitTextFont::kFaceList);
        EXPECT_TRUE(list->selectedItems().isEmpty());
        Control<QPushButton>(font, CKxDlgUnitTextFont::kOk)->click();
    });
    Control<QPushButton>(*dialog, CKxDlgUnitText::kSelectFont)->click();
    EXPECT_FALSE(dialog->NestedDialogFlag());
    EXPECT_EQ(unit.fontName, L"ＭＳ ゴシック");
    EXPECT_TRUE(unitLog.empty());
}

TEST_F(CKxDlgUnitTextTest, AChosenFaceIsStoredShownAndRebuilt)
{
    const QStringList faces = CKxDlgUnitTextFont::EnumerateFaces();
    if (faces.isEmpty()) GTEST_SKIP() << "no Japanese outline font installed";
    Opened();
    WithFontDialog([](CKxDlgUnitTextFont& font) {
        auto* list = Control<QListWidget>(font, CKxDlgUnitTextFont::kFaceList);
        list->setCurrentRow(0);
        Control<QPushButton>(font, CKxDlgUnitTextFont::kOk)->click();
    });
    Control<QPushButton>(*dialog, CKxDlgUnitText::kSelectFont)->click();
    EXPECT_EQ(QString::fromStdWString(unit.fontName), faces.front());
    EXPECT_EQ(Control<QLineEdit>(*dialog, CKxDlgUnitText::kFont)->text(), faces.front());
    EXPECT_EQ(unitLog, std::vector<std::string>({"Release", "Load"}));
}

TEST(CKxDlgUnitTextFontTest, OnlyJapaneseOutlineFacesAreOfferedSorted)
{
    EXPECT_TRUE(CKxDlgUnitTextFont::IsOfferedFace("IPAGothic", true, true));
    EXPECT_FALSE(CKxDlgUnitTextFont::IsOfferedFace("IPAGothic", false, true));
    EXPECT_FALSE(CKxDlgUnitTextFont::IsOfferedFace("DejaVu Sans", true, false));
    EXPECT_FALSE(CKxDlgUnitTextFont::IsOfferedFace("@IPAGothic", true, true));
    EXPECT_FALSE(CKxDlgUnitTextFont::IsOfferedFace("$Face", true, true));
    GuiApplication();
    const QStringList faces = CKxDlgUnitTextFont::EnumerateFaces();
    QStringList sorted = faces;
    sorted.sort();
    EXPECT_EQ(faces, sorted);
}

} // namespace
