#pragma once
// Texts the exports show.
namespace velmor {

inline constexpr const wchar_t* kCannotExportData = L"cannot export data";
// Memory that could not be had, and only that.
inline constexpr const wchar_t* kMemoryError = L"memory error";
// Any export file that could not be written completely.
inline constexpr const wchar_t* kFileWriteError = L"file write error";
// A magnification that is no factor above 0, or one that takes the meshes
// beyond the numbers a file can hold.
inline constexpr const wchar_t* kInvalidValue = L"invalid value.";

} // namespace velmor
