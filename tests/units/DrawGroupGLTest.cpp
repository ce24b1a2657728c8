#include "render/RenderSettings.h"
#include "support/RecordingUnit.h"
#include "support/gl/HeadlessGL.h"
#include "units/DrawGroup.h"

#include <GL/gl.h>

using namespace velmor;
using velmor::test::GLTest;
using velmor::test::RecordingUnit;

namespace {

class DrawTreeTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        PublishRenderSettings(&settings);
        root.children = {&back, &child};
        back.layer = 0;
        rootUnit = Add(root, "root");
        backUnit = Add(back, "back");
        childUnit = Add(child, "child");
    }
    void TearDown() override
    {
        PublishRenderSettings(nullptr);
        GLTest::TearDown();
    }
    RecordingUnit* Add(DrawGroup& group, const std::string& name)
    {
        auto* unit = new RecordingUnit(&group, log, name);
        group.units.push_back(unit);
        return unit;
    }
    std::vector<std::string> log;
    RenderSettings settings;
    DrawGroup root{L"root"}, back{L"back"}, child{L"child"};
    RecordingUnit *rootUnit, *backUnit, *childUnit;
};

using Log = std::vector<std::string>;

} // namespace

TEST_F(DrawTreeTest, OnlyGroupsOfTheCurrentLayerDraw)
{
    settings.currentLayer = 1;
    root.DrawTree(1);
    EXPECT_EQ(log, (Log{"Draw1 child", "Draw1 root"}));
    log.clear();
    settings.currentLayer = 0;
    root.DrawTree(2);
    EXPECT_EQ(log, (Log{"Draw2 back"}));
}

TEST_F(DrawTreeTest, GroupsOutsideTheTimeRangeHideTheirSubtree)
{
    root.timeStart = 2;
    settings.currentTime = 1.5f;
    root.DrawTree(1);
    EXPECT_TRUE(log.empty());
    settings.currentTime = 2;
    childUnit->valid = false;   // invalid units never draw
    root.DrawTree(1);
    EXPECT_EQ(log, (Log{"Draw1 root"}));
}

TEST_F(DrawTreeTest, NonClippingGroupsDrawWithoutClipPlaneAndRestoreIt)
{
    child.clipAbility = false;
    std::vector<bool> clipSeen;
    auto record = [&](RecordingUnit&, int) { clipSeen.push_back(glIsEnabled(GL_CLIP_PLANE0)); };
    childUnit->onDraw = record;
    rootUnit->onDraw = record;
    glEnable(GL_CLIP_PLANE0);
    root.DrawTree(1);
    EXPECT_EQ(clipSeen, (std::vector<bool>{false, true}));
    EXPECT_TRUE(glIsEnabled(GL_CLIP_PLANE0));
    glDisable(GL_CLIP_PLANE0);
    root.DrawTree(1);
    EXPECT_FALSE(glIsEnabled(GL_CLIP_PLANE0));
}

TEST_F(DrawTreeTest, MainLayerDrawsUnderTheObjectMatrix)
{
    const float objectMatrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0.25f, 0.5f, 0, 1};
    settings.objectMatrix = objectMatrix;
    float seen[16] = {};
    rootUnit->onDraw = [&](RecordingUnit&, int) { glGetFloatv(GL_MODELVIEW_MATRIX, seen); };
    root.DrawTree(1);
    EXPECT_EQ(seen[12], 0.25f);
    EXPECT_EQ(seen[13], 0.5f);
    float after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    EXPECT_EQ(after[12], 0.0f);

    settings.currentLayer = 0;
    backUnit->onDraw = [&](RecordingUnit&, int) { glGetFloatv(GL_MODELVIEW_MATRIX, seen); };
    root.DrawTree(1);
    EXPECT_EQ(seen[12], 0.0f);
}

TEST_F(DrawTreeTest, PickPassNumbersDrawnUnitsInOrderAndResetsTheRest)
{
    auto pick = [](RecordingUnit& unit, int pass) {
        if (pass == 3)
            unit.SetPickColor(&unit.pickId);
    };
    childUnit->onDraw = pick;
    rootUnit->pickId = 99;   // draws no pick colour: back to 0
    Add(root, "second")->onDraw = pick;
    PickCounter = 0;
    root.DrawTree(3);
    EXPECT_EQ(childUnit->pickId, 1u);
    EXPECT_EQ(rootUnit->pickId, 0u);
    EXPECT_EQ(static_cast<RecordingUnit*>(root.units[1])->pickId, 2u);
}

TEST_F(DrawTreeTest, UnitTransformAppliesToMainLayerOnly)
{
    root.centre[0] = 1;
    rootUnit->topGroup = &root;
    rootUnit->translation[1] = 2;
    rootUnit->scale[0] = 4;
    rootUnit->pivot[0] = 0.5;
    rootUnit->ApplyUnitTransform();
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    // x' = 4 (x - 0.5 - 1), y' = y + 2
    EXPECT_EQ(m[0], 4.0f);
    EXPECT_EQ(m[12], -6.0f);
    EXPECT_EQ(m[13], 2.0f);

    glLoadIdentity();
    backUnit->topGroup = &root;
    backUnit->scale[0] = 4;
    backUnit->ApplyUnitTransform();
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(m[0], 1.0f);
    EXPECT_EQ(m[12], 0.0f);
}

TEST_F(DrawTreeTest, GroupNormalizationOrder)
{
    root.translation[0] = 1;
    root.scale[0] = 2;
    root.offset[0] = 3;
    root.centre[0] = 4;
    root.ApplyNormalization();
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    // x' = 1 + 2 (x - 3 - 4)
    EXPECT_EQ(m[0], 2.0f);
    EXPECT_EQ(m[12], -13.0f);
}
