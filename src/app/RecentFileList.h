#pragma once
// The recent-file list of the File menu: eight paths, the newest first,
// kept in the settings file under "Recent File List" as File1..File8.
#include <QSettings>
#include <string>
#include <vector>

namespace velmor {

class RecentFileList {
public:
    static constexpr int kSize = 8;

    void Load(QSettings& settings);
    void Save(QSettings& settings) const;
    // Puts the path first; an equal entry moves up rather than repeating.
    void Add(const std::wstring& path);
    void Remove(const std::wstring& path);
    const std::vector<std::wstring>& Entries() const { return entries_; }

private:
    std::vector<std::wstring> entries_;
};

} // namespace velmor
