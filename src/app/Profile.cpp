#include "app/Profile.h"

#include "platform/MessageSink.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <map>
#include <sys/stat.h>

namespace velmor {
namespace {

// Written this run but not in the file: they stay in force until the
// program ends. UI thread only.
std::map<QString, QString>& Unsaved()
{
    static std::map<QString, QString> values;
    return values;
}

// Whether the user already knows that saving fails.
bool gFailureReported = false;

QString KeyPath(const std::wstring& group, const std::wstring& key)
{
    return QString::fromStdWString(group) + QLatin1Char('/') + QString::fromStdWString(key);
}

void ReportOnce(const std::wstring& what, const QString& fileName)
{
    if (gFailureReported) return;
    gFailureReported = true;
    ShowMessage(L"settings cannot be " + what + L" " + QDir::toNativeSeparators(fileName).toStdWString() +
                L"; changes apply until the program ends.");
}

// A real settings file holds a few kilobytes. Qt reads the whole file into
// memory, and several times over while parsing it.
constexpr off_t kMaxProfileBytes = off_t{1} << 20;

// A name that does not resolve is no danger: Qt fails on it at once, or
// creates the file.
bool UsableOrAbsent(const QString& fileName)
{
    struct stat st {};
    return stat(QFile::encodeName(fileName).constData(), &st) != 0 || (S_ISREG(st.st_mode) && st.st_size <= kMaxProfileBytes);
}

} // namespace

QString ProfileFileName()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Quillmarsh/Velmor.ini");
}

std::unique_ptr<QSettings> OpenProfile()
{
    const QString name = ProfileFileName();
    if (!UsableOrAbsent(name) || !UsableOrAbsent(name + QStringLiteral(".lock"))) return nullptr;
    return std::make_unique<QSettings>(name, QSettings::IniFormat);
}

ProfileLookup GroupLookup(QSettings* settings, const std::wstring& group)
{
    return [settings, group](const std::wstring& key) -> std::optional<std::wstring> {
        const QString path = KeyPath(group, key);
        if (const auto unsaved = Unsaved().find(path); unsaved != Unsaved().end()) return unsaved->second.toStdWString();
        if (settings == nullptr) return std::nullopt;
        const QVariant value = settings->value(path);
        if (!value.isValid()) return std::nullopt;
        // A hand-edited value with commas reads back as a list; keep it as typed.
        if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QLatin1Char(',')).toStdWString();
        return value.toString().toStdWString();
    };
}

void WriteProfileEntries(QSettings* settings, const std::wstring& group, const ProfileEntries& entries)
{
    bool saved = false;
    if (settings != nullptr) {
        for (const auto& [key, value] : entries) settings->setValue(KeyPath(group, key), QString::fromStdWString(value));
        saved = SaveProfile(*settings);
    } else {
        ReportUnusableProfile();
    }
    for (const auto& [key, value] : entries) {
        if (saved) Unsaved().erase(KeyPath(group, key));
        else Unsaved()[KeyPath(group, key)] = QString::fromStdWString(value);
    }
}

bool SaveProfile(QSettings& settings)
{
    settings.sync();
    if (settings.status() != QSettings::AccessError) {
        gFailureReported = false;
        return true;
    }
    ReportOnce(L"saved to", settings.fileName());
    return false;
}

void ReportUnusableProfile() { ReportOnce(L"read from or saved to", ProfileFileName()); }

} // namespace velmor
