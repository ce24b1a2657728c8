#include "platform/WideText.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

using namespace velmor;

TEST(WideText, Utf8RoundTripAndInvalidBytes)
{
    const std::wstring text = L"a\u00e9\u65e5\U0001F600";
    EXPECT_EQ(Utf8ToWide(WideToUtf8(text)), text);
    EXPECT_TRUE(IsValidUtf8(WideToUtf8(text)));
    EXPECT_EQ(Utf8ToWide("a\xff" "b"), L"a\uFFFD" L"b");
    EXPECT_FALSE(IsValidUtf8("\xc0\xaf"));          // overlong
    EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80"));      // surrogate
    EXPECT_FALSE(IsValidUtf8("\xe6\x97"));          // cut short
}

TEST(WideText, Utf16LEUsesSurrogatePairs)
{
    const std::string bytes = WideToUtf16LE(L"A\U0001F600");
    EXPECT_EQ(bytes, std::string("A\0\x3d\xd8\x00\xde", 6));
    EXPECT_EQ(Utf16LEToWide(bytes), L"A\U0001F600");
    EXPECT_EQ(Utf16LEToWide(std::string("\x3d\xd8" "A\0", 4)), L"\uFFFD" L"A");  // lone high surrogate
}

TEST(WideText, Cp932AndDataText)
{
    // "日本" in Shift_JIS/CP932, and the CP932-only wave dash mapping.
    EXPECT_EQ(Cp932ToWide("\x93\xfa\x96\x7b"), L"日本");
    EXPECT_EQ(DataTextToWide("\x93\xfa\x96\x7b"), L"日本");
    EXPECT_EQ(DataTextToWide("\xe6\x97\xa5"), L"日");   // valid UTF-8 wins
    EXPECT_EQ(Cp932ToWide("a\xa0" "b"), L"a\uFFFD" L"b");  // one bad byte costs one character
    EXPECT_EQ(Cp932ToWide("\xb1"), L"\uFF71");             // half-width katakana
}

TEST(WideText, ConvertCharsetRefusesUnknownAndInvalid)
{
    EXPECT_FALSE(ConvertCharset("abc", "NO-SUCH-CHARSET", "UTF-8").has_value());
    EXPECT_FALSE(ConvertCharset("\x93", "SHIFT_JIS", "UTF-8").has_value());
    EXPECT_EQ(ConvertCharset("\xc6\xfc", "EUC-JP", "UTF-8").value(), "\xe6\x97\xa5");
}

TEST(WideText, Utf16OrderPutsSupplementaryBeforePrivateUse)
{
    std::vector<std::wstring> names{L"\uFF21", L"\U00010000", L"a", L"B", L"10", L"9", L"\uE000"};
    std::sort(names.begin(), names.end(), [](auto& a, auto& b) { return Utf16Less(a, b); });
    EXPECT_EQ(names, (std::vector<std::wstring>{L"10", L"9", L"B", L"a", L"\U00010000", L"\uE000", L"\uFF21"}));
    EXPECT_EQ(CompareUtf16(L"ab", L"abc"), -1);
    EXPECT_EQ(CompareUtf16(L"ab", L"ab"), 0);
}

TEST(WideText, PathsAreUtf8)
{
    EXPECT_EQ(PathFromWide(L"/tmp/日本.vlm").native(), "/tmp/\xe6\x97\xa5\xe6\x9c\xac.vlm");
    EXPECT_EQ(WideFromPath(PathFromWide(L"/tmp/日本.vlm")), L"/tmp/日本.vlm");
}

// A Shift_JIS name ("テスト"), and every high byte, keep their bytes through
// the wide path and the hand-off's UTF-16, and show as the text they are.
TEST(WideText, PathBytesSurviveTheWidePath)
{
    const std::string sjis = "/d/\x83\x65\x83\x58\x83\x67.vlm";
    const std::wstring wide = WideFromPathBytes(sjis);
    EXPECT_EQ(PathFromWide(wide).native(), sjis);
    EXPECT_EQ(PathDisplayText(wide), L"/d/テスト.vlm");
    EXPECT_EQ(Utf16LEToWidePath(WideToUtf16LE(wide)), wide);
    std::string all = "日本/\xED\xB2\x80";   // a surrogate in UTF-8 is no text either
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(PathBytesFromWide(WideFromPathBytes(all + "\xE6\x97")), all + "\xE6\x97");
}
