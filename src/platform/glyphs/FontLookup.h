#pragma once
// Finding an installed font file for a Windows face name. Scenes name the
// faces of the machines they were made on ("ＭＳ ゴシック"); an alias table
// maps them to Japanese families found here, and fontconfig picks the file,
// always asking for Japanese coverage since the text units use Shift-JIS
// fonts.
#include <optional>
#include <string>
#include <string_view>

namespace velmor {

// The installed family standing in for a Windows face; empty when the face
// is not in the table.
std::string AliasFamily(std::wstring_view face);

// The style a text asks for; a face that lacks it has it made up when drawn.
struct FontStyle {
    bool bold = false;
    bool italic = false;
};

struct FontFile {
    std::string path;
    int index = 0;   // face index inside a collection
};
// Nothing when fontconfig finds no font at all.
std::optional<FontFile> FindFontFile(std::wstring_view face, bool bold, bool italic);

} // namespace velmor
