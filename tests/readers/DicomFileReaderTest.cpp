#include "readers/DicomFileReader.h"
#include "support/DicomBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

using namespace velmor;
using namespace velmor::test;

namespace {

constexpr char kIllegal[] = "Illegal DICOM tag is found!\n";

struct Parsed {
    bool ok = false;
    DicomDataSet set;
    std::string out;   // what the reader printed
};

Parsed Parse(const std::string& bytes, bool littleEndian = true)
{
    Parsed p;
    std::vector<uint8_t> buffer(bytes.begin(), bytes.end());
    testing::internal::CaptureStdout();
    p.ok = ParseDicomBuffer(p.set, buffer.data(), buffer.size(), littleEndian);
    p.out = testing::internal::GetCapturedStdout();
    return p;
}

std::string ValueOf(const DicomDataSet& set, uint16_t g, uint16_t e)
{
    const auto found = set.Find(g, e);
    if (found == set.end() || !found->second.Value()) return "<none>";
    return std::string(reinterpret_cast<const char*>(found->second.Value()), found->second.Length());
}

std::string Le16(uint16_t v) { return Bytes16(v); }

} // namespace

TEST(DicomReader, DataStartWithAndWithoutPreamble)
{
    const std::string body = DicomBuilder().Explicit(0x0028, 0x0010, "US", Le16(4)).Bytes();
    Parsed plain = Parse(body);
    EXPECT_TRUE(plain.ok);
    EXPECT_EQ(plain.set.GetInt(0x0028, 0x0010, 0), 4);

    Parsed preamble = Parse(std::string(128, '\0') + "DICM" + body);
    EXPECT_TRUE(preamble.ok);
    EXPECT_EQ(preamble.set.GetInt(0x0028, 0x0010, 0), 4);

    // 128 bytes that do not end in "DICM" are read as elements and fail.
    EXPECT_FALSE(Parse(std::string(128, '\0') + "DICX" + body).ok);
    EXPECT_FALSE(Parse(std::string(128, '\0') + "DICM").ok);
    EXPECT_FALSE(Parse("\x28\0\x10\0", false).ok);

    // 131 bytes: no preamble test, elements from byte 0.
    std::string short131 = body + DicomBuilder().Explicit(0x0029, 0x0010, "LO", std::string(131 - 10 - 8, 'a')).Bytes();
    ASSERT_EQ(short131.size(), 131u);
    EXPECT_TRUE(Parse(short131).ok);
    // One stray byte after a complete element fails.
    EXPECT_FALSE(Parse(body + "x").ok);
}

TEST(DicomReader, MetaGroupDecidesByteOrder)
{
    DicomBuilder le;
    le.Preamble().Meta("1.2.840.10008.1.2.1").Implicit(0x0028, 0x0010, Le16(512)).Explicit(0x0028, 0x0011, "US", Le16(256));
    Parsed p = Parse(le.Bytes());
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.set.GetInt(0x0028, 0x0010, 0), 512);
    EXPECT_EQ(p.set.GetInt(0x0028, 0x0011, 0), 256);

    DicomBuilder be;
    be.Preamble().Meta("1.2.840.10008.1.2.2").LittleEndian(false)
        .Explicit(0x0028, 0x0010, "US", Bytes16(512, false))
        .Explicit(0x0028, 0x1052, "FL", std::string("\x3F\xC0\0\0", 4))   // file VR replaces DS
        .Explicit(0x7FE0, 0x0010, "OW", Bytes16(0x1234, false) + Bytes16(0xABCD, false));
    p = Parse(be.Bytes());
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.set.GetInt(0x0028, 0x0010, 0), 512);
    EXPECT_EQ(p.set.GetString(0x0028, 0x1052, ""), "1.500000");
    EXPECT_EQ(ValueOf(p.set, 0x7FE0, 0x0010), Le16(0x1234) + Le16(0xABCD));
    EXPECT_EQ(p.set.GetString(0x0002, 0x0010, ""), "1.2.840.10008.1.2.2");

    // Without (0002,0000) the whole file stays little endian.
    DicomBuilder noLength;
    noLength.Explicit(0x0002, 0x0010, "UI", std::string("1.2.840.10008.1.2.2\0", 20)).Explicit(0x0028, 0x0010, "US", Le16(3));
    p = Parse(noLength.Bytes());
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.set.GetInt(0x0028, 0x0010, 0), 3);
}

TEST(DicomReader, HeaderForms)
{
    // Implicit whose length's low bytes spell "UI": read as explicit.
    DicomBuilder ui;
    ui.Raw(Le16(0x0028) + Le16(0x0004) + "UI" + Le16(2) + "AB");
    Parsed p = Parse(ui.Bytes());
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.set.Find(0x0028, 0x0004)->second.vr, uint32_t(kVrUI));

    // A 16-bit length of 0xFFFF on a short-form VR fails.
    EXPECT_FALSE(Parse(DicomBuilder().ExplicitHeader(0x0028, 0x0010, "US", 0xFFFF).Raw("xxxxxxxx").Bytes()).ok);

    // Unknown tags: the short explicit value starts at offset 8.
    p = Parse(DicomBuilder().Explicit(0x0020, 0x0013, "IS", "12").Explicit(0x0020, 0x0011, "IS", "5 ").Bytes());
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.set.GetString(0x0020, 0x0013, "-1"), "12");
    EXPECT_EQ(p.set.GetString(0x0020, 0x0011, "0"), "5 ");
    EXPECT_EQ(p.set.Find(0x0020, 0x0013)->second.name, "UNKNOWN");

    // Newer VRs have the long header form.
    p = Parse(DicomBuilder().Explicit(0x0008, 0x0119, "UC", "long code").Explicit(0x0028, 0x0010, "US", Le16(2)).Bytes());
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(ValueOf(p.set, 0x0008, 0x0119), "long code");
    EXPECT_EQ(p.set.GetInt(0x0028, 0x0010, 0), 2);

    // Implicit (0009,0010) of length 0 is dropped; explicit LO is kept empty.
    p = Parse(DicomBuilder().ImplicitHeader(0x0009, 0x0010, 0).Bytes());
    EXPECT_TRUE(p.ok);
    EXPECT_FALSE(p.set.Has(0x0009, 0x0010));
    p = Parse(DicomBuilder().ExplicitHeader(0x0009, 0x0010, "LO", 0).Bytes());
    EXPECT_TRUE(p.ok);
    ASSERT_TRUE(p.set.Has(0x0009, 0x0010));
    EXPECT_EQ(p.set.Find(0x0009, 0x0010)->second.Length(), 0u);

    // Group-length elements of unknown groups.
    p = Parse(DicomBuilder().Implicit(0x0018, 0x0000, std::string(4, '\0')).Bytes());
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.set.Find(0x0018, 0x0000)->second.name, "Group 0024 Length");
    EXPECT_EQ(p.set.Find(0x0018, 0x0000)->second.vr, uint32_t(kVrUL));
}

TEST(DicomReader, SequencesAndEncapsulatedValues)
{
    DicomBuilder item;
    item.Explicit(0x0008, 0x0100, "SH", "CODE").Explicit(0x0008, 0x0102, "SH", "SR");
    DicomBuilder file;
    file.ExplicitHeader(0x0028, 0x3000, "SQ", 0xFFFFFFFF)
        .Item(item.Bytes())
        .ItemHeader(0xFFFFFFFF).Raw(item.Bytes()).ItemDelimiter()
        .SequenceDelimiter()
        .ExplicitHeader(0x7FE0, 0x0010, "OB", 0xFFFFFFFF)
        .Item("")
        .Item("JPEGDATA")
        .SequenceDelimiter()
        .Explicit(0xFFFC, 0xFFFC, "OB", "pd");
    Parsed p = Parse(file.Bytes());
    ASSERT_TRUE(p.ok);
    EXPECT_FALSE(p.set.Has(0x0008, 0x0100));   // nested elements are not kept
    const std::string pixels = ValueOf(p.set, 0x7FE0, 0x0010);
    EXPECT_EQ(pixels.size(), 8u + 8u + 8u + 8u);
    EXPECT_EQ(pixels.substr(pixels.size() - 8), std::string("\xFE\xFF\xDD\xE0\0\0\0\0", 8));
    EXPECT_EQ(ValueOf(p.set, 0xFFFC, 0xFFFC), "pd");

    // An unknown implicit sequence of undefined length is recognised as one.
    DicomBuilder implicit;
    implicit.ImplicitHeader(0x0040, 0x0275, 0xFFFFFFFF).Item(DicomBuilder().Implicit(0x0040, 0x0007, "A ").Bytes())
        .SequenceDelimiter().Implicit(0x0028, 0x0010, Le16(8));
    p = Parse(implicit.Bytes());
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.set.Find(0x0040, 0x0275)->second.vr, uint32_t(kVrSQ));
    EXPECT_EQ(p.set.GetInt(0x0028, 0x0010, 0), 8);

    // A big-endian data set spells its items and delimiters big-endian too.
    DicomBuilder be(false);
    be.ExplicitHeader(0x7FE0, 0x0010, "OB", 0xFFFFFFFF).Item("ab").SequenceDelimiter();
    p = Parse(be.Bytes(), false);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(ValueOf(p.set, 0x7FE0, 0x0010), std::string("\xFF\xFE\xE0\x00\0\0\0\x02" "ab" "\xFF\xFE\xE0\xDD\0\0\0\0", 18));
    EXPECT_FALSE(Parse(DicomBuilder().ExplicitHeader(0x7FE0, 0x0010, "OB", 0xFFFFFFFF).Item("ab").SequenceDelimiter().Bytes(), false).ok);
    // Undefined length on another VR fails.
    EXPECT_FALSE(Parse(DicomBuilder().ImplicitHeader(0x0028, 0x0010, 0xFFFFFFFF).SequenceDelimiter().Bytes()).ok);
}

TEST(DicomReader, IllegalLengthsAreReportedAndKept)
{
    Parsed p = Parse(DicomBuilder().Explicit(0x0028, 0x0010, "US", std::string("\1\0\2\0", 4)).Bytes());
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(p.out, kIllegal);
    EXPECT_EQ(ValueOf(p.set, 0x0028, 0x0010), std::string("\1\0\2\0", 4));

    // A rejected value is not converted even in big-endian data.
    p = Parse(DicomBuilder(false).Explicit(0x0028, 0x0010, "US", std::string("\1\0\2\0", 4)).Bytes(), false);
    EXPECT_EQ(ValueOf(p.set, 0x0028, 0x0010), std::string("\1\0\2\0", 4));
    // Any multiplicity has no limit.
    p = Parse(DicomBuilder().Explicit(0x0028, 0x0030, "DS", std::string(40, '1')).Bytes());
    EXPECT_EQ(p.out, kIllegal);
    p = Parse(DicomBuilder().Explicit(0x0028, 0x0009, "AT", std::string(40, '1')).Bytes());
    EXPECT_EQ(p.out, "");
}

TEST(DicomReader, DuplicateTagsKeepTheFirst)
{
    Parsed p = Parse(DicomBuilder().Explicit(0x0028, 0x0010, "US", Le16(1)).Explicit(0x0028, 0x0010, "US", Le16(2)).Bytes());
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(p.set.GetInt(0x0028, 0x0010, 0), 1);
}

TEST(DicomReader, HostileLengthsFailWithoutOverRead)
{
    const std::string cases[] = {
        DicomBuilder().ExplicitHeader(0x7FE0, 0x0010, "OW", 0xFFFFFFF0).Bytes(),
        DicomBuilder().ExplicitHeader(0x7FE0, 0x0010, "OW", 0x7FFFFFFF).Raw("ab").Bytes(),
        DicomBuilder().ImplicitHeader(0x0010, 0x0010, 0xFFFFFFF8).Raw("abcd").Bytes(),
        DicomBuilder().ExplicitHeader(0x0028, 0x3000, "SQ", 0xFFFFFFF0).Bytes(),
        DicomBuilder().ExplicitHeader(0x0028, 0x3000, "SQ", 0xFFFFFFFF).ItemHeader(0xFFFFFFF0).Bytes(),
        DicomBuilder().ExplicitHeader(0x7FE0, 0x0010, "OB", 0xFFFFFFFF).ItemHeader(0x80000000).Raw("abcd").Bytes(),
        DicomBuilder().ExplicitHeader(0x7FE0, 0x0010, "OB", 0xFFFFFFFF).ItemHeader(0x7FFFFFF0).Raw("abcd").Bytes(),
        DicomBuilder().ExplicitHeader(0x7FE0, 0x0010, "OB", 0xFFFFFFFF).Raw("notanitem").Bytes(),
        std::string("\xE0\x7F\x10\0OB\0\0", 8) + "\x10\0",   // long-form header cut after 10 bytes
        DicomBuilder().Explicit(0x0009, 0x1000, "UN", "").Raw(std::string("\x09\0\x01\x10UN\0\0\x05", 9)).Bytes(),
    };
    for (const std::string& bytes : cases) EXPECT_FALSE(Parse(bytes).ok) << testing::PrintToString(bytes);
}

TEST(DicomReader, DeepNestingFails)
{
    auto nested = [](int depth) {
        std::string inner;
        for (int i = 0; i < depth; ++i) {
            DicomBuilder level;
            level.ExplicitHeader(0x0028, 0x3000, "SQ", 0xFFFFFFFF).ItemHeader(0xFFFFFFFF).Raw(inner).ItemDelimiter().SequenceDelimiter();
            inner = level.Bytes();
        }
        return inner;
    };
    EXPECT_TRUE(Parse(nested(kMaxDicomSequenceDepth)).ok);
    EXPECT_FALSE(Parse(nested(kMaxDicomSequenceDepth + 1)).ok);
    EXPECT_FALSE(Parse(nested(5000)).ok);
}

TEST(DicomReader, EveryTruncationOfAValidFileFails)
{
    for (const bool explicitVr : {true, false}) {
        DicomSliceOptions options;
        options.explicitVr = explicitVr;
        options.transferSyntax = explicitVr ? "1.2.840.10008.1.2.1" : "1.2.840.10008.1.2";
        std::string file = MakeDicomSlice(options);
        file += DicomBuilder().ExplicitHeader(0xFFFC, 0xFFFC, "OB", 0xFFFFFFFF).Item("ab").SequenceDelimiter().Bytes();
        std::vector<uint8_t> whole(file.begin(), file.end());
        // Where top-level elements end, a shorter file is complete in itself.
        std::set<size_t> boundaries;
        DicomDataSet scratch;
        for (uint8_t* p = whole.data() + 132; p && p < whole.data() + whole.size();) {
            p = ReadDicomElement(scratch, p, whole.data() + whole.size(), true, true);
            ASSERT_NE(p, nullptr);
            boundaries.insert(size_t(p - whole.data()));
        }
        ASSERT_EQ(*boundaries.rbegin(), file.size());
        for (size_t n = 133; n < file.size(); ++n) {
            // Heap-allocated to its size so that ASan sees any over-read.
            std::vector<uint8_t> cut(file.begin(), file.begin() + ptrdiff_t(n));
            DicomDataSet set;
            EXPECT_EQ(ParseDicomBuffer(set, cut.data(), cut.size(), true), boundaries.count(n) == 1) << n;
        }
    }
}

TEST(DicomLoad, FilesAndTheirVerdict)
{
    TempDir dir;
    const auto slice = dir.Write("slice.dcm", MakeDicomSlice());
    DicomDataSet set;
    ASSERT_TRUE(LoadDicomFile(set, slice.string()));
    EXPECT_EQ(set.GetString(0x0020, 0x0013, "-1"), "7 ");
    EXPECT_EQ(set.GetString(0x0020, 0x0011, "0"), "3 ");
    EXPECT_EQ(set.GetInt(0x0028, 0x0103, 1), 1);

    EXPECT_FALSE(LoadDicomFile(set, (dir.Path() / "missing.dcm").string()));
    // Only unknown tags: parsed, but not taken as DICOM.
    const auto unknown = dir.Write("unknown.dcm", DicomBuilder().Explicit(0x0010, 0x0010, "PN", "A^B ").Bytes());
    EXPECT_FALSE(LoadDicomFile(set, unknown.string()));
    EXPECT_TRUE(set.Has(0x0010, 0x0010));
    // A group-length element of an unknown group is enough.
    const auto group = dir.Write("group.dcm", DicomBuilder().Implicit(0x0008, 0x0000, std::string(4, '\0')).Bytes());
    EXPECT_TRUE(LoadDicomFile(set, group.string()));
    EXPECT_FALSE(LoadDicomFile(set, dir.Write("empty.dcm", "").string()));
}

TEST(DicomLoad, LargeValuesKeepTheirNeighbours)
{
    TempDir dir;
    std::string pixels(300000, '\0');
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = char(i * 31 % 251);
    DicomBuilder file;
    file.Preamble().Meta("1.2.840.10008.1.2.1").Explicit(0x0028, 0x0010, "US", Le16(1))
        .Explicit(0x7FE0, 0x0010, "OW", pixels).Explicit(0xFFFC, 0xFFFC, "OB", "pad!");
    const auto path = dir.Write("large.dcm", file.Bytes());
    DicomDataSet set;
    ASSERT_TRUE(LoadDicomFile(set, path.string()));
    const DicomElement& value = set.Find(0x7FE0, 0x0010)->second;
    ASSERT_EQ(value.Length(), pixels.size());
    EXPECT_EQ(std::memcmp(value.Value(), pixels.data(), pixels.size()), 0);
    EXPECT_EQ(value.Value()[value.Length()], 0);
    EXPECT_EQ(ValueOf(set, 0xFFFC, 0xFFFC), "pad!");

    // Copies and resizes of such a value own their bytes.
    DicomDataSet copy(set);
    set.Clear();
    EXPECT_EQ(std::memcmp(copy.Find(0x7FE0, 0x0010)->second.Value(), pixels.data(), pixels.size()), 0);
    DicomElement& kept = copy.At(0x7FE0, 0x0010);
    kept.ResizeValue(kept.Length());
    EXPECT_EQ(kept.Value()[7], uint8_t(pixels[7]));
    kept.ResizeValue(10);
    EXPECT_EQ(kept.Value()[10], 0);
}
