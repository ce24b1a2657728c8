// The file-information text: layout of the head items, italic ranges
// counted from each value, and the empty, disabled text after a reset.
#include "DialogTestSupport.h"

#include "app/CMainFrame.h"
#include "app/CVelmorApp.h"
#include "app/CVelmorView.h"
#include "dialogs/CKxDlgFileInfo.h"
#include "support/TempDir.h"
#include "scene/SceneHead.h"

#include <QAction>
#include <QSettings>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>

using namespace velmor;
using namespace velmor::test;

namespace {

HeadItem Item(std::wstring type, std::wstring value, std::wstring italic)
{
    HeadItem item;
    item.type = std::move(type);
    item.value = std::move(value);
    item.italic = std::move(italic);
    return item;
}

// Positions of the text that are shown in italics.
std::vector<int> ItalicPositions(QTextEdit* edit)
{
    std::vector<int> positions;
    QTextCursor cursor(edit->document());
    const QString text = edit->toPlainText();
    for (int p = 0; p < text.size(); ++p) {
        cursor.setPosition(p + 1);   // the format of the character before the cursor
        if (cursor.charFormat().fontItalic()) positions.push_back(p);
    }
    return positions;
}

struct FileInfoDialog : GuiFixture {
    FileInfoDialog()
    {
        dialog->Create(&view, &head);
    }
    QTextEdit* Text() { return Control<QTextEdit>(*dialog, CKxDlgFileInfo::kText); }

    SceneHead head;
    QWidget view;
    CKxDlgFileInfo* dialog = new CKxDlgFileInfo;   // owned by the view
};

TEST(FileInfoText, OneTitleItemWithItsWholeValueInItalics)
{
    SceneHead head;
    head.title.push_back(Item(L"T", L"abcde", L"0, 5"));
    EXPECT_EQ(MakeFileInfoText(head), QStringLiteral("T\n    abcde\n\n"));
    EXPECT_EQ(head.title[0].italicRanges, std::vector<int32_t>({6, 5}));

    head.title[0].italic = L"0";
    head.title[0].italicRanges.clear();
    MakeFileInfoText(head);
    EXPECT_TRUE(head.title[0].italicRanges.empty());
    head.title[0].italic = L"";
    MakeFileInfoText(head);
    EXPECT_TRUE(head.title[0].italicRanges.empty());
}

TEST(FileInfoText, StartsFollowEarlierItemsAndListsAreSeparated)
{
    SceneHead head;
    head.title.push_back(Item(L"Title", L"Knee", L""));
    head.title.push_back(Item(L"Sub", L"左膝 CT", L"1,2,3,x"));
    head.date.push_back(Item(L"Date", L"2026", L"2,1"));
    head.description.push_back(Item(L"Note", L"n", L"0,1"));
    const QString text = MakeFileInfoText(head);
    EXPECT_EQ(text, QStringLiteral("Title\n    Knee\nSub\n    左膝 CT\n\nDate\n    2026\n\nNote\n    n\n"));
    const int second = 5 + 5 + 4 + 1 + 3 + 5;
    EXPECT_EQ(head.title[1].italicRanges, std::vector<int32_t>({second + 1, 2, second + 3, 0}));
    EXPECT_EQ(text.mid(second, 5), QStringLiteral("左膝 CT"));
    const int date = second + 5 + 1 + 1 + 4 + 5;
    EXPECT_EQ(head.date[0].italicRanges, std::vector<int32_t>({date + 2, 1}));
    EXPECT_EQ(text.mid(date, 4), QStringLiteral("2026"));
}

TEST(FileInfoText, LengthsCountUtf16Units)
{
    SceneHead head;
    head.credit.push_back(Item(L"\U0001F600", L"\U0001F600x", L"2,1"));
    const QString text = MakeFileInfoText(head);
    EXPECT_EQ(head.credit[0].italicRanges[0], 2 + 5 + 2);
    EXPECT_EQ(text.mid(head.credit[0].italicRanges[0], 1), QStringLiteral("x"));
}

TEST_F(FileInfoDialog, ShowsTheHeadWithItalicsAndEmptiesOnReset)
{
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("  ファイル情報"));
    EXPECT_EQ(dialog->parentWidget(), &view);
    EXPECT_TRUE(Text()->isReadOnly());

    head.title.push_back(Item(L"T", L"abcde", L"0,5"));
    head.credit.push_back(Item(L"By", L"Lab", L"1,50"));   // reaches beyond the text
    dialog->BuildFileInfoText(true);
    EXPECT_TRUE(Text()->isEnabled());
    EXPECT_EQ(Text()->toPlainText(), QStringLiteral("T\n    abcde\n\nBy\n    Lab\n\n"));
    std::vector<int> italic = ItalicPositions(Text());
    std::erase_if(italic, [](int p) { return p > 22; });   // whether the last line break leans is the editor's affair
    EXPECT_EQ(italic, std::vector<int>({6, 7, 8, 9, 10, 21, 22}));
    EXPECT_EQ(Text()->textCursor().position(), 0);
    EXPECT_FALSE(Text()->textCursor().hasSelection());

    dialog->BuildFileInfoText(false);
    EXPECT_TRUE(Text()->toPlainText().isEmpty());
    EXPECT_FALSE(Text()->isEnabled());
}

TEST_F(FileInfoDialog, CloseOnlyHidesAndRedraws)
{
    struct Redraws : NoViewServices {
        int& count;
        explicit Redraws(int& count) : count(count) {}
        void RedrawIfIdle() override { ++count; }
    };
    int redraws = 0;
    Redraws services(redraws);
    dialog->services = &services;
    dialog->show();
    redraws = 0;
    dialog->close();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(redraws, 1);
    redraws = 0;
    dialog->move(dialog->pos() + QPoint(10, 10));
    dialog->show();
    ProcessEventsFor(20);
    EXPECT_GE(redraws, 1);
    SendKey(Text(), Qt::Key_Return);
    EXPECT_TRUE(dialog->isVisible());
    QPointer<CKxDlgFileInfo> alive(dialog);
    dialog->close();
    EXPECT_FALSE(alive.isNull());
}

TEST_F(FileInfoDialog, TheFileMenuShowsTheOpenedScenesHead)
{
    TempDir home, run, scenes;
    qputenv("XDG_CONFIG_HOME", home.Path().c_str());
    const auto scene = scenes.Write("knee.vlm", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><root version=\"1.2\"><head>"
                                               "<title type=\"名前\" value=\"左膝\" italic=\"0,1\"/></head><body/></root>");
    CVelmorApp app;
    ASSERT_TRUE(app.InitInstance({"velmor", QString::fromStdString(scene.string())}, QString::fromStdString(run.Path().string())));
    CKxDlgFileInfo* info = app.Frame()->View()->Dialogs().fileInfo;
    ASSERT_NE(info, nullptr);
    auto* text = Control<QTextEdit>(*info, CKxDlgFileInfo::kText);
    // The text follows the scene once the view has shown it.
    EXPECT_TRUE(WaitUntil([&] { return !text->toPlainText().isEmpty(); }));
    EXPECT_FALSE(info->isVisible());
    auto* command = app.Frame()->findChild<QAction*>(QStringLiteral("cmd_32814"));
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->text(), QStringLiteral("ファイル情報(&I)"));
    command->trigger();
    EXPECT_TRUE(info->isVisible());
    EXPECT_EQ(text->toPlainText(), QStringLiteral("名前\n    左膝\n\n"));
    EXPECT_TRUE(text->isEnabled());
    EXPECT_EQ(ItalicPositions(text), std::vector<int>({7}));

    app.OnFileNew();
    EXPECT_TRUE(text->toPlainText().isEmpty());
    EXPECT_FALSE(text->isEnabled());
}

} // namespace
