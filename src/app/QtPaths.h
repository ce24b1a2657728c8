#pragma once
// Paths between Qt and the program. Qt decodes file names as UTF-8 and puts
// U+FFFD where they are not, which loses the name for good; the program's
// wide paths keep every byte (see WideFromPathBytes). Paths that come from
// outside (the command line, a drop, the open dialog) go through here.
#include <QString>
#include <QStringList>
#include <QUrl>
#include <string>

namespace velmor {

// The program's arguments from the bytes the system gave, after QApplication
// has taken its own options out.
QStringList ArgumentsOf(int argc, char** argv);
// A QString made from a wide path (QString::fromStdWString keeps its byte
// characters) back to the wide path; toStdWString would replace them.
std::wstring WidePathFromQt(const QString& path);
QString QtTextOfPath(const std::wstring& path);
// A local file URL as the bytes it names (its escapes need not be UTF-8);
// empty for anything else.
std::wstring WidePathFromUrl(const QUrl& url);
// What the open dialog returned, whose non-UTF-8 names Qt has replaced: each
// missing component is looked up among the entries of its folder, as Qt
// would have shown them; a unique match gives the name's real bytes.
std::wstring WidePathFromDialog(const QString& chosen);

} // namespace velmor
