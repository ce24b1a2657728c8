#include "app/QtPaths.h"

#include "platform/WideText.h"

#include <QFile>
#include <filesystem>
#include <system_error>

namespace velmor {

QStringList ArgumentsOf(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QtTextOfPath(WideFromPathBytes(argv[i]));
    return arguments;
}

std::wstring WidePathFromQt(const QString& path)
{
    std::wstring out;
    out.reserve(static_cast<size_t>(path.size()));
    for (qsizetype i = 0; i < path.size(); ++i) {
        const QChar c = path[i];
        if (c.isHighSurrogate() && i + 1 < path.size() && path[i + 1].isLowSurrogate()) {
            out += static_cast<wchar_t>(QChar::surrogateToUcs4(c, path[i + 1]));
            ++i;
        } else {
            out += static_cast<wchar_t>(c.unicode());
        }
    }
    return out;
}

QString QtTextOfPath(const std::wstring& path) { return QString::fromStdWString(path); }

std::wstring WidePathFromUrl(const QUrl& url)
{
    if (!url.isLocalFile()) return {};
    const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    return WideFromPathBytes(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

namespace {

// The entry of `folder` that Qt shows as `shown`, when exactly one does.
std::filesystem::path EntryShownAs(const std::filesystem::path& folder, const QString& shown)
{
    std::filesystem::path found;
    int matches = 0;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().native();
        if (QFile::decodeName(QByteArray(name.data(), static_cast<qsizetype>(name.size()))) != shown) continue;
        found = it->path().filename();
        ++matches;
    }
    return matches == 1 ? found : std::filesystem::path();
}

} // namespace

std::wstring WidePathFromDialog(const QString& chosen)
{
    const std::wstring wide = WidePathFromQt(chosen);
    std::error_code ec;
    if (chosen.isEmpty() || std::filesystem::exists(PathFromWide(wide), ec)) return wide;
    std::filesystem::path resolved = chosen.startsWith(QLatin1Char('/')) ? "/" : "";
    for (const QString& part : chosen.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        const std::filesystem::path exact = resolved / PathFromWide(WidePathFromQt(part));
        if (std::filesystem::exists(exact, ec)) {
            resolved = exact;
            continue;
        }
        const std::filesystem::path match = EntryShownAs(resolved.empty() ? "." : resolved, part);
        if (match.empty()) return wide;
        resolved /= match;
    }
    return WideFromPathBytes(resolved.native());
}

} // namespace velmor
