#include "app/RecentFileList.h"

#include "app/Profile.h"

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
        const QString path = settings.value(Key(i)).toString();
        if (!path.isEmpty()) entries_.push_back(path.toStdWString());
    }
    settings.endGroup();
}

void RecentFileList::Save(QSettings& settings) const
{
    settings.beginGroup(kGroup);
    for (int i = 0; i < kSize; ++i) {
        if (i < static_cast<int>(entries_.size())) settings.setValue(Key(i), QString::fromStdWString(entries_[i]));
        else settings.remove(Key(i));
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
