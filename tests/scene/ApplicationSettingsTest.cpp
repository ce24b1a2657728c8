#include "scene/ApplicationSettings.h"

#include <gtest/gtest.h>
#include <map>

using namespace velmor;

namespace {

ProfileLookup LookupIn(const std::map<std::wstring, std::wstring>& values)
{
    return [values](const std::wstring& key) -> std::optional<std::wstring> {
        const auto it = values.find(key);
        if (it == values.end()) return std::nullopt;
        return it->second;
    };
}

std::map<std::wstring, std::wstring> AsMap(const ProfileEntries& entries) { return {entries.begin(), entries.end()}; }

} // namespace

TEST(ApplicationSettings, LoaderAndDialogShareTheirDefaults)
{
    const ApplicationSettings s = ReadApplicationSettings(LookupIn({}), true);
    EXPECT_TRUE(s.useHalf);
    EXPECT_TRUE(s.useQuarter);
    EXPECT_EQ(s.halfSizeMB, 512);
    EXPECT_EQ(s.quarterSizeMB, 4096);
    EXPECT_TRUE(s.useVBO);

    const ApplicationPreferenceForm f = ReadPreferenceForm(LookupIn({}));
    EXPECT_TRUE(f.half);
    EXPECT_TRUE(f.quarter);
    EXPECT_EQ(f.halfSize, L"512");
    EXPECT_EQ(f.quarterSize, L"4096");
    EXPECT_FALSE(f.noVbo);
}

TEST(ApplicationSettings, StoredTextsAreReadLikeTheOldProfile)
{
    const ApplicationSettings s = ReadApplicationSettings(LookupIn({{kVoxHalfUse, L"0"},
                                                                    {kVoxQuarterUse, L"yes"},
                                                                    {kVoxHalfSize, L" 300MB"},
                                                                    {kVoxQuarterSize, L"lots"},
                                                                    {kNoVbo, L"2"}}),
                                                          true);
    EXPECT_FALSE(s.useHalf);
    EXPECT_FALSE(s.useQuarter);         // only "1" switches it on
    EXPECT_EQ(s.halfSizeMB, 300);       // leading digits
    EXPECT_EQ(s.quarterSizeMB, 0);      // none at all
    EXPECT_FALSE(s.useVBO);             // only "0" allows buffers

    const ApplicationSettings huge = ReadApplicationSettings(LookupIn({{kVoxHalfSize, L"99999999999"}}), false);
    EXPECT_EQ(huge.halfSizeMB, 2147483647);
}

TEST(ApplicationSettings, BuffersNeedBothTheContextAndTheProfile)
{
    EXPECT_TRUE(ReadApplicationSettings(LookupIn({{kNoVbo, L"0"}}), true).useVBO);
    EXPECT_FALSE(ReadApplicationSettings(LookupIn({{kNoVbo, L"1"}}), true).useVBO);
    EXPECT_FALSE(ReadApplicationSettings(LookupIn({{kNoVbo, L"0"}}), false).useVBO);
    EXPECT_FALSE(ReadApplicationSettings(LookupIn({}), false).useVBO);
}

TEST(ApplicationSettings, HalfThresholdNeverExceedsTheQuarterThreshold)
{
    ApplicationPreferenceForm f;
    f.half = false;
    f.halfSize = L"2000";
    f.quarterSize = L"1000";
    f.noVbo = true;
    const ProfileEntries entries = PreferenceFormEntries(f);
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].first, kVoxHalfUse);   // written in the dialog's order
    EXPECT_EQ(entries[4].first, kNoVbo);
    const auto written = AsMap(entries);
    EXPECT_EQ(written.at(kVoxHalfUse), L"0");
    EXPECT_EQ(written.at(kVoxQuarterUse), L"1");
    EXPECT_EQ(written.at(kVoxHalfSize), L"1000");
    EXPECT_EQ(written.at(kVoxQuarterSize), L"1000");
    EXPECT_EQ(written.at(kNoVbo), L"1");

    // Texts are kept as typed when they are in order, even when not numbers.
    f.halfSize = L"abc";
    f.quarterSize = L"1000 MB";
    EXPECT_EQ(AsMap(PreferenceFormEntries(f)).at(kVoxHalfSize), L"abc");
    EXPECT_EQ(AsMap(PreferenceFormEntries(f)).at(kVoxQuarterSize), L"1000 MB");
}

TEST(ApplicationSettings, ConfirmingTheFormUnchangedKeepsWhatTheLoaderReads)
{
    using Stored = std::map<std::wstring, std::wstring>;
    for (Stored stored : {Stored{}, Stored{{kNoVbo, L"2"}, {kVoxHalfUse, L"yes"}},
                          Stored{{kVoxHalfSize, L"2000"}, {kVoxQuarterSize, L" 1000MB"}, {kVoxQuarterUse, L"0"}}}) {
        const ApplicationSettings before = ReadApplicationSettings(LookupIn(stored), true);
        for (const auto& [key, value] : PreferenceFormEntries(ReadPreferenceForm(LookupIn(stored)))) stored[key] = value;
        const ApplicationSettings after = ReadApplicationSettings(LookupIn(stored), true);
        EXPECT_EQ(std::tie(before.useHalf, before.useQuarter, before.halfSizeMB, before.quarterSizeMB, before.useVBO),
                  std::tie(after.useHalf, after.useQuarter, after.halfSizeMB, after.quarterSizeMB, after.useVBO));
    }
}

TEST(ApplicationSettings, ReductionStepFollowsBothThresholds)
{
    ApplicationSettings s;   // 512 and 4096, both in use
    EXPECT_EQ(ReductionStep(511, s), 1);
    EXPECT_EQ(ReductionStep(512, s), 2);
    EXPECT_EQ(ReductionStep(4096, s), 4);
    s.useQuarter = false;
    EXPECT_EQ(ReductionStep(100000, s), 2);
    s.useHalf = false;
    EXPECT_EQ(ReductionStep(100000, s), 1);

    // Sizes beyond 32 bits stay large, and the largest threshold still works.
    s = ApplicationSettings{};
    s.halfSizeMB = 2147483647;
    s.quarterSizeMB = 2147483647;
    EXPECT_EQ(ReductionStep(int64_t{1} << 32, s), 4);
    EXPECT_EQ(ReductionStep(2147483646, s), 1);
    // Thresholds typed as 0 or negative reduce everything, as the text says.
    s.halfSizeMB = 0;
    s.quarterSizeMB = -5;
    EXPECT_EQ(ReductionStep(0, s), 4);
}
