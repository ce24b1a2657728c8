#pragma once
// Conversions between the program's wide strings and the byte encodings
// that reach it from files, the XML parser, paths and the settings file.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace velmor {

// Invalid sequences become U+FFFD; nothing is dropped silently.
std::wstring Utf8ToWide(std::string_view bytes);
std::string WideToUtf8(std::wstring_view text);
bool IsValidUtf8(std::string_view bytes);

// UTF-16LE as raw bytes, surrogate pairs for characters above U+FFFF.
std::string WideToUtf16LE(std::wstring_view text);
std::wstring Utf16LEToWide(std::string_view bytes);

// iconv between two named charsets; nullopt when iconv does not know one of
// them or the input holds a sequence that is invalid in the source charset.
std::optional<std::string> ConvertCharset(std::string_view bytes, const char* from, const char* to);

std::wstring Cp932ToWide(std::string_view bytes);
// 8-bit text from data files: UTF-8 when it is valid UTF-8, else CP932.
std::wstring DataTextToWide(std::string_view bytes);

// Three-way comparison in UTF-16 code-unit order (characters above U+FFFF
// sort before U+E000..U+FFFF, as their surrogates do).
int CompareUtf16(std::wstring_view a, std::wstring_view b);
inline bool Utf16Less(std::wstring_view a, std::wstring_view b) { return CompareUtf16(a, b) < 0; }

// File names are bytes, not always UTF-8 (a Shift_JIS name, say). In the
// program's wide paths each byte that is not part of valid UTF-8 stands as
// one character U+DC80..U+DCFF (a lone low surrogate, which no text holds),
// so that every name the system has goes back to the same bytes.
std::wstring WideFromPathBytes(std::string_view bytes);
std::string PathBytesFromWide(std::wstring_view path);
std::filesystem::path PathFromWide(std::wstring_view text);
// How a wide path reads to the user: its bytes as data text (UTF-8, else CP932).
std::wstring PathDisplayText(std::wstring_view path);
// A name listed from disk as text, for matching and showing (not reversible).
std::wstring WideFromPath(const std::filesystem::path& path);
// UTF-16LE of a wide path; unlike text, its byte characters survive.
std::wstring Utf16LEToWidePath(std::string_view bytes);

} // namespace velmor
