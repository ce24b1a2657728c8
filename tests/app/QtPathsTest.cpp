#include "GuiTestSupport.h"

#include "app/QtPaths.h"
#include "app/RecentFileList.h"
#include "platform/WideText.h"
#include "support/TempDir.h"

#include <QFile>
#include <QSettings>
#include <gtest/gtest.h>

using namespace velmor;

// Qt shows a Shift_JIS name ("テスト") with U+FFFD for its bytes: the open
// dialog's answer finds the file again while one entry alone is shown so,
// and the recent-file list keeps the name's bytes in its UTF-8 settings file.
TEST(QtPaths, NamesThatAreNotUtf8KeepTheirBytes)
{
    test::GuiApplication();
    test::TempDir dir;
    const std::string sjis = "\x83\x65\x83\x58\x83\x67";
    const std::string raw = (dir.Write(sjis + "/" + sjis + ".vlm", "x")).native();
    const std::wstring wide = WideFromPathBytes(raw);
    EXPECT_EQ(WidePathFromQt(QtTextOfPath(wide)), wide);
    const QString shown = QFile::decodeName(QByteArray::fromStdString(raw));
    EXPECT_EQ(WidePathFromDialog(shown), wide);
    dir.Write(sjis + "/\x84\x65\x83\x58\x83\x67.vlm", "y");   // shown the same
    EXPECT_EQ(WidePathFromDialog(shown), WidePathFromQt(shown));

    QSettings settings(QString::fromStdString((dir.Path() / "r.ini").string()), QSettings::IniFormat);
    RecentFileList list, again;
    list.Add(wide);
    list.Save(settings);
    again.Load(settings);
    EXPECT_EQ(again.Entries(), list.Entries());
    EXPECT_NE(test::ReadFileBytes(dir.Path() / "r.ini").find("@ByteArray"), std::string::npos);
}
