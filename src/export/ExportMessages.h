#pragma once
// Texts the exports show.
#include <filesystem>
#include <string>
#include <vector>

namespace velmor {

inline constexpr const wchar_t* kCannotExportData = L"cannot export data";
// Memory that could not be had, and only that.
inline constexpr const wchar_t* kMemoryError = L"memory error";
// Any export file that could not be written completely.
inline constexpr const wchar_t* kFileWriteError = L"file write error";
// The same, and where the old files that could not be put back under their
// names are kept (the first few of them), so that the user can recover them.
std::wstring FileWriteErrorText(const std::vector<std::filesystem::path>& keptCopies);
// A magnification that is no factor above 0, or one that takes the meshes
// beyond the numbers a file can hold.
inline constexpr const wchar_t* kInvalidValue = L"invalid value.";

} // namespace velmor
