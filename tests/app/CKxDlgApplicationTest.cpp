#include "GuiTestSupport.h"

#include "app/CKxDlgApplication.h"
#include "app/Profile.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <gtest/gtest.h>

using namespace velmor;
using velmor::test::GuiApplication;
using velmor::test::MessageRecorder;
using velmor::test::ReadFileBytes;
using velmor::test::TempDir;

namespace {

class CKxDlgApplicationTest : public ::testing::Test {
protected:
    CKxDlgApplicationTest()
    {
        GuiApplication();
        qputenv("XDG_CONFIG_HOME", home.Path().c_str());
    }

    std::filesystem::path ProfileFile() const { return home.Path() / "Quillmarsh" / "Velmor.ini"; }

    template <typename Widget>
    Widget* Control(CKxDlgApplication& dialog, int id)
    {
        auto* widget = dialog.findChild<Widget*>(QStringLiteral("ctl_%1").arg(id));
        EXPECT_NE(widget, nullptr) << id;
        return widget;
    }

    // Confirms a half threshold of 300, then 200, each time shown the one in force.
    void ConfirmTwoHalfSizes()
    {
        for (const char* half : {"300", "200"}) {
            CKxDlgApplication dialog;
            dialog.show();
            EXPECT_EQ(Control<QLineEdit>(dialog, CKxDlgApplication::kHalfSize)->text(), half[0] == '3' ? "512" : "300");
            Control<QLineEdit>(dialog, CKxDlgApplication::kHalfSize)->setText(QString::fromLatin1(half));
            Control<QPushButton>(dialog, CKxDlgApplication::kOk)->click();
        }
        CKxDlgApplication::LoadApplicationSettings(true);
        EXPECT_EQ(CurrentApplicationSettings().halfSizeMB, 200);
    }

    TempDir home;
};

TEST_F(CKxDlgApplicationTest, DefaultsAreProposedAndStoredOnOk)
{
    CKxDlgApplication::LoadApplicationSettings(true);
    EXPECT_EQ(CurrentApplicationSettings().halfSizeMB, 512);
    EXPECT_EQ(CurrentApplicationSettings().quarterSizeMB, 4096);
    EXPECT_TRUE(CurrentApplicationSettings().useVBO);

    CKxDlgApplication dialog;
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Application Preference"));
    EXPECT_TRUE(Control<QCheckBox>(dialog, CKxDlgApplication::kHalfUse)->isChecked());
    EXPECT_EQ(Control<QLineEdit>(dialog, CKxDlgApplication::kHalfSize)->text(), QStringLiteral("512"));
    EXPECT_TRUE(Control<QCheckBox>(dialog, CKxDlgApplication::kQuarterUse)->isChecked());
    EXPECT_EQ(Control<QLineEdit>(dialog, CKxDlgApplication::kQuarterSize)->text(), QStringLiteral("4096"));
    EXPECT_FALSE(Control<QCheckBox>(dialog, CKxDlgApplication::kNoVbo)->isChecked());
    EXPECT_EQ(Control<QCheckBox>(dialog, CKxDlgApplication::kNoVbo)->text(),
              QStringLiteral("Turn off VBO (Vertex Buffer Object)"));
    bool noteShown = false;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        noteShown |= label->text() == QStringLiteral("Please reopen this file to apply new preference.");
    EXPECT_TRUE(noteShown);

    Control<QPushButton>(dialog, CKxDlgApplication::kOk)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    // The settings in force wait for the next scene.
    EXPECT_EQ(CurrentApplicationSettings().halfSizeMB, 512);

    const std::string file = ReadFileBytes(ProfileFile());
    EXPECT_NE(file.find("[Aplication]"), std::string::npos) << file;
    EXPECT_NE(file.find("VOX_HALF_SIZE=512"), std::string::npos) << file;
    EXPECT_NE(file.find("VOX_QUARTER_SIZE=4096"), std::string::npos) << file;
    EXPECT_NE(file.find("NO_VBO=0"), std::string::npos) << file;

    CKxDlgApplication::LoadApplicationSettings(true);
    EXPECT_EQ(CurrentApplicationSettings().halfSizeMB, 512);
    EXPECT_EQ(CurrentApplicationSettings().quarterSizeMB, 4096);
}

TEST_F(CKxDlgApplicationTest, PreferencesThatCannotBeSavedAreToldOnceAndApplyForThisRun)
{
    // A file where the settings folder would go.
    const std::filesystem::path blocked = home.Write("blocked", "");
    qputenv("XDG_CONFIG_HOME", blocked.c_str());
    MessageRecorder messages;
    ConfirmTwoHalfSizes();
    EXPECT_EQ(messages.Messages(), std::vector<std::wstring>{L"settings cannot be saved to " + blocked.wstring() +
                                                             L"/Quillmarsh/Velmor.ini; changes apply until the program ends."});
}

// A settings file, or the lock Qt takes beside it to save, that is a link to
// a device (or a pipe, which would wait for ever) or huge is never opened: the
// defaults apply, and confirmed preferences stay in force for the run.
TEST_F(CKxDlgApplicationTest, ASettingsFileThatIsNoRegularFileOrHugeIsNeverOpened)
{
    std::filesystem::create_directories(ProfileFile().parent_path());
    std::filesystem::create_symlink("/dev/null", ProfileFile());
    EXPECT_EQ(OpenProfile(), nullptr);
    std::filesystem::remove(ProfileFile());
    home.Write("Quillmarsh/Velmor.ini", "[Aplication]\nVOX_HALF_SIZE=100\n");
    std::filesystem::create_symlink("/dev/null", ProfileFile().string() + ".lock");
    MessageRecorder messages;
    CKxDlgApplication::LoadApplicationSettings(true);
    EXPECT_EQ(CurrentApplicationSettings().halfSizeMB, 512);
    ConfirmTwoHalfSizes();
    EXPECT_EQ(messages.Messages(), std::vector<std::wstring>{L"settings cannot be read from or saved to " + ProfileFile().wstring() +
                                                             L"; changes apply until the program ends."});
    EXPECT_EQ(ReadFileBytes(ProfileFile()), "[Aplication]\nVOX_HALF_SIZE=100\n");
    // As large as settings may be: read; a byte more: not opened either.
    std::filesystem::remove(ProfileFile().string() + ".lock");
    std::filesystem::resize_file(ProfileFile(), 1u << 20);
    const auto read = OpenProfile();
    EXPECT_EQ(read ? read->value("Aplication/VOX_HALF_SIZE").toString() : QString(), QStringLiteral("100"));
    std::filesystem::resize_file(ProfileFile(), (1u << 20) + 1);
    EXPECT_EQ(OpenProfile(), nullptr);
}

TEST_F(CKxDlgApplicationTest, HalfAboveQuarterIsStoredAsTheQuarterAndReadBack)
{
    {
        CKxDlgApplication dialog;
        dialog.show();
        Control<QCheckBox>(dialog, CKxDlgApplication::kHalfUse)->setChecked(false);
        Control<QLineEdit>(dialog, CKxDlgApplication::kHalfSize)->setText(QStringLiteral("2000"));
        Control<QLineEdit>(dialog, CKxDlgApplication::kQuarterSize)->setText(QStringLiteral("1000"));
        Control<QCheckBox>(dialog, CKxDlgApplication::kNoVbo)->setChecked(true);
        Control<QPushButton>(dialog, CKxDlgApplication::kOk)->click();
    }
    CKxDlgApplication::LoadApplicationSettings(true);
    const ApplicationSettings& s = CurrentApplicationSettings();
    EXPECT_FALSE(s.useHalf);
    EXPECT_TRUE(s.useQuarter);
    EXPECT_EQ(s.halfSizeMB, 1000);
    EXPECT_EQ(s.quarterSizeMB, 1000);
    EXPECT_FALSE(s.useVBO);

    CKxDlgApplication again;
    again.show();
    EXPECT_FALSE(Control<QCheckBox>(again, CKxDlgApplication::kHalfUse)->isChecked());
    EXPECT_EQ(Control<QLineEdit>(again, CKxDlgApplication::kHalfSize)->text(), QStringLiteral("1000"));
    EXPECT_TRUE(Control<QCheckBox>(again, CKxDlgApplication::kNoVbo)->isChecked());
}

TEST_F(CKxDlgApplicationTest, CancelAndEnterWriteNothing)
{
    CKxDlgApplication dialog;
    dialog.show();
    QLineEdit* half = Control<QLineEdit>(dialog, CKxDlgApplication::kHalfSize);
    half->setText(QStringLiteral("64"));
    QPushButton* ok = Control<QPushButton>(dialog, CKxDlgApplication::kOk);
    for (QWidget* target : {static_cast<QWidget*>(half), static_cast<QWidget*>(ok)}) {
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        EXPECT_TRUE(dialog.isVisible());
    }
    Control<QPushButton>(dialog, CKxDlgApplication::kCancel)->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(std::filesystem::exists(ProfileFile()));
}

} // namespace
