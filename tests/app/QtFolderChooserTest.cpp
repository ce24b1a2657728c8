#include "app/QtFolderChooser.h"
#include "scene/PathParts.h"
#include "support/TempDir.h"
#include "GuiTestSupport.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

using namespace velmor;

namespace {

// Answers the folder dialog once it is open: accepts it at `choose`, or
// rejects it when `choose` is empty; remembers its title.
void AnswerDialog(const QString& choose, QString* title)
{
    QTimer::singleShot(50, [choose, title] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            if (dialog == nullptr || !dialog->isVisible()) continue;
            *title = dialog->windowTitle();
            if (choose.isEmpty()) {
                dialog->reject();
            } else {
                // Typed into the name field, as a user would; the file
                // model fills the list in the background.
                if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) edit->setText(choose);
                QMetaObject::invokeMethod(dialog, "accept");
            }
            return;
        }
        AnswerDialog(choose, title);   // not open yet
    });
}

} // namespace

TEST(QtFolderChooser, ChosenFolderOrEmptyOnCancel)
{
    test::GuiApplication();
    QWidget owner;
    InstallQtFolderChooser(&owner);
    test::TempDir dir;
    const QString folder = QString::fromStdString(dir.Path().string());

    QString title;
    AnswerDialog(folder, &title);
    EXPECT_EQ(BrowseForFolder(dir.Path().parent_path().wstring()), dir.Path().wstring());
    EXPECT_EQ(title.toStdWString(), L"保存先フォルダを選択してください");

    AnswerDialog(QString(), &title);
    EXPECT_EQ(BrowseForFolder(dir.Path().wstring()), L"");
    SetFolderChooser({});
}
