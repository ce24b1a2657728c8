#include "app/DesktopOpener.h"

#include "platform/MessageSink.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace velmor {

OpenTarget ClassifyOpenTarget(const std::wstring& target)
{
    const QString text = QString::fromStdWString(target).trimmed();
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) && !url.host().isEmpty())
        return OpenTarget::kWebAddress;
    if (text.startsWith(QLatin1Char('/'))) return OpenTarget::kLocalFile;
    return OpenTarget::kRefused;
}

bool OpenWithDesktop(const std::wstring& target)
{
    const QString text = QString::fromStdWString(target).trimmed();
    QUrl url;
    switch (ClassifyOpenTarget(target)) {
    case OpenTarget::kWebAddress: url = QUrl(text, QUrl::StrictMode); break;
    case OpenTarget::kLocalFile:
        if (!QFileInfo(text).isFile()) {
            ShowMessage(L"file not found: " + target);
            return false;
        }
        url = QUrl::fromLocalFile(text);
        break;
    case OpenTarget::kRefused: ShowMessage(L"cannot open: " + target); return false;
    }
    if (QDesktopServices::openUrl(url)) return true;
    ShowMessage(L"cannot open: " + target);
    return false;
}

} // namespace velmor
