#include "app/Profile.h"

#include "platform/MessageSink.h"

#include <QDir>
#include <map>

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

void ReportUnsaved(const QSettings& settings)
{
    if (gFailureReported) return;
    gFailureReported = true;
    ShowMessage(L"settings cannot be saved to " + QDir::toNativeSeparators(settings.fileName()).toStdWString() +
                L"; changes apply until the program ends.");
}

} // namespace

std::unique_ptr<QSettings> OpenProfile()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quillmarsh"),
                                       QStringLiteral("Velmor"));
}

ProfileLookup GroupLookup(QSettings& settings, const std::wstring& group)
{
    return [&settings, group](const std::wstring& key) -> std::optional<std::wstring> {
        const QString path = KeyPath(group, key);
        if (const auto unsaved = Unsaved().find(path); unsaved != Unsaved().end()) return unsaved->second.toStdWString();
        const QVariant value = settings.value(path);
        if (!value.isValid()) return std::nullopt;
        // A hand-edited value with commas reads back as a list; keep it as typed.
        if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QLatin1Char(',')).toStdWString();
        return value.toString().toStdWString();
    };
}

void WriteProfileEntries(QSettings& settings, const std::wstring& group, const ProfileEntries& entries)
{
    for (const auto& [key, value] : entries) settings.setValue(KeyPath(group, key), QString::fromStdWString(value));
    const bool saved = SaveProfile(settings);
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
    ReportUnsaved(settings);
    return false;
}

} // namespace velmor
