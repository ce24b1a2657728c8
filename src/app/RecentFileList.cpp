#include "app/RecentFileList.h"

#include "app/Profile.h"
#include "app/QtPaths.h"
#include "platform/WideText.h"

#include <algorithm>

namespace velmor {
namespace {

const QString kGroup = QStringLiteral("Recent File List");

QString Key(int i) { return QStringLiteral("File%1").arg(i + 1); }

} // namespace

void RecentFileList::Load(QSettings& settings)
{
    entries_.clear();
    settings.beginGroup(kGroup);
    for (int i = 0; i < kSize; ++i) {
        const QVariant value = settings.value(Key(i));
        std::wstring path;
        if (value.typeId() == QMetaType::QByteArray) {
            const QByteArray bytes = value.toByteArray();
            path = WideFromPathBytes(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
        } else {
            path = WidePathFromQt(value.toString());
        }
        if (!path.empty()) entries_.push_back(path);
    }
    settings.endGroup();
}

void RecentFileList::Save(QSettings& settings) const
{
    settings.beginGroup(kGroup);
    for (int i = 0; i < kSize; ++i) {
        if (i >= static_cast<int>(entries_.size())) {
            settings.remove(Key(i));
            continue;
        }
        // The settings file is UTF-8 text: a name that is not is kept as its bytes.
        const std::string bytes = PathBytesFromWide(entries_[i]);
        if (IsValidUtf8(bytes)) settings.setValue(Key(i), QtTextOfPath(entries_[i]));
        else settings.setValue(Key(i), QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    }
    settings.endGroup();
    // The list in memory stays as it is: the menu keeps it for this run.
    SaveProfile(settings);
}

void RecentFileList::Add(const std::wstring& path)
{
    if (path.empty()) return;
    Remove(path);
    entries_.insert(entries_.begin(), path);
    if (entries_.size() > static_cast<size_t>(kSize)) entries_.resize(kSize);
}

void RecentFileList::Remove(const std::wstring& path)
{
    entries_.erase(std::remove(entries_.begin(), entries_.end(), path), entries_.end());
}

} // namespace velmor
