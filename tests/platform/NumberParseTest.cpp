#include "platform/NumberParse.h"

#include <cfloat>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

using namespace velmor;

TEST(Locale, CommaLocaleIsActiveWhenRequested)
{
    // The ctest run with a German locale must really have one, or it proves nothing.
    if (std::getenv("VELMOR_EXPECT_COMMA_LOCALE") == nullptr) GTEST_SKIP() << "run without a locale request";
    EXPECT_STREQ(std::localeconv()->decimal_point, ",");
}

TEST(NumberParse, DoublesReadTheLongestPrefix)
{
    EXPECT_DOUBLE_EQ(ParseLeadingDouble(L"2.5mm"), 2.5);
    EXPECT_DOUBLE_EQ(ParseLeadingDouble(L"  \t-1.25e2x"), -125.0);
    EXPECT_DOUBLE_EQ(ParseLeadingDouble(L"+.5"), 0.5);
    EXPECT_DOUBLE_EQ(ParseLeadingDouble(L"3."), 3.0);
    EXPECT_DOUBLE_EQ(ParseLeadingDouble(L"1e"), 1.0);
    EXPECT_DOUBLE_EQ(ParseLeadingDouble(L"1,5"), 1.0);   // a comma is never a decimal point
    EXPECT_DOUBLE_EQ(ParseLeadingDouble("7.75;"), 7.75);
}

TEST(NumberParse, NoNumberGivesZero)
{
    for (const wchar_t* text : {L"", L"abc", L"-", L"+", L".", L"--5", L"+-5", L". 5"})
        EXPECT_EQ(ParseLeadingDouble(text), 0.0) << text;
    EXPECT_EQ(ParseLeadingInt32(L"x1"), 0);
    EXPECT_EQ(ParseLeadingInt64(L""), 0);
}

TEST(NumberParse, NoInfNanOrHex)
{
    EXPECT_EQ(ParseLeadingDouble(L"inf"), 0.0);
    EXPECT_EQ(ParseLeadingDouble(L"nan"), 0.0);
    EXPECT_EQ(ParseLeadingDouble(L"0x1A"), 0.0);
    EXPECT_EQ(ParseLeadingInt32(L"0x1A"), 0);
    EXPECT_EQ(ParseLeadingDouble(L"1e999"), DBL_MAX);
    EXPECT_EQ(ParseLeadingDouble(L"-1e999"), -DBL_MAX);
    EXPECT_EQ(ParseLeadingDouble(L"1e-999"), 0.0);
}

TEST(NumberParse, IntegersSaturate)
{
    EXPECT_EQ(ParseLeadingInt32(L"2147483647"), INT32_MAX);
    EXPECT_EQ(ParseLeadingInt32(L"2147483648"), INT32_MAX);
    EXPECT_EQ(ParseLeadingInt32(L"-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseLeadingInt32(L"-99999999999999999999"), INT32_MIN);
    EXPECT_EQ(ParseLeadingInt64(L"9223372036854775807"), INT64_MAX);
    EXPECT_EQ(ParseLeadingInt64(L"-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(ParseLeadingInt64(L"123456789012345678901234"), INT64_MAX);
    EXPECT_EQ(ParseLeadingInt32(L" +42.9"), 42);
    EXPECT_EQ(ParseLeadingInt32("-7 "), -7);
}

TEST(NumberParse, ParseDoubleAtReportsTheEnd)
{
    const char text[] = " 12.5, 3";
    const char* end = nullptr;
    EXPECT_DOUBLE_EQ(ParseDoubleAt(text, text + std::strlen(text), &end), 12.5);
    EXPECT_EQ(end, text + 5);
    const char none[] = "abc";
    EXPECT_EQ(ParseDoubleAt(none, none + 3, &end), 0.0);
    EXPECT_EQ(end, none);
}

TEST(NumberParse, NarrowToFloatStaysFinite)
{
    EXPECT_EQ(NarrowToFloat(1e300), FLT_MAX);
    EXPECT_EQ(NarrowToFloat(-1e300), -FLT_MAX);
    EXPECT_EQ(NarrowToFloat(0.5), 0.5f);
}
