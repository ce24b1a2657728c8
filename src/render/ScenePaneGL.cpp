// The GL half of a render pane: projection, camera, the re-centring that
// reads the matrices back, and the pane picture.
#include "platform/Memory.h"
#include "render/RenderSettings.h"
#include "render/ScenePane.h"
#include "units/DrawGroup.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

namespace velmor {

namespace {

void DeleteTextureName(uint32_t texture)
{
    const GLuint name = texture;
    glDeleteTextures(1, &name);
}

} // namespace

// Where `point` of the root's own coordinates appears in the scene
// projection, in pane units.
RootProjection ReadRootProjection(ScenePane& pane)
{
    RootProjection p;
    pane.SetProjection(ProjectionMode::kScene);
    glPushMatrix();
    glMultMatrixf(pane.objectMatrix);
    pane.root->ApplyNormalization();
    glGetIntegerv(GL_VIEWPORT, p.viewport);
    glGetDoublev(GL_PROJECTION_MATRIX, p.projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, p.modelView);
    glPopMatrix();
    return p;
}

bool ProjectRootPoint(ScenePane& pane, const double point[3], double& sx, double& sy)
{
    const RootProjection p = ReadRootProjection(pane);
    GLdouble wx = 0, wy = 0, wz = 0;
    if (gluProject(point[0], point[1], point[2], p.modelView, p.projection, p.viewport, &wx, &wy, &wz) != GL_TRUE)
        return false;
    const RenderSettings& settings = CurrentRenderSettings();
    WindowToPaneUnits(wx, wy, settings.viewportWidth, settings.viewportHeight, sx, sy);
    return true;
}

void ScenePane::SetCamera()
{
    const float* eye = CurrentRenderSettings().cameraPosition;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(eye[0], eye[1], eye[2], 0, 0, 0, 0, 1, 0);
}

void ScenePane::SetProjection(ProjectionMode mode)
{
    const PaneProjection p = ComputePaneProjection(*this, mode, CurrentRenderSettings());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (p.perspective)
        glFrustum(p.left, p.right, p.bottom, p.top, p.nearPlane, p.farPlane);
    else
        glOrtho(p.left, p.right, p.bottom, p.top, p.nearPlane, p.farPlane);
    SetCamera();
}

void ScenePane::ResetRotationCentre()
{
    if (root == nullptr)
        return;
    double centre[3], sx = 0, sy = 0;
    RootCentre(*root, centre);
    if (ProjectRootPoint(*this, centre, sx, sy))
        ShiftPanTowards(*this, sx, sy);
    ClearRootCentreOffset();
}

void ScenePane::SetRotationCentre(double x, double y, double z)
{
    if (root == nullptr || !std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z))
        return;
    const double point[3] = {x, y, z};
    double centre[3], sx = 0, sy = 0;
    if (!ProjectRootPoint(*this, point, sx, sy))
        return;
    ShiftPanTowards(*this, sx, sy);
    RootCentre(*root, centre);
    for (int i = 0; i < 3; ++i)
        root->centre[i] = point[i] - centre[i];
}

void ScenePane::CreateTexture()
{
    FreeTexture();
    const RenderSettings& settings = CurrentRenderSettings();
    const uint64_t bytes = uint64_t{settings.textureWidth} * settings.textureHeight * 4;
    // No GL texture is larger than 65536 a side; beyond that the byte count
    // could overflow.
    if (bytes == 0 || settings.textureWidth > (1u << 16) || settings.textureHeight > (1u << 16))
        return;
    void* buffer = CommitMemory(bytes);
    if (buffer == nullptr)
        return;
    pixels = static_cast<uint8_t*>(buffer);
    pixelBytes = bytes;
    DeletePaneTexture = DeleteTextureName;
    GLuint name = 0;
    glGenTextures(1, &name);
    texture = name;
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, static_cast<GLsizei>(settings.textureWidth),
                 static_cast<GLsizei>(settings.textureHeight), 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    glBindTexture(GL_TEXTURE_2D, 0);
}

void ScenePane::DrawTextureQuad()
{
    // A pane without a picture draws nothing rather than a blank white quad
    // that would cover the panes beneath it and win every hit test.
    if (pixels == nullptr)
        return;
    const RenderSettings& settings = CurrentRenderSettings();
    const double hx = settings.halfExtentX, hy = settings.halfExtentY;
    const float tu = static_cast<float>(settings.viewportWidth) / static_cast<float>(settings.textureWidth);
    const float tv = static_cast<float>(settings.viewportHeight) / static_cast<float>(settings.textureHeight);
    glColor4f(1, 1, 1, 1);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-hx, hx, -hy, hy, 1.0, 3.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, 0, 2, 0, 0, -1, 0, 1, 0);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    glTexCoord2f(0, tv);
    glVertex3d(-hx, hy, 0);
    glTexCoord2f(0, 0);
    glVertex3d(-hx, -hy, 0);
    glTexCoord2f(tu, 0);
    glVertex3d(hx, -hy, 0);
    glTexCoord2f(tu, tv);
    glVertex3d(hx, hy, 0);
    glEnd();
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
}

} // namespace velmor
