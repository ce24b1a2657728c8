#include "render/SceneRenderer.h"
#include "support/gl/HeadlessGL.h"
#include "units/DrawGroup.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <vector>

using namespace velmor;
using velmor::test::GLTest;
using velmor::test::Rgba;

namespace {

class ScenePaneGLTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        renderer.viewportWidth = renderer.viewportHeight = 64;
        renderer.textureWidth = renderer.textureHeight = 64;
        renderer.halfExtentX = renderer.halfExtentY = 1.0f;
        PublishRenderSettings(&renderer);
    }
    void TearDown() override
    {
        renderer.FreePanes();
        PublishRenderSettings(nullptr);
        GLTest::TearDown();
    }

    // Where a point of the root's coordinates lands, in window pixels, under
    // the pane's scene projection, rotation and the root's normalisation.
    static void Project(ScenePane& pane, const double p[3], double& wx, double& wy)
    {
        pane.SetProjection(ProjectionMode::kScene);
        glMultMatrixf(pane.objectMatrix);
        if (pane.root != nullptr)
            pane.root->ApplyNormalization();
        GLint viewport[4];
        GLdouble projection[16], modelView[16], wz = 0;
        glGetIntegerv(GL_VIEWPORT, viewport);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
        gluProject(p[0], p[1], p[2], modelView, projection, viewport, &wx, &wy, &wz);
    }

    // Fills the pane picture: colour where the rectangle [x0, x1) x [y0, y1)
    // lies, transparent elsewhere.
    static void Paint(ScenePane& pane, int x0, int x1, int y0, int y1, Rgba colour)
    {
        std::vector<Rgba> texels(64 * 64);
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                texels[y * 64 + x] = colour;
        glBindTexture(GL_TEXTURE_2D, pane.texture);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 64, 64, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        glBindTexture(GL_TEXTURE_2D, 0);
    }

    SceneRenderer renderer;
};

} // namespace

TEST_F(ScenePaneGLTest, SceneProjectionAndCameraAreLoaded)
{
    ScenePane pane;
    pane.panX = 0.5;
    pane.zoom = 2;
    pane.SetProjection(ProjectionMode::kScene);
    GLdouble projection[16], modelView[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    // glOrtho(-0.75, 0.25, -0.5, 0.5, 7 - 3.4641, 7 + 3.4641).
    EXPECT_NEAR(projection[0], 2.0 / 1.0, 1e-6);
    EXPECT_NEAR(projection[5], 2.0 / 1.0, 1e-6);
    EXPECT_NEAR(projection[12], -(0.25 - 0.75) / 1.0, 1e-6);
    EXPECT_NEAR(projection[10], -2.0 / (2 * 3.4641), 1e-6);
    EXPECT_NEAR(projection[14], -14.0 / (2 * 3.4641), 1e-5);
    EXPECT_EQ(projection[11], 0.0);
    // The camera looks from (0, 0, 7) at the origin.
    EXPECT_NEAR(modelView[14], -7.0, 1e-6);
    EXPECT_NEAR(modelView[0], 1.0, 1e-6);
    EXPECT_NEAR(modelView[5], 1.0, 1e-6);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);

    renderer.projection = 1;
    pane.SetProjection(ProjectionMode::kScene);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    EXPECT_EQ(projection[11], -1.0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ScenePaneGLTest, PointsLandWherePanAndZoomPutThem)
{
    ScenePane pane;
    pane.panX = 0.5;
    pane.panY = -0.25;
    pane.zoom = 2;
    const double origin[3] = {0, 0, 0}, side[3] = {0.25, 0, 0};
    double wx = 0, wy = 0;
    Project(pane, origin, wx, wy);
    EXPECT_NEAR(wx, 32 + 0.5 * 32, 1e-6);
    EXPECT_NEAR(wy, 32 - 0.25 * 32, 1e-6);
    Project(pane, side, wx, wy);
    EXPECT_NEAR(wx, 32 + (0.5 + 0.25 * 2) * 32, 1e-6);

    // In perspective the rotation centre's plane shrinks by near / (D k).
    renderer.projection = 1;
    pane.panX = pane.panY = 0;
    pane.zoom = 1;
    Project(pane, side, wx, wy);
    const double k = (7.0 - 2.9999972025) / 6.0, nearPlane = 7.0 - 3.4641;
    EXPECT_NEAR(wx, 32 + 0.25 * nearPlane / (7.0 * k) * 32, 1e-4);

    // A turned object: x goes to -z and y stays, seen from the front.
    renderer.projection = 0;
    pane.StoreRotationStart();
    pane.Rotate(90, 0, 1, 0, true, false);
    const double up[3] = {0.25, 0.5, 0};
    Project(pane, up, wx, wy);
    EXPECT_NEAR(wx, 32, 1e-4);
    EXPECT_NEAR(wy, 32 + 0.5 * 32, 1e-4);
}

TEST_F(ScenePaneGLTest, RecentringKeepsThePicture)
{
    DrawGroup root{L"root"};
    root.offset[0] = 1;
    root.offset[1] = 2;
    root.scale[0] = root.scale[1] = root.scale[2] = 0.5;
    root.centre[0] = 0.4;
    root.centre[2] = -0.6;
    ScenePane pane;
    pane.root = &root;
    pane.zoom = 1.5;
    pane.panX = 0.1;
    pane.StoreRotationStart();
    pane.Rotate(35, 0, 1, 0, true, false);
    // The last frame drew the rotation centre at the pan.
    pane.centreScreenX = pane.panX;
    pane.centreScreenY = pane.panY;

    const double mark[3] = {3, -1, 2};
    double beforeX, beforeY, afterX, afterY;
    Project(pane, mark, beforeX, beforeY);
    pane.ResetRotationCentre();
    EXPECT_EQ(root.centre[0], 0);
    EXPECT_EQ(root.centre[2], 0);
    Project(pane, mark, afterX, afterY);
    EXPECT_NEAR(afterX, beforeX, 1e-4);
    EXPECT_NEAR(afterY, beforeY, 1e-4);

    // A picked point becomes the rotation centre, again without a jump.
    pane.centreScreenX = pane.panX;
    pane.centreScreenY = pane.panY;
    const double picked[3] = {2, 3, -1};
    pane.SetRotationCentre(picked[0], picked[1], picked[2]);
    EXPECT_DOUBLE_EQ(root.centre[0], 1);
    EXPECT_DOUBLE_EQ(root.centre[1], 1);
    EXPECT_DOUBLE_EQ(root.centre[2], -1);
    Project(pane, mark, afterX, afterY);
    EXPECT_NEAR(afterX, beforeX, 1e-4);
    EXPECT_NEAR(afterY, beforeY, 1e-4);
    Project(pane, picked, afterX, afterY);
    EXPECT_NEAR(afterX, 32 + pane.panX * 32, 1e-4);
}

TEST_F(ScenePaneGLTest, PanePictureCoversTheWindowTexelForPixel)
{
    ScenePane pane;
    pane.CreateTexture();
    ASSERT_NE(pane.pixels, nullptr);
    ASSERT_NE(pane.texture, 0u);
    Paint(pane, 10, 20, 40, 50, Rgba{255, 0, 0, 255});
    pane.DrawTextureQuad();
    EXPECT_EQ(Pixel(10, 40), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(Pixel(19, 49), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(Pixel(9, 40), Rgba{});
    EXPECT_EQ(Pixel(20, 49), Rgba{});
    EXPECT_EQ(Pixel(10, 50), Rgba{});
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));

    const GLuint name = pane.texture;
    pane.FreeTexture();
    EXPECT_EQ(pane.pixels, nullptr);
    EXPECT_FALSE(glIsTexture(name));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ScenePaneGLTest, HitTestFindsTheOrdinaryPaneUnderTheCursor)
{
    renderer.paneCount = 4;
    ASSERT_TRUE(renderer.CreatePanes());
    renderer.activeSpace = 0;
    renderer.backgroundSpace = 2;
    for (int i = 0; i < 4; ++i)
        renderer.panes[i].CreateTexture();
    Paint(renderer.panes[0], 0, 0, 0, 0, Rgba{});                 // active: shows nothing here
    Paint(renderer.panes[1], 0, 32, 0, 64, Rgba{200, 0, 0, 255});  // left half
    Paint(renderer.panes[2], 0, 64, 56, 64, Rgba{0, 0, 90, 255});  // a band along the top
    Paint(renderer.panes[3], 32, 64, 0, 64, Rgba{0, 200, 0, 255}); // right half

    const auto hit = [this](int x, int y) {
        renderer.pick.cursorX = x;
        renderer.pick.cursorY = y;
        return renderer.HitTestPane();
    };
    EXPECT_EQ(hit(10, 10), 1);
    EXPECT_EQ(hit(31, 30), 1);
    EXPECT_EQ(hit(32, 30), 3);
    EXPECT_EQ(hit(63, 0), 3);
    EXPECT_EQ(hit(10, 55), 1);
    EXPECT_EQ(hit(10, 56), -1);   // the background space covers it
    EXPECT_EQ(hit(64, 10), -1);
    EXPECT_EQ(hit(-1, 10), -1);

    // Without a picture an ordinary pane is never under the cursor.
    renderer.panes[1].FreeTexture();
    EXPECT_EQ(hit(10, 10), -1);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
