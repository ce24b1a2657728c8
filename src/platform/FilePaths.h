#pragma once
// Paths written in scenes come from another file system: "\" separators and
// letter case that may not match the files on disk.
#include <filesystem>
#include <string>

namespace velmor {

// Turns "\" into "/"; when the exact path does not exist, looks each
// component up case-insensitively and takes a unique match. Components that
// cannot be matched are kept as written.
std::filesystem::path ResolveScenePath(const std::wstring& path);

} // namespace velmor
