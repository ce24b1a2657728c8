#pragma once
// Scene texts may declare an encoding the XML parser does not read itself
// (Shift_JIS above all). Such texts are turned into UTF-8 first.
#include <optional>
#include <string>
#include <string_view>

namespace velmor {

// The value of encoding="..." in an XML declaration at the start of an
// 8-bit text; empty when there is none.
std::string DeclaredXmlEncoding(std::string_view text);

enum class SceneTextForm {
    Utf8,          // 8-bit text the parser reads as UTF-8
    ParserReads,   // UTF-16 or UTF-32: the parser finds its own way
    Converted,     // turned into UTF-8 into `converted`
    Refused,       // an encoding nothing here reads, bytes invalid in it, or a zero byte in 8-bit text
};

SceneTextForm PrepareSceneText(std::string_view text, std::string& converted);

} // namespace velmor
