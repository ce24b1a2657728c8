#include "scene/SceneTextEncoding.h"

#include "platform/WideText.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace velmor {
namespace {

std::string Lower(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// UTF-16 and UTF-32 texts, by their byte order mark or by how "<" is spread
// over the first bytes.
bool IsWideText(std::string_view t)
{
    static const std::string_view marks[] = {
        {"\xFF\xFE", 2}, {"\xFE\xFF", 2}, {"<\0", 2}, {"\0<", 2}, {"\0\0", 2},
    };
    return std::any_of(std::begin(marks), std::end(marks), [&](std::string_view m) { return StartsWith(t, m); });
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Windows writes Shift_JIS scenes in its own code page, where 0x5C is "\"
// (iconv's strict Shift_JIS would turn the path separators into yen signs).
const char* IconvName(const std::string& lower, const std::string& declared)
{
    static const char* const windows31j[] = {"shift_jis", "shift-jis", "sjis", "x-sjis", "ms_kanji", "csshiftjis",
                                              "windows-31j", "cp932", "ms932"};
    for (const char* name : windows31j)
        if (lower == name) return "CP932";
    return declared.c_str();
}

} // namespace

std::string DeclaredXmlEncoding(std::string_view text)
{
    if (StartsWith(text, "\xEF\xBB\xBF")) text.remove_prefix(3);
    if (!StartsWith(text, "<?xml")) return {};
    const size_t end = text.find("?>");
    std::string_view decl = text.substr(5, end == std::string_view::npos ? std::string_view::npos : end - 5);
    for (size_t at = decl.find("encoding"); at != std::string_view::npos; at = decl.find("encoding", at + 1)) {
        size_t p = at + 8;
        while (p < decl.size() && IsBlank(decl[p])) ++p;
        if (p >= decl.size() || decl[p] != '=') continue;
        ++p;
        while (p < decl.size() && IsBlank(decl[p])) ++p;
        if (p >= decl.size() || (decl[p] != '"' && decl[p] != '\'')) continue;
        const size_t close = decl.find(decl[p], p + 1);
        if (close == std::string_view::npos) return {};
        return std::string(decl.substr(p + 1, close - p - 1));
    }
    return {};
}

SceneTextForm PrepareSceneText(std::string_view text, std::string& converted)
{
    if (IsWideText(text)) return SceneTextForm::ParserReads;
    // The parser would stop at a zero byte and read a truncated scene as whole.
    if (!text.empty() && std::memchr(text.data(), 0, text.size()) != nullptr) return SceneTextForm::Refused;
    const std::string declared = DeclaredXmlEncoding(text);
    const std::string lower = Lower(declared);
    static const char* const utf8[] = {"", "utf-8", "utf8", "us-ascii", "ascii", "utf-16", "utf-32"};
    for (const char* name : utf8)
        if (lower == name) return SceneTextForm::Utf8;
    auto result = ConvertCharset(text, IconvName(lower, declared), "UTF-8");
    if (!result) return SceneTextForm::Refused;
    converted = std::move(*result);
    return SceneTextForm::Converted;
}

} // namespace velmor
