#include "render/RenderSettings.h"
#include "support/RecordingUnit.h"
#include "units/DrawGroup.h"

#include <gtest/gtest.h>

#include <memory>

using namespace velmor;
using velmor::test::RecordingUnit;

namespace {

// root [r1] -> a [a1, a2] -> b [b1]; root -> c [c1]; root -> empty -> d [d1]
class GroupTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        root.children = {&a, &c, &empty};
        a.children = {&b};
        empty.children = {&d};
        r1 = Add(root, "r1");
        a1 = Add(a, "a1");
        a2 = Add(a, "a2");
        b1 = Add(b, "b1");
        c1 = Add(c, "c1");
        d1 = Add(d, "d1");
        log.clear();
        PublishRenderSettings(&settings);
    }
    void TearDown() override { PublishRenderSettings(nullptr); }
    RecordingUnit* Add(DrawGroup& group, const std::string& name, const std::wstring& className = L"CKxDrawUPrimitive")
    {
        auto* unit = new RecordingUnit(&group, log, name, className);
        group.units.push_back(unit);
        return unit;
    }
    std::vector<std::string> log;
    RenderSettings settings;
    DrawGroup root{L"root"}, a{L"a"}, b{L"b"}, c{L"c"}, empty{L"empty"}, d{L"d"};
    RecordingUnit *r1, *a1, *a2, *b1, *c1, *d1;
};

using Log = std::vector<std::string>;

} // namespace

TEST_F(GroupTree, WalksVisitChildSubtreesFirstThenOwnUnits)
{
    root.SetSpaceFlag(1);
    root.LoadActive();
    EXPECT_EQ(log, (Log{"Load b1", "Load a1", "Load a2", "Load c1", "Load d1", "Load r1"}));
    std::vector<CKxDrawUnit*> all;
    root.CollectUnits(all);
    EXPECT_EQ(all, (std::vector<CKxDrawUnit*>{b1, a1, a2, c1, d1, r1}));
}

TEST_F(GroupTree, SpaceFlagsSkipGroupsWithoutUnits)
{
    root.SetSpaceFlag(2);
    root.SetSpaceFlag(6);
    EXPECT_TRUE(b.spaceFlags[1]);
    EXPECT_TRUE(d.spaceFlags[5]);
    EXPECT_FALSE(empty.AnySpaceFlag());
    root.SetSpaceFlag(0);   // clears spaces 0..3 only
    EXPECT_FALSE(b.spaceFlags[1]);
    EXPECT_TRUE(b.spaceFlags[5]);
    root.SetSpaceFlag(12);
    EXPECT_FALSE(b.spaceFlags[5]);
    root.SetSpaceFlag(13);
    root.SetSpaceFlag(-1);
    EXPECT_FALSE(b.AnySpaceFlag());
    root.SetSpaceFlag(4);
    root.SetSpaceFlag(10);
    EXPECT_FALSE(c.AnySpaceFlag());
}

TEST_F(GroupTree, LoadAndReleaseFollowTheSpaceFlags)
{
    a.SetSpaceFlag(1);
    root.LoadActive();
    root.LoadActive();   // already loaded: nothing again
    EXPECT_EQ(log, (Log{"Load b1", "Load a1", "Load a2"}));
    EXPECT_TRUE(a.loaded);
    EXPECT_FALSE(root.loaded);
    log.clear();
    root.ReleaseInactive();
    EXPECT_TRUE(log.empty());
    b.SetSpaceFlag(7);
    root.ReleaseInactive();
    EXPECT_EQ(log, (Log{"Release b1"}));
    EXPECT_FALSE(b.loaded);
    EXPECT_TRUE(a.loaded);
}

TEST_F(GroupTree, MemoryWalksActOnOneGroupByItsLoadedState)
{
    a1->glBuffers = 1;
    a2->glBuffers = 1;
    EXPECT_FALSE(a.FreeOneGLBuffer(true));
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(a.FreeOneGLBuffer(false));
    EXPECT_EQ(log, (Log{"FreeGLBuffers a1"}));
    EXPECT_TRUE(a.FreeOneGLBuffer(false));
    EXPECT_FALSE(a.FreeOneGLBuffer(false));
    EXPECT_FALSE(empty.FreeOneGLBuffer(false));
    log.clear();
    a.loaded = true;
    a.FreeWorkIfUnloaded();
    b.FreeWorkIfUnloaded();
    root.FreeWorkIfUnloaded();   // not recursive
    EXPECT_EQ(log, (Log{"FreeWork b1", "FreeWork r1"}));
}

TEST_F(GroupTree, TimeRangeOfGroupsWithUnits)
{
    b.timeStart = 2;
    b.timeEnd = 9;
    c.timeStart = -1;
    c.timeEnd = 12;
    empty.timeStart = 0.5f;   // no units: ignored
    float start = 5, end = 5;
    root.GetTimeRange(start, end);
    EXPECT_EQ(start, 2.0f);
    EXPECT_EQ(end, 12.0f);

    settings.currentTime = 1.5f;
    EXPECT_FALSE(b.IsInTimeRange());
    EXPECT_TRUE(c.IsInTimeRange());
    settings.currentTime = 2;
    EXPECT_TRUE(b.IsInTimeRange());
    settings.currentTime = 12.5f;
    EXPECT_FALSE(c.IsInTimeRange());
}

TEST_F(GroupTree, FindersTakeTheLastInWalkOrder)
{
    CKxDrawUnit* found = r1;
    root.FindVolumeUnit(found);
    EXPECT_EQ(found, r1);   // none: unchanged
    RecordingUnit* deep = Add(b, "vb", L"CKxDrawUVolumeR");
    RecordingUnit* own = Add(root, "vr", L"CKxDrawUVolumeR");
    RecordingUnit* inC = Add(c, "vc", L"CKxDrawUVolumeR");
    root.FindVolumeUnit(found);
    EXPECT_EQ(found, own);
    a.FindVolumeUnit(found);
    EXPECT_EQ(found, deep);
    found = nullptr;
    root.FindSurfaceUnit(found);
    EXPECT_EQ(found, nullptr);
    RecordingUnit* surface = Add(c, "s", L"CKxDrawUSurfaceR");
    root.FindSurfaceUnit(found);
    EXPECT_EQ(found, surface);
    (void)inC;
}

TEST_F(GroupTree, MeshCollectionLeavesOutHiddenAndOtherKinds)
{
    RecordingUnit* stl = Add(a, "stl", L"CKxDrawUSTL");
    RecordingUnit* tri = Add(c, "tri", L"CKxDrawUTriIndex");
    RecordingUnit* hiddenSurface = Add(c, "s", L"CKxDrawUSurfaceR");
    Add(c, "cloud", L"CKxDrawUPointCloud");
    hiddenSurface->hidden = true;
    std::vector<CKxDrawUnit*> meshes;
    root.CollectMeshUnits(meshes);
    EXPECT_EQ(meshes, (std::vector<CKxDrawUnit*>{stl, tri}));
}

TEST_F(GroupTree, ClipCapsAreInvalidatedInShownValidMeshUnits)
{
    RecordingUnit* stl = Add(a, "stl", L"CKxDrawUSTL");
    RecordingUnit* broken = Add(a, "broken", L"CKxDrawUSurfaceR");
    broken->valid = false;
    Add(c, "hiddenSpace", L"CKxDrawUTriIndex");
    a.SetSpaceFlag(1);
    static std::vector<CKxDrawUnit*> invalidated;
    invalidated.clear();
    InvalidateMeshClipCap = [](CKxDrawUnit& unit) { invalidated.push_back(&unit); };
    root.InvalidateClipCaps();
    InvalidateMeshClipCap = nullptr;
    EXPECT_EQ(invalidated, (std::vector<CKxDrawUnit*>{stl}));
}

TEST_F(GroupTree, WalksEndInAGroupThatIsItsOwnAncestor)
{
    b.children = {&a, &b};
    a.children = {&b, &a};
    root.SetSpaceFlag(1);
    root.LoadActive();
    EXPECT_EQ(log, (Log{"Load b1", "Load a1", "Load a2", "Load c1", "Load d1", "Load r1"}));
    std::vector<CKxDrawUnit*> all;
    b.CollectUnits(all);
    EXPECT_EQ(all, (std::vector<CKxDrawUnit*>{a1, a2, b1}));
}

TEST_F(GroupTree, SharedChildIsWalkedUnderEachParent)
{
    c.children = {&b};
    std::vector<CKxDrawUnit*> all;
    root.CollectUnits(all);
    EXPECT_EQ(std::count(all.begin(), all.end(), b1), 2);
}

TEST_F(GroupTree, DeleteUnitsDeletesThroughTheVirtualDestructor)
{
    a.DeleteUnits();
    EXPECT_TRUE(a.units.empty());
    EXPECT_EQ(log, (Log{"Delete a1", "Delete a2"}));
}

// Normalisation of a space's top group.
class Normalization : public GroupTree {
protected:
    void SetUp() override
    {
        GroupTree::SetUp();
        root.SetSpaceFlag(1);
    }
    static void Box(RecordingUnit* unit, double x0, double y0, double z0, double x1, double y1, double z1)
    {
        const double lo[3] = {x0, y0, z0}, hi[3] = {x1, y1, z1};
        std::copy(lo, lo + 3, unit->low);
        std::copy(hi, hi + 3, unit->high);
    }
};

TEST_F(Normalization, LargestLengthUnitOfMainLayerUnits)
{
    a1->lengthUnit = L"cm";
    c1->lengthUnit = L"inch";
    int code = 0;
    root.FindLargestLengthUnit(code);
    EXPECT_EQ(code, 3);
    a.layer = 2;   // fore layer does not count
    code = 0;
    root.FindLargestLengthUnit(code);
    EXPECT_EQ(code, 2);
}

TEST_F(Normalization, SinglePointGivesExtentTwoAndScaleOne)
{
    for (RecordingUnit* unit : {r1, a1, a2, b1, c1, d1})
        unit->hasBox = false;
    b1->hasBox = true;
    Box(b1, 3, 4, 5, 3, 4, 5);
    root.ComputeNormalization(true);
    EXPECT_EQ(root.extent, 2.0);
    EXPECT_EQ(root.scale[0], 1.0);
    EXPECT_EQ(root.scale[2], 1.0);
    EXPECT_EQ(root.offset[1], 4.0);
    EXPECT_EQ(settings.sceneBoxMin[0], 2.0);
    EXPECT_EQ(settings.sceneBoxMax[2], 6.0);
    EXPECT_EQ(b1->topGroup, &root);
    EXPECT_EQ(b1->pivot[1], 4.0);
    EXPECT_EQ(b1->scale[0], 1.0);
}

TEST_F(Normalization, BoxOfValidMainLayerUnitsInTheTopGroupsUnit)
{
    Box(r1, 0, 0, 0, 1, 1, 1);
    Box(a1, 0, 0, 0, 1, 1, 1);
    Box(a2, 0, 0, 0, 1, 1, 1);
    Box(b1, -500, 0, 0, 0, 0, 0);
    b1->lengthUnit = L"um";   // -0.5 mm
    Box(c1, 0, 0, 0, 1000, 1000, 1000);
    c1->valid = false;        // its load failed: not measured
    Box(d1, 0, 0, 0, 50, 50, 50);
    d.layer = 0;              // back layer: own coordinates
    root.ComputeNormalization(true);
    EXPECT_EQ(root.lengthUnit, L"mm");
    EXPECT_EQ(b1->lengthFactor, 0.001);
    EXPECT_DOUBLE_EQ(settings.sceneBoxMin[0], -0.5);
    EXPECT_EQ(settings.sceneBoxMax[0], 1.0);
    EXPECT_EQ(root.extent, 1.5);
    EXPECT_DOUBLE_EQ(root.scale[0], 2 / 1.5);
    EXPECT_DOUBLE_EQ(root.offset[0], 0.25);
    // The unit's transform carries the space's, adjusted to its own unit.
    EXPECT_DOUBLE_EQ(b1->scale[0], 2 / 1.5 * 0.001);
    EXPECT_DOUBLE_EQ(b1->pivot[0], 250.0);
    EXPECT_EQ(d1->scale[0], 1.0);   // not main layer: untouched
    EXPECT_EQ(settings.scaleBarAvailable, 1);
    EXPECT_FLOAT_EQ(settings.scaleBarLength, 0.2f);
    EXPECT_EQ(settings.scaleBarUnit, L"mm");
}

TEST_F(Normalization, UserScaleBarIsKeptAndEmptySpaceChangesNothing)
{
    Box(r1, 0, 0, 0, 30, 1, 1);
    r1->lengthUnit = L"cm";
    settings.scaleBarChanged = 1;
    settings.scaleBarLength = 7;
    settings.scaleBarUnit = L"m";
    root.ComputeNormalization(true);
    EXPECT_EQ(root.lengthUnit, L"cm");
    EXPECT_EQ(settings.scaleBarAvailable, 1);
    EXPECT_EQ(settings.scaleBarLength, 7.0f);
    EXPECT_EQ(settings.scaleBarUnit, L"m");

    DrawGroup lone(L"lone");
    lone.children = {&empty};
    d.SetSpaceFlag(7);   // nothing shown
    const double scaleBefore = lone.scale[0];
    lone.ComputeNormalization(true);
    EXPECT_EQ(lone.lengthUnit, L"");
    EXPECT_EQ(settings.scaleBarAvailable, 0);
    EXPECT_EQ(lone.scale[0], scaleBefore);
}

TEST_F(Normalization, ResetGivesIdentityInMillimetres)
{
    Box(r1, 0, 0, 0, 10, 10, 10);
    r1->lengthUnit = L"cm";
    root.ComputeNormalization(false);
    root.centre[0] = 0.5;
    root.ResetNormalization();
    EXPECT_EQ(root.lengthUnit, L"mm");
    EXPECT_EQ(root.scale[0], 1.0);
    EXPECT_EQ(root.offset[0], 0.0);
    EXPECT_EQ(root.centre[0], 0.5);
    EXPECT_EQ(r1->lengthFactor, 10.0);
    EXPECT_EQ(r1->scale[0], 10.0);
    EXPECT_EQ(r1->pivot[0], 0.0);
}
