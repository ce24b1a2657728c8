#include "support/gl/HeadlessGL.h"
#include "units/CKxDrawUnit.h"

#include <GL/gl.h>

using namespace velmor;
using velmor::test::GLTest;
using velmor::test::Rgba;

class DrawUnitGLTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        UseFlatUnitOrtho();
    }
    static void FillQuad(float x0, float x1)
    {
        glBegin(GL_QUADS);
        glVertex2f(x0, -1);
        glVertex2f(x1, -1);
        glVertex2f(x1, 1);
        glVertex2f(x0, 1);
        glEnd();
    }
};

TEST_F(DrawUnitGLTest, PickColoursReadBackExactlyAlphaIncluded)
{
    CKxDrawUnit left(nullptr), right(nullptr);
    PickCounter = 0x04030200;
    left.SetPickColor(&left.pickId);
    FillQuad(-1, 0);
    right.SetPickColor(&right.pickId);
    FillQuad(0, 1);
    EXPECT_EQ(left.pickId, 0x04030201u);
    EXPECT_EQ(right.pickId, 0x04030202u);
    EXPECT_EQ(PickCounter, 0x04030202u);
    EXPECT_EQ(Pixel(10, 10), (Rgba{1, 2, 3, 4}));
    EXPECT_EQ(Pixel(50, 10), (Rgba{2, 2, 3, 4}));

    // Ids start at 1 after the pick pass resets the counter.
    PickCounter = 0;
    left.SetPickColor(&left.pickId);
    FillQuad(-1, 1);
    EXPECT_EQ(left.pickId, 1u);
    EXPECT_EQ(Pixel(32, 32), (Rgba{1, 0, 0, 0}));
}

TEST_F(DrawUnitGLTest, MaterialComesFromTheUnitOrTheHighlight)
{
    CKxDrawUnit unit(nullptr);
    unit.material.diffuse[1] = 0.25f;
    unit.material.shininess = 30;
    unit.SetUnitMaterial(false);
    GLfloat value[4];
    glGetMaterialfv(GL_BACK, GL_DIFFUSE, value);
    EXPECT_EQ(value[1], 0.25f);
    glGetMaterialfv(GL_FRONT, GL_SHININESS, value);
    EXPECT_EQ(value[0], 30.0f);
    unit.SetUnitMaterial(true);
    glGetMaterialfv(GL_FRONT, GL_AMBIENT, value);
    EXPECT_FLOAT_EQ(value[0], 127 / 255.0f);
    glGetMaterialfv(GL_BACK, GL_SPECULAR, value);
    EXPECT_FLOAT_EQ(value[2], 10 / 255.0f);
}

TEST_F(DrawUnitGLTest, UnlitColourMixesAmbientAndDiffuse)
{
    CKxDrawUnit unit(nullptr);
    for (int i = 0; i < 3; ++i) {
        unit.material.ambient[i] = 0.3f;
        unit.material.diffuse[i] = 0.7f;
    }
    unit.SetUnlitColor(false, false);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.3f * 1.6666666f + 0.7f * 0.71428573f);
    unit.SetUnlitColor(false, true);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[1], (0.3f * 1.6666666f + 0.7f * 0.71428573f) * 0.65f);
    unit.SetUnlitColor(true, false);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[2], 27 / 255.0f * 1.6666666f + 27 / 255.0f * 0.71428573f);
}
