#include "scene/CVelmorDoc.h"
#include "scene/DataObject.h"
#include "platform/Memory.h"
#include "platform/WideText.h"
#include "support/RecordingUnit.h"
#include "units/CKxDrawUnit.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

using namespace velmor;
using velmor::test::RecordingUnit;

namespace {

std::unique_ptr<DataObject> Described(const wchar_t* type, const wchar_t* format, uint64_t x, uint64_t y = 1, uint64_t z = 1)
{
    auto d = std::make_unique<DataObject>(L"d");
    d->type = type;
    d->format = format;
    d->countX = d->elementCount = x;
    d->countY = y;
    d->countZ = z;
    return d;
}

struct MemoryStatusGuard {
    ~MemoryStatusGuard() { SetMemoryStatusSource(nullptr); }
};

} // namespace

TEST(DataObject, StartsDescribedAndEmpty)
{
    auto d = std::make_unique<DataObject>(L"name");
    EXPECT_EQ(d->name, L"name");
    EXPECT_EQ(d->reductionStep, 1);
    EXPECT_EQ(d->samples, nullptr);
    EXPECT_FALSE(d->textRecords);
    EXPECT_FLOAT_EQ(d->voxelPitch.pitch[1], 1.0f);
    EXPECT_EQ(d->voxelPitch.unit, L"mm");
    EXPECT_EQ(d->coordinateScale.unit, L"mm");
    EXPECT_EQ(d->result, -1);
}

TEST(DataObject, ComponentsAndWidthsFromTypeAndFormat)
{
    struct Case {
        const wchar_t* type;
        const wchar_t* format;
        uint64_t bytes;   // for 10 elements (STL: 10 facets)
    };
    for (const Case c : {Case{L"volume", L"GRAY16", 20}, Case{L"image", L"RGB", 30}, Case{L"array_xy", L"RGBA", 20},
                         Case{L"array_xyzt", L"float", 160}, Case{L"STL", L"float", 360},
                         Case{L"array_index", L"uint", 40}, Case{L"array_color", L"RGBA16", 80},
                         Case{L"array_number", L"ubyte", 10}}) {
        auto d = Described(c.type, c.format, 10);
        ASSERT_TRUE(d->AllocDataBuffer()) << c.type;
        EXPECT_EQ(d->payloadBytes, c.bytes) << c.type << " " << c.format;
        EXPECT_EQ(d->samples[c.bytes - 1], 0);
    }
    auto volume = Described(L"volume", L"GRAY16", 2, 2, 2);
    ASSERT_TRUE(volume->AllocDataBuffer());
    EXPECT_TRUE(volume->histogram256 && volume->histogram65536);
    auto gray = Described(L"volume", L"GRAY", 2, 2, 2);
    ASSERT_TRUE(gray->AllocDataBuffer());
    EXPECT_TRUE(gray->histogram256 && !gray->histogram65536);
    auto grid = Described(L"gridXYZ", L"float", 2, 2, 2);
    ASSERT_TRUE(grid->AllocDataBuffer());
    EXPECT_FALSE(grid->histogram256);
    EXPECT_EQ(grid->payloadBytes, 32u);
}

TEST(DataObject, AllocationsThatFail)
{
    auto unknown = Described(L"thing", L"float", 10);
    EXPECT_FALSE(unknown->AllocDataBuffer());
    EXPECT_EQ(unknown->samples, nullptr);
    auto empty = Described(L"volume", L"GRAY", 0, 4, 4);
    EXPECT_FALSE(empty->AllocDataBuffer());
    EXPECT_FALSE(empty->histogram256);   // freed again with the failure
    auto noWidth = Described(L"array_number", L"weird", 10);
    EXPECT_FALSE(noWidth->AllocDataBuffer());
    // Products past 64 bits fail instead of wrapping to a small buffer.
    auto huge = Described(L"volume", L"RGB16", 1ull << 22, 1ull << 22, 1ull << 20);
    EXPECT_FALSE(huge->AllocDataBuffer());
    EXPECT_EQ(huge->samples, nullptr);
    auto wrapped = Described(L"STL", L"float", (UINT64_MAX / 3) + 1);
    EXPECT_FALSE(wrapped->AllocDataBuffer());
    auto manyTexts = Described(L"array_text", L"text", UINT64_MAX / 8);
    EXPECT_FALSE(manyTexts->AllocDataBuffer());
    EXPECT_FALSE(manyTexts->textRecords);

    MemoryStatusGuard restore;
    SetMemoryStatusSource([] { return MemoryStatus{1000, 10}; });
    auto shortOfMemory = Described(L"image", L"RGB", 100, 100);
    EXPECT_FALSE(shortOfMemory->AllocDataBuffer());
    EXPECT_FALSE(shortOfMemory->histogram256);
}

TEST(DataObject, TextRecordsAndFreeing)
{
    auto texts = Described(L"array_text", L"text", 3);
    ASSERT_TRUE(texts->AllocDataBuffer());
    texts->textRecords[2] = L"three";
    CKxDrawUnit unit(nullptr);
    texts->users.insert(&unit);
    texts->FreeIfUnused();
    EXPECT_EQ(texts->textRecords[2], L"three");
    texts->ReleaseData(nullptr);   // never acquired: nothing changes
    EXPECT_EQ(texts->users.size(), 1u);
    texts->ReleaseData(&unit);
    EXPECT_TRUE(texts->users.empty());
    EXPECT_TRUE(texts->textRecords);   // releasing frees nothing by itself
    texts->FreeIfUnused();
    EXPECT_FALSE(texts->textRecords);
    EXPECT_EQ(texts->elementCount, 3u);
}

TEST(DataObject, SignedRange)
{
    auto d = std::make_unique<DataObject>(L"v");
    d->minValue = 32000;
    d->maxValue = 33768;
    EXPECT_FLOAT_EQ(d->GetMaxValue(), 33768.0f);
    d->isSigned = true;
    EXPECT_FLOAT_EQ(d->GetMaxValue(), 1000.0f);
    EXPECT_FLOAT_EQ(d->GetMinValue(), -768.0f);
}

TEST(DataObject, BoundsWithNaNRule)
{
    auto d = Described(L"array_xyzt", L"float", 3);
    ASSERT_TRUE(d->AllocDataBuffer());
    const float nan = std::nanf("");
    const float values[12] = {1, -2, 3, 10, nan, 5, -1, 20, 4, 0, nan, 15};
    std::memcpy(d->samples, values, sizeof values);
    d->ComputeBounds4(3);
    // A NaN takes the place of the running value, and the next value takes its.
    EXPECT_DOUBLE_EQ(d->boundsMax[0], 4);
    EXPECT_DOUBLE_EQ(d->boundsMin[0], 4);
    EXPECT_DOUBLE_EQ(d->boundsMax[1], 5);
    EXPECT_DOUBLE_EQ(d->boundsMin[1], -2);
    EXPECT_TRUE(std::isnan(d->boundsMax[2]) && std::isnan(d->boundsMin[2]));   // a NaN last stays
    EXPECT_DOUBLE_EQ(d->boundsMaxT, 20);
    EXPECT_DOUBLE_EQ(d->boundsMinT, 10);

    d->boundsMaxT = 99;
    d->ComputeBounds3(0);
    EXPECT_DOUBLE_EQ(d->boundsMax[2], -FLT_MAX);
    EXPECT_DOUBLE_EQ(d->boundsMin[0], FLT_MAX);
    EXPECT_DOUBLE_EQ(d->boundsMaxT, 99);
    d->ComputeBounds1(1000);   // more records than the payload holds: only what is there
    EXPECT_DOUBLE_EQ(d->boundsMax[0], 15);
    EXPECT_DOUBLE_EQ(d->boundsMin[0], 15);
    EXPECT_DOUBLE_EQ(d->boundsMax[1], -FLT_MAX);
}

namespace {

// A document whose groups hold two units with one GPU buffer each; every
// buffer freed gives 100 of video memory.
class MemoryPressureTest : public ::testing::Test {
protected:
    MemoryPressureTest()
    {
        doc.OnNewDocument();
        for (const wchar_t* name : {L"a", L"b", L"c"}) {
            auto& group = *doc.drawGroups.emplace(name, std::make_unique<DrawGroup>(name)).first->second;
            for (int i = 1; i <= 2; ++i) {
                auto* unit = new RecordingUnit(&group, log, WideToUtf8(name) + std::to_string(i));
                unit->glBuffers = 1;
                group.units.push_back(unit);
                units.push_back(unit);
            }
        }
        doc.drawGroups.at(L"c")->loaded = true;
    }
    ~MemoryPressureTest() override
    {
        SetVideoMemoryQuery(nullptr);
        SetMemoryStatusSource(nullptr);
    }
    int Freed() const
    {
        int n = 0;
        for (const RecordingUnit* unit : units) n += 1 - unit->glBuffers;
        return n;
    }
    int FreedIn(const std::wstring& group) const
    {
        int n = 0;
        for (const CKxDrawUnit* unit : doc.drawGroups.at(group)->units) n += 1 - static_cast<const RecordingUnit*>(unit)->glBuffers;
        return n;
    }

    std::vector<std::string> log;
    CVelmorDoc doc;
    std::vector<RecordingUnit*> units;
};

} // namespace

TEST_F(MemoryPressureTest, UnknownVideoMemoryFreesUnloadedGroupsThenCountsAsEnough)
{
    EXPECT_EQ(QueryVideoMemory(), -1);
    EXPECT_TRUE(EnsureVideoMemory(1000));
    EXPECT_EQ(FreedIn(L"a"), 2);
    EXPECT_EQ(FreedIn(L"b"), 2);
    EXPECT_EQ(FreedIn(L"c"), 0);
}

TEST_F(MemoryPressureTest, KnownVideoMemory)
{
    SetVideoMemoryQuery([this] { return int64_t{100} * Freed(); });
    EXPECT_TRUE(EnsureVideoMemory(250));   // three units freed: 300 > 250
    // Unloaded groups in name order, one freed buffer per call.
    EXPECT_EQ(log, (std::vector<std::string>{"FreeGLBuffers a1", "FreeGLBuffers a1", "FreeGLBuffers a2",
                                             "FreeGLBuffers a1", "FreeGLBuffers a2", "FreeGLBuffers b1"}));
    EXPECT_FALSE(EnsureVideoMemory(1000));   // the fourth and then nothing left
    EXPECT_EQ(Freed(), 4);
    EXPECT_EQ(FreedIn(L"c"), 0);
    EXPECT_TRUE(EnsureVideoMemoryAll(450));   // loaded groups too
    EXPECT_EQ(FreedIn(L"c"), 1);
    EXPECT_FALSE(EnsureVideoMemoryAll(1000));
    EXPECT_EQ(FreedIn(L"c"), 2);
}

TEST_F(MemoryPressureTest, MainMemoryFreesWorkThenUnusedPayloads)
{
    auto& data = doc.dataObjects.emplace(L"v", std::make_unique<DataObject>(L"v")).first->second;
    data->type = L"array_number";
    data->format = L"float";
    data->elementCount = 4;
    ASSERT_TRUE(data->AllocDataBuffer());

    MemoryStatus status{1000000, 500000};
    SetMemoryStatusSource([&] { return status; });
    EXPECT_TRUE(CheckFreeMemory(0));
    EXPECT_TRUE(log.empty());
    EXPECT_NE(data->samples, nullptr);

    status.availableBytes = 0;
    log.clear();
    EXPECT_FALSE(CheckFreeMemory(200000));
    EXPECT_EQ(log, (std::vector<std::string>{"FreeWork a1", "FreeWork a2", "FreeWork b1", "FreeWork b2"}));
    EXPECT_EQ(data->samples, nullptr);
}
