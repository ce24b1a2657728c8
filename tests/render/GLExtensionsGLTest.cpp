#include "support/gl/HeadlessGL.h"
#include "render/GLExtensionRules.h"
#include "render/GLExtensions.h"
#include "render/SolidShapes.h"

#include <GL/gl.h>

#include <utility>

using namespace velmor;
using velmor::test::GLTest;
using velmor::test::Rgba;

class GLContextTest : public GLTest {};

TEST_F(GLContextTest, FramebufferHasRgba8AndDepth24Stencil8)
{
    const std::pair<GLenum, GLint> bits[] = {{GL_RED_BITS, 8},  {GL_GREEN_BITS, 8}, {GL_BLUE_BITS, 8},
                                             {GL_ALPHA_BITS, 8}, {GL_DEPTH_BITS, 24}, {GL_STENCIL_BITS, 8}};
    for (const auto& [name, wanted] : bits) {
        GLint value = 0;
        glGetIntegerv(name, &value);
        EXPECT_EQ(value, wanted) << std::hex << name;
    }

    glClearColor(0.2f, 0.4f, 0.6f, 0.8f);
    glClearStencil(5);
    glClearDepth(0.5);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    EXPECT_EQ(Pixel(63, 63), (Rgba{51, 102, 153, 204}));
    EXPECT_EQ(framebuffer_->ReadStencil(0, 0), 5);
    EXPECT_NEAR(framebuffer_->ReadDepth(10, 10), 0.5f, 1e-6f);
}

TEST_F(GLContextTest, CapabilitiesOfACompatibilityContext)
{
    EXPECT_TRUE(MeetsGLVersionRequirement(GLCaps.glVersion)) << GLCaps.glVersion;
    EXPECT_GT(GLCaps.maxTextureSize, 0);
    EXPECT_GT(GLCaps.max3DTextureSize, 0);
    EXPECT_NE(GLCaps.texImage3D, nullptr);
    EXPECT_NE(GLCaps.blendEquation, nullptr);
    EXPECT_EQ(GLCaps.vertexBufferSupported, 1);
    EXPECT_NE(GLCaps.genBuffers, nullptr);
    EXPECT_NE(GLCaps.deleteBuffers, nullptr);
    EXPECT_EQ(GLCaps.nonPowerOfTwoSupported, 1);
    EXPECT_TRUE(IsGLExtensionSupported("GL_ARB_vertex_buffer_object"));
    EXPECT_FALSE(IsGLExtensionSupported("GL_ARB_vertex_buffer"));
    EXPECT_FALSE(IsGLExtensionSupported(""));
    // A software renderer has no video memory figure: unknown, never 0 or a guess.
    if (GLCaps.totalVideoMemory == 0)
        EXPECT_EQ(QueryDriverVideoMemory(), -1);
    else
        EXPECT_GE(QueryDriverVideoMemory(), 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GLContextTest, InitGLStateLeavesTheDefaultState)
{
    // Disturb what InitGLState must put back.
    glEnable(GL_BLEND);
    glEnable(GL_FOG);
    glEnable(GL_CLIP_PLANE0);
    glEnable(GL_LIGHT2);
    glDisable(GL_LIGHT1);
    glEnable(GL_COLOR_MATERIAL);
    glEnableClientState(GL_VERTEX_ARRAY);
    glDepthMask(GL_FALSE);
    glDepthFunc(GL_ALWAYS);
    glFrontFace(GL_CW);
    glPointSize(4);
    glMatrixMode(GL_PROJECTION);
    glTranslatef(1, 2, 3);
    InitGLState(false);

    for (GLenum on : {GL_LIGHTING, GL_LIGHT0, GL_LIGHT1, GL_DEPTH_TEST, GL_NORMALIZE})
        EXPECT_TRUE(glIsEnabled(on)) << std::hex << on;
    for (GLenum off : {GL_LIGHT2, GL_LIGHT3, GL_COLOR_MATERIAL, GL_BLEND, GL_TEXTURE_2D, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T,
                       GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q, GL_ALPHA_TEST, GL_FOG, GL_CULL_FACE, GL_CLIP_PLANE0,
                       GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_COLOR_ARRAY, GL_TEXTURE_COORD_ARRAY})
        EXPECT_FALSE(glIsEnabled(off)) << std::hex << off;
    const std::pair<GLenum, GLint> expected[] = {
        {GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE}, {GL_BLEND_SRC, GL_ONE}, {GL_BLEND_DST, GL_ONE_MINUS_SRC_COLOR},
        {GL_BLEND_EQUATION, GL_FUNC_ADD},    {GL_DEPTH_WRITEMASK, GL_TRUE}, {GL_DEPTH_FUNC, GL_LESS},
        {GL_FRONT_FACE, GL_CCW},             {GL_MATRIX_MODE, GL_MODELVIEW},
    };
    GLint value = 0;
    for (const auto& [name, wanted] : expected) {
        glGetIntegerv(name, &value);
        EXPECT_EQ(value, wanted) << std::hex << name;
    }
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &value);
    EXPECT_EQ(value, GL_MODULATE);
    GLfloat f[16] = {};
    glGetMaterialfv(GL_BACK, GL_SHININESS, f);
    EXPECT_EQ(f[0], 120.0f);
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, f);
    EXPECT_EQ(f[0] + f[1] + f[2] + f[3], 0.0f);
    glGetFloatv(GL_POINT_SIZE, f);
    EXPECT_EQ(f[0], 1.0f);
    glGetFloatv(GL_LINE_WIDTH, f);
    EXPECT_EQ(f[0], 1.0f);
    glGetFloatv(GL_PROJECTION_MATRIX, f);
    EXPECT_EQ(f[12], 0.0f);
    EXPECT_EQ(f[0], 1.0f);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, f);
    EXPECT_EQ(f[0] + f[1] + f[2] + f[3], 0.0f);
    EXPECT_EQ(Pixel(5, 5), (Rgba{0, 0, 0, 0}));
    EXPECT_EQ(framebuffer_->ReadStencil(5, 5), 0);
    EXPECT_EQ(framebuffer_->ReadDepth(5, 5), 1.0f);
}

TEST_F(GLContextTest, PlainStateIsUnlitWithoutDepthOnWhite)
{
    InitGLState(true);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(Pixel(0, 0), (Rgba{255, 255, 255, 255}));
}

class SolidShapesTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        glDisable(GL_LIGHTING);
        UseUnitOrtho();
        glColor4ub(255, 0, 0, 255);
    }
    int CountDrawn() const
    {
        int drawn = 0;
        for (const Rgba& p : framebuffer_->ReadAll())
            drawn += p.a != 0;
        return drawn;
    }
};

TEST_F(SolidShapesTest, SolidBoxCoversItsFaceWireBoxOnlyItsEdges)
{
    const double size[3] = {1, 1, 1};
    DrawBox(size, true);
    EXPECT_EQ(Pixel(32, 32), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(Pixel(2, 2), (Rgba{0, 0, 0, 0}));
    EXPECT_NEAR(CountDrawn(), 32 * 32, 70);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawBox(size, false);
    EXPECT_EQ(Pixel(32, 32), (Rgba{0, 0, 0, 0}));
    EXPECT_GT(CountDrawn(), 4 * 28);
    EXPECT_LT(CountDrawn(), 4 * 40);
}

TEST_F(SolidShapesTest, CylinderAndEllipsoidDrawAndCountsBelowOneDrawNothing)
{
    const double size[3] = {0.5, 0.5, 1.0};
    const int counts[3] = {24, 4, 2};
    glRotatef(90, 1, 0, 0);   // the axis now runs along the screen's y
    DrawCylinder(size, counts, true);
    EXPECT_EQ(Pixel(32, 32), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(Pixel(32, 60), (Rgba{0, 0, 0, 0}));
    EXPECT_EQ(Pixel(60, 32), (Rgba{0, 0, 0, 0}));
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawCylinder(size, counts, false);
    EXPECT_GT(CountDrawn(), 0);

    const double radii[3] = {0.8, 0.4, 0.4};
    const int sphereCounts[4] = {16, 8, 8, 4};
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    DrawEllipsoid(radii, sphereCounts, true);
    EXPECT_EQ(Pixel(32 + 22, 32), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(Pixel(32, 32 + 16), (Rgba{0, 0, 0, 0}));

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const int noSegments[3] = {0, 4, 2}, noRings[3] = {24, 4, 0};
    DrawCylinder(size, noSegments, true);
    DrawCylinder(size, noSegments, false);
    DrawCylinder(size, noRings, false);
    const int noSteps[4] = {16, 0, 0, 4};
    DrawEllipsoid(radii, noSteps, true);
    DrawEllipsoid(radii, noSteps, false);
    EXPECT_EQ(CountDrawn(), 0);
}
