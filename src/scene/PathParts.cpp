#include "scene/PathParts.h"

#include "platform/FilePaths.h"
#include "platform/WideText.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <system_error>

namespace velmor {

const wchar_t* const kBrowseFolderTitle = L"保存先フォルダを選択してください";

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::mutex gChooserMutex;
FolderChooser gChooser;

} // namespace

PathPieces SplitPath(const std::wstring& path)
{
    PathPieces p;
    size_t start = 0;
    if (path.size() >= 2 && path[1] == L':') {
        p.drive = path.substr(0, 2);
        start = 2;
    }
    size_t nameStart = start;
    for (size_t i = path.size(); i > start; --i) {
        if (IsSeparator(path[i - 1])) { nameStart = i; break; }
    }
    p.directory = path.substr(start, nameStart - start);
    const std::wstring file = path.substr(nameStart);
    const auto dot = file.rfind(L'.');
    if (dot == std::wstring::npos) {
        p.name = file;
    } else {
        p.name = file.substr(0, dot);
        p.extension = file.substr(dot);
    }
    return p;
}

std::wstring GetFolderPart(const std::wstring& path)
{
    const PathPieces p = SplitPath(path);
    return p.drive + p.directory;
}

std::wstring GetFileNamePart(const std::wstring& path) { return SplitPath(path).name; }
std::wstring GetExtensionPart(const std::wstring& path) { return SplitPath(path).extension; }

std::wstring ReplaceExtension(const std::wstring& path, const std::wstring& extension)
{
    const PathPieces p = SplitPath(path);
    std::wstring out = p.drive + p.directory + p.name;
    if (!extension.empty() && extension[0] != L'.') out += L'.';
    return out + extension;
}

void ListFolderFiles(const std::wstring& path, std::vector<std::wstring>& names)
{
    const std::wstring folder = GetFolderPart(path);
    const std::wstring extension = GetExtensionPart(path);
    std::wstring prefix = folder;
    if (!prefix.empty() && !IsSeparator(prefix.back())) prefix += L'/';

    std::error_code ec;
    const std::filesystem::path native = folder.empty() ? std::filesystem::path(".") : ResolveScenePath(folder);
    for (std::filesystem::directory_iterator it(native, ec), end; !ec && it != end; it.increment(ec)) {
        // Callers read every listed entry as a file; a subfolder would only
        // fail their read.
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        const std::wstring entry = WideFromPath(it->path().filename());
        if (!extension.empty() &&
            (entry.size() < extension.size() || entry.compare(entry.size() - extension.size(), extension.size(), extension) != 0))
            continue;
        names.push_back(prefix + entry);
    }
    std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) { return Utf16Less(a, b); });
}

std::wstring BrowseForFolder(const std::wstring& initialFolder)
{
    FolderChooser chooser;
    {
        std::lock_guard lock(gChooserMutex);
        chooser = gChooser;
    }
    return chooser ? chooser(kBrowseFolderTitle, initialFolder) : std::wstring();
}

void SetFolderChooser(FolderChooser chooser)
{
    std::lock_guard lock(gChooserMutex);
    gChooser = std::move(chooser);
}

} // namespace velmor
