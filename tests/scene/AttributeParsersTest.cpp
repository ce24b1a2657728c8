#include "scene/AttributeParsers.h"
#include "support/MessageRecorder.h"

#include <gtest/gtest.h>

using namespace velmor;
using velmor::test::MessageRecorder;

TEST(AttributeParsers, TrimAndSplit)
{
    EXPECT_EQ(TrimBlanks(L"   "), L"   ");     // nothing but blanks comes back unchanged
    EXPECT_EQ(TrimBlanks(L""), L"");
    EXPECT_EQ(TrimBlanks(L"\t x \r\n"), L"x");
    EXPECT_EQ(TrimBlanks(L" a b "), L"a b");

    std::vector<std::wstring> t{L"stale"};
    EXPECT_EQ(SplitTokens(L"a, b ,c", L",", t), 3u);
    EXPECT_EQ(t, (std::vector<std::wstring>{L"a", L"b", L"c"}));
    EXPECT_EQ(SplitTokens(L"", L",", t), 1u);
    EXPECT_EQ(t, (std::vector<std::wstring>{L""}));
    EXPECT_EQ(SplitTokens(L"1,,2", L",", t), 3u);
    EXPECT_EQ(t[1], L"");
    EXPECT_EQ(SplitTokens(L"1,2,", L",", t), 3u);
    EXPECT_EQ(t[2], L"");
}

TEST(AttributeParsers, OnOffKeepsTheDefaultForOtherWords)
{
    bool flag = true;
    for (const wchar_t* word : {L"On", L" on", L"true", L"", L"Off"}) {
        ParseOnOff(word, flag);
        EXPECT_TRUE(flag) << word;
    }
    ParseOnOff(L"OFF", flag);
    EXPECT_FALSE(flag);
    ParseOnOff(L"on", flag);
    EXPECT_TRUE(flag);
    ParseOnOff(L"off", flag);
    EXPECT_FALSE(flag);
    ParseOnOff(L"ON", flag);
    EXPECT_TRUE(flag);
}

TEST(AttributeParsers, ShortListsLeaveOutputsAlone)
{
    float a = 9, b = 9, c = 9;
    EXPECT_FALSE(ParseFloat3(L"1,2", a, b, c));
    EXPECT_EQ(a, 9);
    EXPECT_EQ(b, 9);
    EXPECT_EQ(c, 9);
    EXPECT_TRUE(ParseFloat3(L"1,2,3,4", a, b, c));
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
    EXPECT_EQ(c, 3);

    int64_t i1 = 5, i2 = 5, i3 = 5, i4 = 5;
    EXPECT_FALSE(ParseInt64x4(L"1,2,3", i1, i2, i3, i4));
    EXPECT_EQ(i1, 5);
    EXPECT_TRUE(ParseInt64x4(L"1, -2 ,30000000000,x", i1, i2, i3, i4));
    EXPECT_EQ(i3, 30000000000);
    EXPECT_EQ(i4, 0);
}

TEST(AttributeParsers, ValueConversions)
{
    float r = 0, g = 0, b = 0;
    EXPECT_TRUE(ParseColor3(L"255,128,0", r, g, b));
    EXPECT_FLOAT_EQ(r, 1.0f);
    EXPECT_FLOAT_EQ(g, 128 / 255.0f);
    EXPECT_FLOAT_EQ(b, 0.0f);

    uint8_t x = 0, y = 0, z = 0;
    EXPECT_TRUE(ParseByte3(L"300,-1,7", x, y, z));
    EXPECT_EQ(x, 44);
    EXPECT_EQ(y, 255);
    EXPECT_EQ(z, 7);

    int32_t i = 3;
    ParseInt1(L"", i);
    EXPECT_EQ(i, 0);
    float f = 3;
    ParseFloat1(L"abc", f);
    EXPECT_EQ(f, 0.0f);
    ParseFloat1(L"2.5mm", f);
    EXPECT_EQ(f, 2.5f);

    ParseFloatClamped(0, 1, L"7", f);
    EXPECT_EQ(f, 1.0f);
    ParseFloatClamped(0, 1, L"-3", f);
    EXPECT_EQ(f, 0.0f);
    ParseFloatClamped(2, 1, L"0", f);   // lower above upper: upper wins
    EXPECT_EQ(f, 1.0f);

    int32_t p = 0, q = 0;
    EXPECT_TRUE(ParseInt2(L"-4, 99999999999", p, q));
    EXPECT_EQ(p, -4);
    EXPECT_EQ(q, INT32_MAX);
    int64_t w = 1;
    ParseInt64x1(L"  -12 mm", w);
    EXPECT_EQ(w, -12);
}

TEST(AttributeParsers, DoubleListsReportShortTextsOnlyWhenAsked)
{
    MessageRecorder messages;
    double a = 1, b = 2;
    EXPECT_FALSE(ParseDouble2(L"5", a, b, true));
    EXPECT_EQ(messages.Messages(), std::vector<std::wstring>{L"SetDoubleParam error."});
    EXPECT_FALSE(ParseDouble2(L"5", a, b, false));
    EXPECT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);

    double c = 0, d = 0;
    EXPECT_TRUE(ParseDouble4(L"0.5,1e3,-2,7", a, b, c, d, true));
    EXPECT_EQ(b, 1000.0);
    EXPECT_EQ(d, 7.0);
    EXPECT_TRUE(ParseDouble1(L"", a, true));   // one token always exists
    EXPECT_EQ(a, 0.0);
    EXPECT_EQ(messages.Messages().size(), 1u);
}

TEST(AttributeParsers, EightBitTextConversions)
{
    EXPECT_EQ(ToWideString(nullptr), L"");
    EXPECT_EQ(ToWideString("\x93\xfa"), L"日");
    EXPECT_EQ(ToMultiByteString(nullptr), "");
    EXPECT_EQ(ToMultiByteString(L"日"), "\xe6\x97\xa5");
}
