#include "readers/VolumeFileReader.h"
#include "support/ContainerWriter.h"
#include "support/TempDir.h"
#include "support/VolumeWriter.h"

#include <gtest/gtest.h>

using namespace velmor;
using namespace velmor::test;

namespace {

struct Loaded {
    bool ok = false;
    std::vector<uint8_t> data;
};

Loaded Load(VolumeFileKind kind, const VolumeLayout& layout, ByteSource& source, const VolumeReadRun& run = {})
{
    Loaded r;
    r.data.assign(static_cast<size_t>(layout.KeptX() * layout.KeptY() * layout.KeptZ()) * layout.SampleBytes(), 0);
    std::vector<uint8_t> work(layout.SliceBytes() + 1, 0xAB);   // stale bytes must not leak into a kxd slice
    r.ok = kind == VolumeFileKind::Raw ? ReadRawVolume(layout, source, r.data.data(), work.data(), run)
                                       : ReadKxdVolume(layout, source, r.data.data(), work.data(), run);
    return r;
}

std::vector<uint64_t> PlainCounts(const std::vector<uint8_t>& data, int bytes)
{
    std::vector<uint64_t> counts(bytes == 1 ? 256 : 65536, 0);
    for (size_t i = 0; i < data.size(); i += static_cast<size_t>(bytes))
        ++counts[bytes == 1 ? data[i] : data[i] | data[i + 1] << 8];
    return counts;
}

VolumeLayout LayoutOf(const TestVolume& v, int n) { return {v.x, v.y, v.z, n, v.bytes, 1}; }

} // namespace

TEST(VolumeFileReader, KeywordsIgnoreCase)
{
    EXPECT_EQ(VolumeFileKindOf(L"RAW"), VolumeFileKind::Raw);
    EXPECT_EQ(VolumeFileKindOf(L"Kxd"), VolumeFileKind::Kxd);
    EXPECT_EQ(VolumeFileKindOf(L"tif"), VolumeFileKind::Other);
}

TEST(VolumeFileReader, RawRowsAreReversedPerSlice)
{
    TempDir dir;
    dir.Write("v.raw", std::string("\x01\x02\x03\x04", 4));
    ByteSource source;
    ASSERT_TRUE(source.OpenFile(dir.WidePath("v.raw")));
    const Loaded r = Load(VolumeFileKind::Raw, {2, 2, 1, 1, 1, 1}, source);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.data, (std::vector<uint8_t>{3, 4, 1, 2}));
}

// Both layouts, both sample widths, every reduction, from a file and from a
// container block, against the reference placement.
TEST(VolumeFileReader, MatchesTheReferenceEverywhere)
{
    TempDir dir;
    for (int bytes : {1, 2}) {
        const TestVolume v = RandomVolume(13, 7, 5, bytes, static_cast<unsigned>(bytes));
        dir.Write("v.raw", RawBytes(v));
        dir.Write("v.kxd", KxdBytes(v));
        dir.Write("scene.vlm", MakeContainer(std::vector<std::string>{"<x/>", RawBytes(v), KxdBytes(v)}));
        for (int n : {1, 2, 4}) {
            const std::vector<uint8_t> expected = ReferenceLoad(v, n);
            const struct { VolumeFileKind kind; const char* file; const wchar_t* block; } sources[] = {
                {VolumeFileKind::Raw, "v.raw", L"this1"}, {VolumeFileKind::Kxd, "v.kxd", L"this2"}};
            for (const auto& s : sources) {
                ByteSource file, block;
                ASSERT_TRUE(file.Open(dir.WidePath("scene.vlm"), L"v", dir.WidePath(s.file)));
                ASSERT_TRUE(block.Open(dir.WidePath("scene.vlm"), s.block, dir.WidePath("unused")));
                for (ByteSource* src : {&file, &block}) {
                    const Loaded r = Load(s.kind, LayoutOf(v, n), *src);
                    ASSERT_TRUE(r.ok) << s.file << " n=" << n << " bytes=" << bytes;
                    EXPECT_EQ(r.data, expected) << s.file << " n=" << n << " bytes=" << bytes;
                }
                // Any number of threads, counting on the way: the same samples, and
                // the counts of every kept value, the zeros around the rows included.
                for (unsigned threads : {2u, 3u, 0u}) {
                    std::vector<uint64_t> counts(bytes == 1 ? 256 : 65536, 0);
                    ASSERT_TRUE(file.Open(dir.WidePath("scene.vlm"), L"v", dir.WidePath(s.file)));
                    const Loaded r = Load(s.kind, LayoutOf(v, n), file, {threads, counts.data()});
                    ASSERT_TRUE(r.ok);
                    EXPECT_EQ(r.data, expected) << s.file << " n=" << n << " threads=" << threads;
                    EXPECT_EQ(counts, PlainCounts(expected, bytes)) << s.file << " n=" << n;
                }
            }
        }
    }
}

TEST(VolumeFileReader, RawChannelsAreInterleavedSamples)
{
    TempDir dir;
    // 2 x 2 x 1 RGB: rows (1 2 3 | 4 5 6) and (7 8 9 | 10 11 12).
    dir.Write("rgb.raw", std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c", 12));
    ByteSource source;
    ASSERT_TRUE(source.OpenFile(dir.WidePath("rgb.raw")));
    const Loaded r = Load(VolumeFileKind::Raw, {2, 2, 1, 1, 1, 3}, source);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.data, (std::vector<uint8_t>{7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6}));
}

TEST(VolumeFileReader, KxdSpecialRecords)
{
    TempDir dir;
    ByteSource source;
    // X = 4: row 0 7 9 0, then an all-zero row.
    dir.Write("a.kxd", std::string("\x01" "\x01\x00\x01\x00\x07\x09" "\x04\x00", 9));
    ASSERT_TRUE(source.OpenFile(dir.WidePath("a.kxd")));
    Loaded r = Load(VolumeFileKind::Kxd, {4, 2, 1, 1, 1, 1}, source);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.data, (std::vector<uint8_t>{0, 0, 0, 0, 0, 7, 9, 0}));

    dir.Write("flag0.kxd", std::string("\x00\xff\xff", 3));
    ASSERT_TRUE(source.OpenFile(dir.WidePath("flag0.kxd")));
    r = Load(VolumeFileKind::Kxd, {4, 2, 1, 1, 1, 1}, source);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.data, std::vector<uint8_t>(8, 0));
}

TEST(VolumeFileReader, DamagedVolumesFail)
{
    TempDir dir;
    const TestVolume v = RandomVolume(9, 6, 3, 2, 7);
    const std::string raw = RawBytes(v), kxd = KxdBytes(v);
    ByteSource source;
    dir.Write("short.raw", raw.substr(0, raw.size() - 18));   // one row short
    ASSERT_TRUE(source.OpenFile(dir.WidePath("short.raw")));
    EXPECT_FALSE(Load(VolumeFileKind::Raw, LayoutOf(v, 1), source).ok);

    for (size_t cut : {size_t{0}, size_t{3}, kxd.size() / 2, kxd.size() - 1}) {
        dir.Write("short.kxd", kxd.substr(0, cut));
        ASSERT_TRUE(source.OpenFile(dir.WidePath("short.kxd")));
        EXPECT_FALSE(Load(VolumeFileKind::Kxd, LayoutOf(v, 2), source).ok) << cut;
    }
    // lead 3 + trail 2 > X = 4
    dir.Write("bad.kxd", std::string("\x01\x03\x00\x02\x00", 5));
    ASSERT_TRUE(source.OpenFile(dir.WidePath("bad.kxd")));
    EXPECT_FALSE(Load(VolumeFileKind::Kxd, {4, 1, 1, 1, 1, 1}, source).ok);

    dir.Write("rgb.kxd", kxd);
    ASSERT_TRUE(source.OpenFile(dir.WidePath("rgb.kxd")));
    EXPECT_FALSE(Load(VolumeFileKind::Kxd, {9, 6, 3, 1, 2, 3}, source).ok);   // channels in kxd
    EXPECT_FALSE(source.OpenFile(dir.WidePath("missing.raw")));
    EXPECT_FALSE(source.OpenFile(dir.WidePath("")));
}
