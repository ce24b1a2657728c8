#include "platform/glyphs/FontLookup.h"

#include "platform/WideText.h"

#include <fontconfig/fontconfig.h>

#include <memory>
#include <utility>

namespace velmor {
namespace {

struct Alias {
    const wchar_t* face;
    const char* family;
};

// Proportional faces map to the proportional IPA families, the rest to the
// fixed-pitch ones; Mincho (serif) faces to Mincho.
constexpr Alias kAliases[] = {
    {L"ＭＳ ゴシック", "IPAGothic"},   {L"MS Gothic", "IPAGothic"},
    {L"ＭＳ Ｐゴシック", "IPAPGothic"}, {L"MS PGothic", "IPAPGothic"},
    {L"MS UI Gothic", "IPAPGothic"},   {L"ＭＳ 明朝", "IPAMincho"},
    {L"MS Mincho", "IPAMincho"},       {L"ＭＳ Ｐ明朝", "IPAPMincho"},
    {L"MS PMincho", "IPAPMincho"},     {L"メイリオ", "IPAPGothic"},
    {L"Meiryo", "IPAPGothic"},         {L"Meiryo UI", "IPAPGothic"},
    {L"游ゴシック", "IPAPGothic"},     {L"Yu Gothic", "IPAPGothic"},
    {L"游明朝", "IPAPMincho"},         {L"Yu Mincho", "IPAPMincho"},
    {L"ＭＳ ＵＩ ゴシック", "IPAPGothic"},
};

struct PatternDeleter {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;

} // namespace

std::string AliasFamily(std::wstring_view face)
{
    for (const Alias& alias : kAliases)
        if (face == alias.face)
            return alias.family;
    return {};
}

std::optional<FontFile> FindFontFile(std::wstring_view face, bool bold, bool italic)
{
    static const bool initialised = FcInit() == FcTrue;
    if (!initialised)
        return std::nullopt;
    std::string family = AliasFamily(face);
    if (family.empty())
        family = WideToUtf8(face);
    Pattern pattern(FcPatternCreate());
    if (!pattern)
        return std::nullopt;
    if (!family.empty())
        FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddString(pattern.get(), FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern.get(), FC_OUTLINE, FcTrue);
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    Pattern match(FcFontMatch(nullptr, pattern.get(), &result));
    if (!match)
        return std::nullopt;
    FcChar8* file = nullptr;
    if (FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch || file == nullptr)
        return std::nullopt;
    FontFile found{reinterpret_cast<const char*>(file), 0};
    int index = 0;
    if (FcPatternGetInteger(match.get(), FC_INDEX, 0, &index) == FcResultMatch)
        found.index = index;
    return found;
}

} // namespace velmor
