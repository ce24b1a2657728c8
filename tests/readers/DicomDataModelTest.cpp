#include "readers/DicomByteOrder.h"
#include "readers/DicomDataSet.h"
#include "readers/DicomDictionary.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

using namespace velmor;

namespace {

template <typename T>
DicomElement Binary(uint32_t vr, T value)
{
    DicomElement e(MakeDicomTag(0x0009, 0x1000), vr, 1, "x", 1);
    e.SetValue(&value, sizeof value);
    return e;
}

DicomElement Text(uint32_t vr, const std::string& text)
{
    DicomElement e(MakeDicomTag(0x0009, 0x1000), vr, 1, "x", 1);
    e.SetValue(text.data(), uint32_t(text.size()));
    return e;
}

} // namespace

TEST(DicomVr, CodesAndIndices)
{
    EXPECT_EQ(VrIndexFromCode("OF"), 14u);
    EXPECT_EQ(VrCodeFromIndex(14), "OF");
    EXPECT_EQ(VrIndexFromCode("FL"), 8u);
    EXPECT_EQ(VrIndexFromCode("FD"), 9u);
    EXPECT_EQ(VrCodeFromIndex(0), "UNKNOWN");
    EXPECT_EQ(VrCodeFromIndex(28), "UNKNOWN");
    EXPECT_EQ(VrIndexFromCode("ae"), 0u);
    EXPECT_EQ(VrIndexFromCode(""), 0u);
    EXPECT_EQ(VrIndexFromCode("OBX"), 0u);
    for (uint32_t i = 1; i <= kDicomVrCount; ++i) EXPECT_EQ(VrIndexFromCode(VrCodeFromIndex(i)), i);
}

TEST(DicomDictionary, RowCountsPerGroup)
{
    std::map<uint16_t, int> counts;
    for (const auto& [tag, row] : DicomDictionary()) {
        EXPECT_EQ(tag, row.tag);
        EXPECT_FALSE(row.HasValue());
        ++counts[DicomTagGroup(tag)];
    }
    const std::map<uint16_t, int> expected = {{0x0002, 10}, {0x0028, 178}, {0x7FE0, 6}, {0xFFFA, 1}, {0xFFFC, 1}};
    EXPECT_EQ(counts, expected);
    EXPECT_EQ(DicomDictionary().size(), 196u);
}

TEST(DicomDictionary, LookupPrefersTheCallersVr)
{
    DicomElement ss = LookupDicomTag(0x0028, 0x0106, kVrSS);
    EXPECT_EQ(ss.vr, uint32_t(kVrSS));
    EXPECT_EQ(ss.name, "Smallest Image Pixel Value");
    EXPECT_EQ(LookupDicomTag(0x0028, 0x0106, kVrOB).vr, uint32_t(kVrUS));
    EXPECT_EQ(LookupDicomTag(0x7FE0, 0x0010, 0).vr, uint32_t(kVrOW));
    EXPECT_EQ(LookupDicomTag(0x7FE0, 0x0010, kVrOB).vr, uint32_t(kVrOB));
    EXPECT_EQ(LookupDicomTag(0x0028, 0x1200, kVrUnknown).vr, uint32_t(kVrUS));
    EXPECT_EQ(LookupDicomTag(0x0028, 0x1200, kVrOW).vr, uint32_t(kVrOW));

    DicomElement none = LookupDicomTag(0x0008, 0x0020, kVrDA);
    EXPECT_EQ(none.tag, kNoDicomTag);
    EXPECT_EQ(none.vr, 0u);
    EXPECT_EQ(none.multiplicity, 1u);
    EXPECT_EQ(none.name, "no tag exists.");

    EXPECT_EQ(LookupDicomTagFirst(0x0028, 0x0009).multiplicity, kAnyMultiplicity);
    EXPECT_EQ(LookupDicomTagFirst(0x0028, 0x9520).multiplicity, 16u);
    EXPECT_EQ(LookupDicomTagFirst(0x0028, 0x1100).name, "Gray Lookup Table Descriptor ");
    EXPECT_EQ(LookupDicomTagFirst(0x0028, 0x6020).name, "Frame Numbers of Interest (FOI) ");
    EXPECT_EQ(LookupDicomTagFirst(0xFFFC, 0xFFFC).name, "Data Set Trailing Padding");
}

TEST(DicomElement, ValueBufferRules)
{
    DicomElement e;
    EXPECT_EQ(e.tag, kNoDicomTag);
    EXPECT_EQ(e.include, 1);
    EXPECT_EQ(e.Value(), nullptr);
    e.SetValue("abcd", 4);
    e.ResizeValue(4);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(e.Value())), "abcd");
    e.ResizeValue(6);
    ASSERT_EQ(e.Length(), 6u);
    EXPECT_EQ(e.Value()[6], 0);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(e.Value()[i], 0);   // fresh bytes are zero, never garbage
    e.ResizeValue(0);
    EXPECT_EQ(e.Value(), nullptr);

    DicomElement built(0x0028, 0x0010, "\x02\x00", 2);
    EXPECT_EQ(built.tag, MakeDicomTag(0x0028, 0x0010));
    EXPECT_EQ(built.vr, uint32_t(kVrUS));
    EXPECT_EQ(built.name, "Rows");
    DicomElement unknown(0x0010, 0x0010, "A", 1);
    EXPECT_EQ(unknown.tag, kNoDicomTag);
    EXPECT_EQ(unknown.name, "no tag exists.");

    DicomElement copy = built;
    copy.Value()[0] = 9;
    EXPECT_EQ(built.Value()[0], 2);
    DicomElement& alias = copy;
    copy = alias;
    EXPECT_EQ(copy.Value()[0], 9);
}

TEST(DicomElement, ValueText)
{
    EXPECT_EQ(DicomValueText(Binary<uint16_t>(kVrUS, 0xFFFF)), "65535");
    EXPECT_EQ(DicomValueText(Binary<uint16_t>(kVrSS, 0xFFFF)), "-1");
    EXPECT_EQ(DicomValueText(Binary<uint32_t>(kVrUL, 0xFFFFFFFF)), "-1");
    EXPECT_EQ(DicomValueText(Binary<uint32_t>(kVrUL, 0x80000000u)), "-2147483648");
    EXPECT_EQ(DicomValueText(Binary<float>(kVrFL, 1.5f)), "1.500000");
    EXPECT_EQ(DicomValueText(Binary<double>(kVrFD, -0.25)), "-0.250000");
    const std::string huge = DicomValueText(Binary<double>(kVrFD, 1e300));
    EXPECT_EQ(huge.size(), 301u + 7u);
    EXPECT_EQ(huge.substr(0, 4), "1000");
    EXPECT_EQ(DicomValueText(Binary<uint32_t>(kVrOW, 1)), "...");
    EXPECT_EQ(DicomValueText(Binary<uint32_t>(kVrSQ, 1)), "...");
    EXPECT_EQ(DicomValueText(Text(kVrUI, std::string("1.2\0junk", 8))), "1.2");
    EXPECT_EQ(DicomValueText(Text(kVrUnknown, "12 ")), "12 ");
    EXPECT_EQ(DicomValueText(Text(kVrUS, "A")), "...");   // shorter than one value
    EXPECT_EQ(DicomValueText(DicomElement()), "empty");
}

TEST(DicomElement, NumbersFromValues)
{
    EXPECT_EQ(Binary<uint16_t>(kVrUS, 1).AsInt(), 1);
    EXPECT_EQ(Binary<int32_t>(kVrSL, -70000).AsInt(), -70000);
    EXPECT_EQ(Text(kVrDS, "12.7").AsInt(), 12);
    EXPECT_EQ(Text(kVrIS, " \t\n-42x").AsInt(), -42);
    EXPECT_EQ(Text(kVrOB, "123").AsInt(), 0);
    EXPECT_EQ(Binary<uint32_t>(kVrUL, 3000000000u).AsUInt(), 3000000000u);
    EXPECT_EQ(DicomElement().AsInt(), 0);
}

TEST(DicomDataSet, AccessorsAndDefaults)
{
    DicomDataSet set;
    DicomElement first = Text(kVrLO, "first");
    DicomElement second = Text(kVrLO, "second");
    EXPECT_TRUE(set.Insert(first).second);
    EXPECT_FALSE(set.Insert(second).second);
    EXPECT_EQ(set.GetString(0x0009, 0x1000, "-"), "first");
    EXPECT_EQ(set.GetString(0x0020, 0x0013, "-1"), "-1");
    EXPECT_EQ(set.GetInt(0x0028, 0x0103, 1), 1);
    EXPECT_EQ(set.GetUInt(0x0028, 0x0103, 5), 5u);

    DicomElement empty(MakeDicomTag(0x0009, 0x1002), kVrLO, 1, "e", 1);
    set.Insert(empty);
    EXPECT_EQ(set.GetString(0x0009, 0x1002, "-"), "empty");
    DicomElement pixels(MakeDicomTag(0x7FE0, 0x0010), kVrOW, 1, "p", 1);
    pixels.SetValue("\1\2", 2);
    set.Insert(pixels);
    EXPECT_EQ(set.GetString(0x7FE0, 0x0010, "-"), "...");

    DicomElement& added = set.At(0x0010, 0x0020);
    EXPECT_EQ(added.tag, kNoDicomTag);
    EXPECT_TRUE(set.Has(0x0010, 0x0020));
    EXPECT_EQ(set.Erase(MakeDicomTag(0x0010, 0x0020)), 1u);
    EXPECT_EQ(set.Erase(MakeDicomTag(0x0010, 0x0020)), 0u);

    DicomDataSet copy(set);
    copy.At(0x0009, 0x1000).Value()[0] = 'F';
    EXPECT_EQ(set.GetString(0x0009, 0x1000, "-"), "first");
    uint32_t last = 0;
    for (const auto& [tag, e] : copy) {
        EXPECT_GT(tag, last);
        last = tag;
    }
}

TEST(DicomByteOrder, SwappedReadsAndWrites)
{
    const uint8_t be[8] = {0x12, 0x34, 0x56, 0x78, 0, 0, 0, 0};
    uint16_t s;
    uint32_t l;
    ReadSwappedValue(s, be, false);
    EXPECT_EQ(s, 0x1234);
    ReadSwappedValue(l, be, false);
    EXPECT_EQ(l, 0x12345678u);
    ReadSwappedValue(l, be, true);
    EXPECT_EQ(l, 0x78563412u);
    uint8_t out[8];
    SwapToFileOrder(out, 2.0, false);
    double d;
    ReadSwappedValue(d, out, false);
    EXPECT_EQ(d, 2.0);
    EXPECT_EQ(out[0], 0x40);
    EXPECT_EQ(WidenDicomLength(uint16_t(0xFFFF)), 0xFFFFFFFFu);
    EXPECT_EQ(WidenDicomLength(uint16_t(0xFFFE)), 0xFFFEu);
    EXPECT_EQ(WidenDicomLength(uint32_t(0xFFFF)), 0xFFFFu);
}
