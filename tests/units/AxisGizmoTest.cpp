#include "units/AxisGizmo.h"
#include "units/CKxDrawUPrimitive.h"
#include "units/CKxDrawUText.h"
#include "units/DrawGroup.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace velmor;

namespace {

struct Gizmo {
    std::vector<DrawGroup*> groups;
    Gizmo() { BuildAxisGizmo(groups); }
    ~Gizmo() { FreeUnitArray(groups); }
    CKxDrawUPrimitive& Primitive(int group, int unit)
    {
        return dynamic_cast<CKxDrawUPrimitive&>(*groups.at(group)->units.at(unit));
    }
};

int CountTexts(const DrawGroup& group)
{
    int n = 0;
    for (CKxDrawUnit* unit : group.units)
        n += dynamic_cast<CKxDrawUText*>(unit) != nullptr;
    return n;
}

} // namespace

TEST(AxisGizmoTest, FifteenNamedGroupsWithTheirLayersAndUnits)
{
    Gizmo gizmo;
    ASSERT_EQ(gizmo.groups.size(), 15u);
    EXPECT_EQ(gizmo.groups[0]->name, L"PG_00");
    EXPECT_EQ(gizmo.groups[14]->name, L"PG_14");
    EXPECT_TRUE(gizmo.groups[0]->units.empty());
    const size_t counts[15] = {0, 2, 2, 2, 2, 4, 4, 72, 72, 15, 15, 12, 12, 9, 9};
    const int layers[15] = {1, 2, 2, 2, 2, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1};
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(gizmo.groups[i]->units.size(), counts[i]) << i;
        EXPECT_EQ(gizmo.groups[i]->layer, layers[i]) << i;
        EXPECT_EQ(gizmo.groups[i]->clipAbility, i < 9) << i;
        for (CKxDrawUnit* unit : gizmo.groups[i]->units)
            EXPECT_EQ(unit->owner, gizmo.groups[i]);
    }
    EXPECT_EQ(CountTexts(*gizmo.groups[9]), 3);
    EXPECT_EQ(CountTexts(*gizmo.groups[13]), 3);
    FreeUnitArray(gizmo.groups);
    EXPECT_TRUE(gizmo.groups.empty());
}

TEST(AxisGizmoTest, ArrowsPointToTheirCorners)
{
    Gizmo gizmo;
    CKxDrawUPrimitive& lowerShaft = gizmo.Primitive(1, 0);
    CKxDrawUPrimitive& upperHead = gizmo.Primitive(4, 1);
    EXPECT_EQ(lowerShaft.shape, L"cylinder");
    EXPECT_FLOAT_EQ(lowerShaft.points[0][0], -0.95404f);
    EXPECT_EQ(lowerShaft.rot[0], -90);
    EXPECT_EQ(upperHead.shape, L"cone");
    EXPECT_FLOAT_EQ(upperHead.points[0][1], 0.848f);
    EXPECT_EQ(upperHead.rot[0], 90);
    EXPECT_EQ(upperHead.parameter[2], 1);
    EXPECT_TRUE(upperHead.marker && upperHead.filled);
    upperHead.Load();
    EXPECT_FLOAT_EQ(upperHead.radii[0], 0.2f);
    EXPECT_FLOAT_EQ(upperHead.radii[2], 0.17f);
    EXPECT_FLOAT_EQ(gizmo.groups[4]->units[0]->material.ambient[0], 128 / 255.0f);
    EXPECT_EQ(gizmo.groups[4]->units[0]->material.diffuse[0], 0.0f);
}

TEST(AxisGizmoTest, CircleSegmentsLieOnTheRing)
{
    Gizmo gizmo;
    for (int k : {0, 35, 71}) {
        const auto& line = gizmo.Primitive(7, k);
        EXPECT_EQ(line.shape, L"line");
        EXPECT_EQ(line.pixelSize, 2.0f);
        EXPECT_NEAR(std::hypot(line.points[1][0], line.points[1][1]), 1.2, 1e-6);
    }
    EXPECT_NEAR(gizmo.Primitive(7, 71).points[1][0], 1.2, 1e-5);   // back at angle 0
    EXPECT_FLOAT_EQ(gizmo.Primitive(8, 0).material.ambient[2], 227 / 255.0f);
}

TEST(AxisGizmoTest, ColouredBoxEdgesFromTheCornerAreRedGreenBlue)
{
    Gizmo gizmo;
    for (int group : {11, 12}) {
        const float c = (group == 11 ? 160 : 80) / 255.0f;
        const auto& x = gizmo.Primitive(group, 5).material.ambient;
        const auto& y = gizmo.Primitive(group, 6).material.ambient;
        const auto& z = gizmo.Primitive(group, 8).material.ambient;
        EXPECT_FLOAT_EQ(x[0], c);
        EXPECT_EQ(x[1], 0.0f);
        EXPECT_EQ(y[0], 0.0f);
        EXPECT_FLOAT_EQ(y[1], c);
        EXPECT_FLOAT_EQ(z[2], c);
        EXPECT_EQ(z[1], 0.0f);
        EXPECT_FLOAT_EQ(gizmo.Primitive(group, 0).material.diffuse[1], c);
        EXPECT_FLOAT_EQ(gizmo.Primitive(group, 7).material.ambient[1], c);
        EXPECT_EQ(gizmo.Primitive(group, 5).points[1][0], 1.0f);
        EXPECT_EQ(gizmo.Primitive(group, 8).points[1][2], 1.0f);
    }
}

TEST(AxisGizmoTest, AxisArrowsUseHalfColourAndLettersSitBeyondTheTips)
{
    Gizmo gizmo;
    const auto& xHead = gizmo.Primitive(13, 3);
    EXPECT_EQ(xHead.shape, L"cone");
    EXPECT_FLOAT_EQ(xHead.points[0][0], -0.05f);
    EXPECT_FLOAT_EQ(xHead.material.ambient[0], 0.5f);
    EXPECT_FLOAT_EQ(xHead.material.specular[0], 0.1f);
    const auto& zShaft = gizmo.Primitive(14, 2);
    EXPECT_FLOAT_EQ(zShaft.size[2], 0.9f);
    EXPECT_FLOAT_EQ(zShaft.material.diffuse[2], 64 / 255.0f);
    auto& y = dynamic_cast<CKxDrawUText&>(*gizmo.groups[13]->units[7]);
    EXPECT_EQ(y.text, L"y");
    EXPECT_EQ(y.mode, 1);
    EXPECT_FLOAT_EQ(y.textScale, 0.2f);
    EXPECT_FLOAT_EQ(y.coordinate[1], 0.05f);
}
