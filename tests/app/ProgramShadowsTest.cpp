// The real program on an X server of its own, showing a block held above a
// floor from straight above with shadows on: the light at the upper right
// front casts the block's shadow to the lower left of the floor, and the
// lit floor stays as even as it is without shadows.
#include "app/RunningProgram.h"

#include <QImage>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>

using namespace velmor;
using namespace velmor::test;

namespace {

// An STL box from `low` to `high`, its faces wound outwards; each face's
// normal points along the axis it is away from the box's middle.
std::string Box(const char* name, const double low[3], const double high[3])
{
    auto corner = [&](const int* c) {
        return std::to_string(c[0] ? high[0] : low[0]) + " " + std::to_string(c[1] ? high[1] : low[1]) + " " +
               std::to_string(c[2] ? high[2] : low[2]);
    };
    static const char* const kNormals[6] = {"0 0 1", "0 0 -1", "0 -1 0", "0 1 0", "-1 0 0", "1 0 0"};
    static const int kFaces[6][4][3] = {
        {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}}, {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}},
        {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}}, {{0, 1, 0}, {0, 1, 1}, {1, 1, 1}, {1, 1, 0}},
        {{0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {0, 1, 0}}, {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}},
    };
    std::string stl = std::string("solid ") + name + "\n";
    for (int f = 0; f < 6; ++f)
        for (const auto& t : {std::array<int, 3>{0, 1, 2}, std::array<int, 3>{0, 2, 3}}) {
            stl += std::string(" facet normal ") + kNormals[f] + "\n  outer loop\n";
            for (int v : t) stl += "   vertex " + corner(kFaces[f][v]) + "\n";
            stl += "  endloop\n endfacet\n";
        }
    return stl + "endsolid " + name + "\n";
}

// A floor 4 x 4 wide and a block of 1 held 0.6 above it, seen from above:
// the floor fills the picture's height.
constexpr const char* kScene = R"(<?xml version="1.0" encoding="UTF-8"?>
<scene version="1.35">
  <head><title type="main" value="Shadows"/></head>
  <body>
    <drawGroup name="top"><drawUnit>
      <stl note="Floor" stl_data="floor" renderingType="A" diffuse="150,150,150" ambient="20,20,20"/>
      <stl note="Block" stl_data="block" renderingType="A" diffuse="200,40,40" ambient="30,5,5"/>
    </drawUnit></drawGroup>
    <data name="floor" type="STL"><file path="floor.stl"/></data>
    <data name="block" type="STL"><file path="block.stl"/></data>
    <event name="start"><targetSpace index="0"/><topGroup name="top"/><activeSpace index="0"/>
      <shadow mode="1"/></event>
    <firstSetting spaceNum="1" firstEvent="start"/>
  </body>
</scene>
)";

class ProgramShadows : public RunningProgram {
protected:
    ProgramShadows()
    {
        const double floorLow[3] = {-2, -2, -0.2}, floorHigh[3] = {2, 2, 0};
        const double blockLow[3] = {-0.5, -0.5, 0.6}, blockHigh[3] = {0.5, 0.5, 1.6};
        scenes.Write("floor.stl", Box("floor", floorLow, floorHigh));
        scenes.Write("block.stl", Box("block", blockLow, blockHigh));
        scenes.Write("shadows.vlm", kScene);
        Launch(scenes.Path() / "shadows.vlm");
        WaitShown();
    }
    QImage PictureWithShadows(bool on)
    {
        view->renderer.shadow = on ? 1 : 0;
        view->RenderNow();
        return Picture();
    }
};

} // namespace

TEST_F(ProgramShadows, TheBlockCastsItsShadowOnTheFloorAndTheLitFloorStaysEven)
{
    const QImage plain = PictureWithShadows(false);
    const QImage shadowed = PictureWithShadows(true);
    // Floor points off the block's middle towards the lower left (under the
    // block from the light, away from where its corners' shadows fall) and
    // as far towards the upper right.
    const QPoint inShadow = PanePoint(shadowed, -0.65, -0.45), lit = PanePoint(shadowed, 0.65, 0.45);
    EXPECT_NEAR(qGray(plain.pixel(inShadow)), qGray(plain.pixel(lit)), 3);
    EXPECT_LT(qGray(shadowed.pixel(inShadow)) + 30, qGray(shadowed.pixel(lit)));

    // Around the lit point, the floor shows no speckles or stripes of shadow.
    int speckles = 0;
    for (int dy = -60; dy <= 60; ++dy)
        for (int dx = -60; dx <= 60; ++dx) {
            const QPoint p = lit + QPoint(dx, dy);
            speckles += std::abs(qGray(shadowed.pixel(p)) - qGray(plain.pixel(p))) > 3 ? 1 : 0;
        }
    EXPECT_EQ(speckles, 0);
}
