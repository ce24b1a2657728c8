#pragma once
// Taking file paths apart. Paths written in scenes may use "\" or "/" and may
// start with a drive ("D:"), so the split is textual and the same everywhere.
#include <functional>
#include <string>
#include <vector>

namespace velmor {

struct PathPieces {
    std::wstring drive;      // "D:" or empty
    std::wstring directory;  // with its leading and trailing separators
    std::wstring name;       // file name without extension
    std::wstring extension;  // with its dot, or empty
};

PathPieces SplitPath(const std::wstring& path);
std::wstring GetFolderPart(const std::wstring& path);
std::wstring GetFileNamePart(const std::wstring& path);
std::wstring GetExtensionPart(const std::wstring& path);
std::wstring ReplaceExtension(const std::wstring& path, const std::wstring& extension);

// Appends the files of the path's folder (only those ending in the path's
// extension, when it has one) and sorts the whole list in UTF-16 order.
void ListFolderFiles(const std::wstring& path, std::vector<std::wstring>& names);

// Asks the user for a folder; empty when cancelled or when no chooser is
// installed (the program installs its dialog at start-up).
std::wstring BrowseForFolder(const std::wstring& initialFolder);
using FolderChooser = std::function<std::wstring(const std::wstring& title, const std::wstring& initialFolder)>;
void SetFolderChooser(FolderChooser chooser);
extern const wchar_t* const kBrowseFolderTitle;

} // namespace velmor
