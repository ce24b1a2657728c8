#include "app/Profile.h"

namespace velmor {
namespace {

QString KeyPath(const std::wstring& group, const std::wstring& key)
{
    return QString::fromStdWString(group) + QLatin1Char('/') + QString::fromStdWString(key);
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
        const QVariant value = settings.value(KeyPath(group, key));
        if (!value.isValid()) return std::nullopt;
        // A hand-edited value with commas reads back as a list; keep it as typed.
        if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QLatin1Char(',')).toStdWString();
        return value.toString().toStdWString();
    };
}

void WriteProfileEntries(QSettings& settings, const std::wstring& group, const ProfileEntries& entries)
{
    for (const auto& [key, value] : entries) settings.setValue(KeyPath(group, key), QString::fromStdWString(value));
    settings.sync();
}

} // namespace velmor
