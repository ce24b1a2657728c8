#include "GuiTestSupport.h"

#include "app/CMainFrame.h"
#include "app/CVelmorView.h"
#include "support/TempDir.h"

#include <QAction>
#include <QDialog>
#include <QSettings>
#include <QTimer>
#include <gtest/gtest.h>

using namespace velmor;

TEST(CMainFrame, SettingsMenuOpensThePreferenceDialogModally)
{
    velmor::test::GuiApplication();
    velmor::test::TempDir home;
    qputenv("XDG_CONFIG_HOME", home.Path().c_str());

    CMainFrame frame;
    frame.show();
    EXPECT_EQ(frame.View()->size(), QSize(1280, 720));
    auto* command = frame.findChild<QAction*>(QStringLiteral("cmd_32820"));
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->text(), QStringLiteral("環境設定(&Z)"));

    QString opened;
    QTimer::singleShot(0, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            opened = modal->objectName();
            static_cast<QDialog*>(modal)->reject();
        }
    });
    command->trigger();
    EXPECT_EQ(opened, QStringLiteral("dlg_204"));
}
