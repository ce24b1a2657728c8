#include "scene/PayloadParsers.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

using namespace velmor;

namespace {

template <typename T>
std::vector<T> Rows(std::string_view text, bool fromBlock, uint64_t rows, uint64_t perRow, const wchar_t* format)
{
    std::vector<T> out(rows * perRow, 0);
    ParseNumberRows(text, fromBlock, rows, perRow, NumberTextFormatOf(format), reinterpret_cast<uint8_t*>(out.data()));
    return out;
}

std::string BinaryStl(const std::vector<float>& vertices, const char* header = "binary")
{
    std::string s(80, ' ');
    std::memcpy(s.data(), header, std::strlen(header));
    const uint32_t count = static_cast<uint32_t>(vertices.size() / 9);
    s.append(reinterpret_cast<const char*>(&count), 4);
    for (uint32_t i = 0; i < count; ++i) {
        s.append(12, '\x7f');   // normal, ignored
        s.append(reinterpret_cast<const char*>(vertices.data() + i * 9), 36);
        s.append(2, '\0');
    }
    return s;
}

} // namespace

TEST(PayloadParsers, NumberTextSeparatorsAndLines)
{
    // Runs of spaces are one separator; a tab is not a separator.
    EXPECT_EQ(Rows<int32_t>("1   2    3\r\n1\t2 3\n", false, 2, 3, L"uint"), (std::vector<int32_t>{1, 2, 3, 1, 3, 0}));
    // From a file an empty line is a row of zeros; from a block it is skipped.
    EXPECT_EQ(Rows<uint8_t>("5\n\n7\n", false, 3, 1, L"byte"), (std::vector<uint8_t>{5, 0, 7}));
    EXPECT_EQ(Rows<uint8_t>("5\r\n\r\n7", true, 3, 1, L"GRAY"), (std::vector<uint8_t>{5, 7, 0}));
    // Low bits of integers; floats as single precision; extra lines ignored.
    EXPECT_EQ(Rows<uint16_t>("70000 -1\n9 9\n", false, 1, 2, L"GRAY16"), (std::vector<uint16_t>{4464, 65535}));
    EXPECT_EQ(Rows<uint32_t>("4000000000\n", false, 1, 1, L"uint"), (std::vector<uint32_t>{4000000000u}));
    EXPECT_EQ(Rows<float>(" -2.5e1 x 1.5mm\n", false, 1, 3, L"float"), (std::vector<float>{-25.0f, 0.0f, 1.5f}));
    EXPECT_EQ(Rows<uint8_t>("1 2 3\n", false, 1, 3, L"RGBA"), (std::vector<uint8_t>{0, 0, 0}));   // reads nothing
}

TEST(PayloadParsers, TextRecords)
{
    EXPECT_EQ(SplitTextRecords("a\r\n\r\nb", false, 4), (std::vector<std::wstring>{L"a", L"", L"b", L""}));
    EXPECT_EQ(SplitTextRecords("a\r\n\r\nb\n", true, 3), (std::vector<std::wstring>{L"a", L"b", L""}));
    EXPECT_EQ(SplitTextRecords("\x93\xfa\x96\x7b\nx", false, 1), (std::vector<std::wstring>{L"日本"}));
}

TEST(PayloadParsers, BinaryStl)
{
    std::vector<float> v(18);
    for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<float>(i) * 0.5f;
    const std::string file = BinaryStl(v, "solid looks like text");
    EXPECT_EQ(StlCountField(file), 2u);
    EXPECT_TRUE(IsBinaryStlLength(file.size(), 2));   // binary although it starts with "solid"
    EXPECT_FALSE(IsBinaryStlLength(file.size(), 3));
    // A count whose 32-bit product would wrap must not match a small file.
    EXPECT_FALSE(IsBinaryStlLength(84 + ((50ull * 0x80000000u) & 0xFFFFFFFFu), 0x80000000u));
    std::vector<float> out(18);
    ASSERT_TRUE(CopyBinaryStlFacets(file, 2, out.data()));
    EXPECT_EQ(out, v);
    EXPECT_FALSE(CopyBinaryStlFacets(file.substr(0, file.size() - 1), 2, out.data()));
    EXPECT_FALSE(CopyBinaryStlFacets("short", 0, out.data()));
}

TEST(PayloadParsers, TextStl)
{
    const std::string text =
        "solid cube\n"
        "  facet normal 0 0 1\r\n"
        "    outer loop\n"
        "      vertex   1.5  -2   3e1\n"
        "      vertex 4 5 6\n"
        "      vertex .5 -.25 7\n"
        "    endloop\n"
        "  endfacet\n"
        "  facet normal 9 9 9\n"
        "    outer loop\n"
        "      vertex 1 1 1\n"
        "      vertex 2 2 2\n"
        "      vertex 3 3 3\n"
        "    endloop\n"
        "  endfacet\n"
        "endsolid cube\n";
    EXPECT_EQ(CountTextStlFacets(text), 2u);
    std::vector<float> out(18, -1.0f);
    EXPECT_EQ(ParseTextStl(text, 2, out.data()), 2u);
    EXPECT_EQ(std::vector<float>(out.begin(), out.begin() + 9), (std::vector<float>{1.5f, -2, 30, 4, 5, 6, 0.5f, -0.25f, 7}));
    EXPECT_EQ(out[17], 3.0f);
    std::vector<float> one(9, 0.0f);
    EXPECT_EQ(ParseTextStl(text, 1, one.data()), 1u);   // never more than the buffer holds
}
