#include "GuiTestSupport.h"

#include "app/CVelmorApp.h"
#include "app/QtPaths.h"
#include "app/RecentFileList.h"
#include "platform/WideText.h"
#include "support/TempDir.h"

#include <QFile>
#include <QSettings>
#include <gtest/gtest.h>

using namespace velmor;
using velmor::test::TempDir;

namespace {

const std::string kSjisName = "\x83\x65\x83\x58\x83\x67";   // "テスト" in Shift_JIS

} // namespace

// Names that are not UTF-8 keep their bytes from the command line, a drop,
// the open dialog and the recent-file list to the file they name.
TEST(QtPaths, NamesThatAreNotUtf8KeepTheirBytes)
{
    test::GuiApplication();
    TempDir dir;
    const std::string folder = dir.Path().native() + "/" + kSjisName;
    const std::string raw = folder + "/" + kSjisName + ".vlm";
    dir.Write(kSjisName + "/" + kSjisName + ".vlm", "x");
    const std::wstring wide = WideFromPathBytes(raw);

    EXPECT_EQ(WidePathFromQt(QtTextOfPath(wide)), wide);
    EXPECT_EQ(WidePathFromQt(QStringLiteral("/a/\U0001F600")), L"/a/\U0001F600");
    std::string arg0 = "velmor", arg1 = raw;
    char* argv[] = {arg0.data(), arg1.data()};
    EXPECT_EQ(CVelmorApp::FileFromCommandLine(ArgumentsOf(2, argv)), wide);

    const QUrl url = QUrl::fromEncoded("file://" + QByteArray::fromStdString(raw).toPercentEncoding("/"));
    EXPECT_EQ(WidePathFromUrl(url), wide);
    EXPECT_EQ(WidePathFromUrl(QUrl(QStringLiteral("https://example.invalid/a.vlm"))), L"");

    // The dialog hands back what Qt showed: U+FFFD for every byte that is not UTF-8.
    const QString shown = QFile::decodeName(QByteArray::fromStdString(raw));
    ASSERT_NE(PathBytesFromWide(WidePathFromQt(shown)), raw);
    EXPECT_EQ(WidePathFromDialog(shown), wide);
    dir.Write(kSjisName + "/\x84\x65\x83\x58\x83\x67.vlm", "y");   // shown the same: no longer one match
    EXPECT_EQ(WidePathFromDialog(shown), WidePathFromQt(shown));

    QSettings settings(QString::fromStdString((dir.Path() / "r.ini").string()), QSettings::IniFormat);
    RecentFileList list;
    list.Add(wide);
    list.Add(L"/s/日本.vlm");
    list.Save(settings);
    RecentFileList again;
    again.Load(settings);
    EXPECT_EQ(again.Entries(), list.Entries());
    EXPECT_NE(test::ReadFileBytes(dir.Path() / "r.ini").find("@ByteArray"), std::string::npos);
}
