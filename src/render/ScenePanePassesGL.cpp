// The frame of one pane: back, main and fore layers, the opaque,
// transparent and pick passes, clipping with its marker, fog, the
// translucent clipped part, the border cut of linked panes and shadows.
#include "render/GeometryRoutines.h"
#include "render/RenderPassRules.h"
#include "render/RenderSettings.h"
#include "render/ScaleBar.h"
#include "render/ScenePane.h"
#include "units/CKxDrawUPrimitive.h"
#include "units/CKxDrawUnit.h"
#include "units/DrawGroup.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

namespace velmor {

namespace {

// The shadow map's push away from the light: by the surface's depth slope,
// and by a few steps of the depth buffer.
constexpr GLfloat kShadowSlopeOffset = 2.0f;
constexpr GLfloat kShadowDepthOffset = 4.0f;

bool SpecialOrActive(const ScenePane& pane)
{
    return pane.state == PaneState::kActive || pane.state == PaneState::kBackOrFore;
}

void DrawGroupPass(DrawGroup* group, int pass)
{
    if (group != nullptr)
        group->DrawTree(pass);
}

// Passes 0 and 1, then the transparent pass with blending on and depth
// writes off.
void DrawAllPasses(DrawGroup* group)
{
    DrawGroupPass(group, 0);
    DrawGroupPass(group, 1);
    glEnable(GL_BLEND);
    glDepthMask(GL_FALSE);
    DrawGroupPass(group, 2);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
}

void DrawLayerPass(DrawGroup* group, int pass)
{
    if (pass == 5)
        DrawAllPasses(group);
    else
        DrawGroupPass(group, pass);
}

bool ApplyBorderCut(const ScenePane& pane)
{
    ScissorBox box;
    if (!BorderCutBox(CurrentRenderSettings(), pane.panX, pane.panY, box))
        return false;
    glEnable(GL_SCISSOR_TEST);
    glScissor(box.x, box.y, box.side, box.side);
    return true;
}

void StartFrame(ScenePane& pane)
{
    RenderSettings& rs = CurrentRenderSettings();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    pane.PublishMatrices();
    rs.currentTime = static_cast<float>(pane.timeStep);
    rs.clipOn = pane.clipOn;
}

void EnableClipping(ScenePane& pane)
{
    if (!pane.clipOn)
        return;
    pane.SetCamera();
    pane.SetClipPlane();
    glEnable(GL_CLIP_PLANE0);
}

void ClipPlaneFacing(const ScenePane& pane, double facing)
{
    const RenderSettings& rs = CurrentRenderSettings();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glMultMatrixf(pane.objectMatrix);
    if (rs.clipMatrix != nullptr)
        glMultMatrixf(rs.clipMatrix);
    glTranslated(0, 0, rs.clipOffset);
    const GLdouble plane[4] = {0, 0, facing, 0};
    glClipPlane(GL_CLIP_PLANE0, plane);
    glPopMatrix();
}

void StoreCentreScreen(ScenePane& pane)
{
    if (pane.root == nullptr)
        return;
    double centre[3];
    RootCentre(*pane.root, centre);
    for (int i = 0; i < 3; ++i)
        centre[i] += pane.root->centre[i];
    ProjectRootPoint(pane, centre, pane.centreScreenX, pane.centreScreenY);
}

std::vector<float> ReadDepths(int width, int height)
{
    std::vector<float> depths(static_cast<size_t>(width) * height);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width, height, GL_DEPTH_COMPONENT, GL_FLOAT, depths.data());
    return depths;
}

} // namespace

void ScenePane::PublishMatrices()
{
    RenderSettings& rs = CurrentRenderSettings();
    rs.objectMatrix = objectMatrix;
    rs.clipMatrix = clipMatrix;
    rs.clipOffset = static_cast<float>(clipOffset);
}

void ScenePane::SetClipPlane() { ClipPlaneFacing(*this, -1); }

void ScenePane::SetReversedClipPlane() { ClipPlaneFacing(*this, 1); }

void ScenePane::UpdateRoot()
{
    if (root == nullptr)
        return;
    if (root->normalize[0])
        root->ComputeNormalization(state == PaneState::kActive);
    else
        root->ResetNormalization();
}

void ScenePane::SetLightCamera()
{
    const float* light = CurrentRenderSettings().light0Position;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(light[0], light[1], light[2], 0, 0, 0, 0, 1, 0);
}

void ScenePane::SetLightProjection(double a, double b, double c, double d)
{
    const double distance = CurrentRenderSettings().light0Distance;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-a + b, a + b, -c + d, c + d, distance - kSceneHalfDiagonal - 1.0, distance + kSceneHalfDiagonal + 1.0);
    SetLightCamera();
}

void ScenePane::DrawBackgroundLayer(int pass)
{
    if (!SpecialOrActive(*this))
        return;
    CurrentRenderSettings().currentLayer = 0;
    if (selectMode == SelectMode::kUnderBackLayer) {
        SetProjection(ProjectionMode::kFollowingLayer);
        DrawLayerPass(selectionGroup, pass);
        glClear(GL_DEPTH_BUFFER_BIT);
    }
    SetProjection(ProjectionMode::kFixedLayer);
    DrawLayerPass(root, pass);
    glClear(GL_DEPTH_BUFFER_BIT);
}

void ScenePane::DrawForegroundLayer(int pass)
{
    if (!SpecialOrActive(*this))
        return;
    CurrentRenderSettings().currentLayer = 2;
    SetProjection(ProjectionMode::kFixedLayer);
    DrawLayerPass(root, pass);
    // The bar is measured in the orthographic picture only; never picked.
    if ((pass == 5 || pass == 1) && CurrentRenderSettings().projection == 0)
        DrawScaleBar(zoom);
    glClear(GL_DEPTH_BUFFER_BIT);
    if (selectMode == SelectMode::kOverForeLayer) {
        SetProjection(ProjectionMode::kFollowingLayer);
        DrawLayerPass(selectionGroup, pass);
        glClear(GL_DEPTH_BUFFER_BIT);
    }
}

void ScenePane::DrawSectionMarker()
{
    if (state != PaneState::kActive || !clipHandleMode)
        return;
    double s = 1, lineFactor = 1;
    SectionMarkerSize(zoom, s, lineFactor);
    const RenderSettings& rs = CurrentRenderSettings();
    glColor3d(0.52, 0.753, 0.149);
    glDepthFunc(GL_LEQUAL);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glMultMatrixf(objectMatrix);
    glMultMatrixf(clipMatrix);
    glTranslated(0, 0, rs.clipOffset);
    glDisable(GL_LIGHTING);
    glLineWidth(static_cast<float>(2.0 * lineFactor));
    glBegin(GL_LINE_LOOP);
    glVertex3d(-1 / s, 1 / s, 0);
    glVertex3d(-1 / s, -1 / s, 0);
    glVertex3d(1 / s, -1 / s, 0);
    glVertex3d(1 / s, 1 / s, 0);
    glEnd();
    glLineWidth(1);
    glEnable(GL_LIGHTING);
    glPopMatrix();
    glDepthFunc(GL_LESS);
}

void ScenePane::DrawGuideLines(int pass)
{
    if (state != PaneState::kActive || root == nullptr)
        return;
    const RenderSettings& rs = CurrentRenderSettings();
    double c[3];
    RootCentre(*root, c);
    for (int i = 0; i < 3; ++i)
        c[i] += root->centre[i];
    const double* lo = rs.sceneBoxMin;
    const double* hi = rs.sceneBoxMax;
    const double ends[3][2][3] = {
        {{c[0], hi[1], c[2]}, {c[0], lo[1], c[2]}},
        {{c[0], c[1], hi[2]}, {c[0], c[1], lo[2]}},
        {{hi[0], c[1], c[2]}, {lo[0], c[1], c[2]}},
    };
    const bool clipping = glIsEnabled(GL_CLIP_PLANE0);
    glDisable(GL_CLIP_PLANE0);
    HighlightMaterialGuard keepHighlight;
    for (const auto& line : ends) {
        CKxDrawUPrimitive unit(root);
        unit.shape = L"line";
        unit.filled = false;
        unit.pixelSize = 3.0f;
        for (float* colour : {unit.material.diffuse, unit.material.ambient}) {
            colour[0] = 100 / 255.0f;
            colour[1] = 70 / 255.0f;
            colour[2] = 0;
            colour[3] = 128 / 255.0f;
        }
        for (int e = 0; e < 2; ++e)
            for (int i = 0; i < 3; ++i)
                unit.points[e][i] = static_cast<float>(line[e][i]);
        unit.topGroup = root;
        unit.TakeSpaceTransform();
        unit.Load();
        unit.Draw(pass);
        unit.Release();
    }
    if (clipping)
        glEnable(GL_CLIP_PLANE0);
}

void ScenePane::RenderPane()
{
    RenderSettings& rs = CurrentRenderSettings();
    StartFrame(*this);
    glEnable(GL_LIGHT2);
    glEnable(GL_LIGHT3);
    DrawBackgroundLayer(5);
    const bool cut = ApplyBorderCut(*this);
    rs.currentLayer = 1;
    if (rs.fog == 1)
        glEnable(GL_FOG);
    EnableClipping(*this);
    if (rs.shadow == 0) {
        SetProjection(ProjectionMode::kScene);
        rs.pick.mainPass = 1;
        DrawGroupPass(root, 0);
        rs.pick.mainPass = 0;
    } else {
        RenderShadowed();
    }
    DrawGroupPass(root, 1);
    if (selectMode == SelectMode::kWithMainLayer) {
        DrawGroupPass(selectionGroup, 0);
        DrawGroupPass(selectionGroup, 1);
    }
    if (clipOn) {
        glDisable(GL_CLIP_PLANE0);
        DrawSectionMarker();
        glEnable(GL_CLIP_PLANE0);
    }
    glEnable(GL_BLEND);
    glDepthMask(GL_FALSE);
    DrawGroupPass(root, 2);
    StoreCentreScreen(*this);
    if (rs.transparencyClip && clipOn) {
        SetReversedClipPlane();
        rs.drawingClippedPart = 1;
        DrawGroupPass(root, 2);
        rs.drawingClippedPart = 0;
        SetClipPlane();
    }
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glMultMatrixf(objectMatrix);
    if (rs.guideLines)
        DrawGuideLines(2);
    glPopMatrix();
    if (selectMode == SelectMode::kWithMainLayer)
        DrawGroupPass(selectionGroup, 2);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glDisable(GL_CLIP_PLANE0);
    glDisable(GL_FOG);
    glClear(GL_DEPTH_BUFFER_BIT);
    if (cut)
        glDisable(GL_SCISSOR_TEST);
    DrawForegroundLayer(5);
    if (texture != 0) {
        glBindTexture(GL_TEXTURE_2D, texture);
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, rs.viewportWidth, rs.viewportHeight);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_LIGHT2);
    glDisable(GL_LIGHT3);
}

void ScenePane::RenderPickPass(int pass)
{
    RenderSettings& rs = CurrentRenderSettings();
    PickCounter = 0;
    StartFrame(*this);
    glDisable(GL_LIGHTING);
    DrawBackgroundLayer(pass);
    const bool cut = ApplyBorderCut(*this);
    rs.currentLayer = 1;
    EnableClipping(*this);
    SetProjection(ProjectionMode::kScene);
    DrawGroupPass(root, pass);
    if (selectMode == SelectMode::kWithMainLayer)
        DrawGroupPass(selectionGroup, pass);
    glDisable(GL_CLIP_PLANE0);
    glClear(GL_DEPTH_BUFFER_BIT);
    if (cut)
        glDisable(GL_SCISSOR_TEST);
    DrawForegroundLayer(pass);
    glEnable(GL_LIGHTING);
}

bool ScenePane::PickSurfacePoint(int wx, int wy, double point[3])
{
    if (root == nullptr)
        return false;
    RenderSettings& rs = CurrentRenderSettings();
    StartFrame(*this);
    rs.currentLayer = 1;
    EnableClipping(*this);
    SetProjection(ProjectionMode::kScene);
    rs.pick.mainPass = 1;
    DrawGroupPass(root, 0);
    DrawGroupPass(root, 1);
    rs.pick.mainPass = 0;
    glDisable(GL_CLIP_PLANE0);
    GLfloat depth = 1.0f;
    glReadPixels(wx, wy, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    // The depth of the scene as the pane projects its root's coordinates.
    const RootProjection p = ReadRootProjection(*this);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!(depth < 1.0f))
        return false;
    return gluUnProject(wx, wy, depth, p.modelView, p.projection, p.viewport, &point[0], &point[1], &point[2]) ==
               GL_TRUE &&
           std::isfinite(point[0]) && std::isfinite(point[1]) && std::isfinite(point[2]);
}

void ScenePane::BuildDepthHullPoints(int width, int height, std::vector<float>& farthest)
{
    RenderSettings& rs = CurrentRenderSettings();
    auto drawDepth = [&] {
        SetProjection(ProjectionMode::kScene);
        rs.depthOnlyPass = 1;
        DrawGroupPass(root, 0);
        rs.depthOnlyPass = 0;
    };
    glClearDepth(0.0);
    glClear(GL_DEPTH_BUFFER_BIT);
    glDepthFunc(GL_GEQUAL);
    drawDepth();
    farthest = ReadDepths(width, height);
    glClearDepth(1.0);
    glClear(GL_DEPTH_BUFFER_BIT);
    glDepthFunc(GL_LESS);
    drawDepth();
    const std::vector<float> nearest = ReadDepths(width, height);
    GLint viewport[4];
    GLdouble projection[16], modelView[16];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    std::vector<GLdouble> points;
    auto unproject = [&](int x, int y, float depth) {
        GLdouble p[3];
        if (gluUnProject(x, y, depth, modelView, projection, viewport, &p[0], &p[1], &p[2]) == GL_TRUE)
            points.insert(points.end(), p, p + 3);
    };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t i = static_cast<size_t>(y) * width + x;
            if (farthest[i] != 0.0f)
                unproject(x, y, farthest[i]);
            if (nearest[i] != 1.0f)
                unproject(x, y, nearest[i]);
        }
    glClear(GL_DEPTH_BUFFER_BIT);
    const LightWindow full = FullLightWindow(rs.halfExtentX, rs.halfExtentY);
    SetLightProjection(full.a, full.b, full.c, full.d);
    glBegin(GL_POINTS);
    for (size_t i = 0; i + 2 < points.size(); i += 3)
        glVertex3dv(&points[i]);
    glEnd();
}

namespace {

LightWindow FindLightWindow(ScenePane& pane)
{
    RenderSettings& rs = CurrentRenderSettings();
    if (pane.zoom <= 0.4001)
        return FullLightWindow(rs.halfExtentX, rs.halfExtentY);
    const bool clipping = glIsEnabled(GL_CLIP_PLANE0);
    glDisable(GL_CLIP_PLANE0);
    int width = 1, height = 1;
    ShadowProbeSize(rs, width, height);
    glViewport(0, 0, width, height);
    std::vector<float> depths;
    if (pane.zoom > 1.0001) {
        pane.BuildDepthHullPoints(width, height, depths);
    } else {
        const LightWindow full = FullLightWindow(rs.halfExtentX, rs.halfExtentY);
        pane.SetLightProjection(full.a, full.b, full.c, full.d);
        rs.depthOnlyPass = 1;
        DrawGroupPass(pane.root, 0);
        rs.depthOnlyPass = 0;
    }
    depths = ReadDepths(width, height);
    glClear(GL_DEPTH_BUFFER_BIT);
    glViewport(0, 0, rs.viewportWidth, rs.viewportHeight);
    if (clipping)
        glEnable(GL_CLIP_PLANE0);
    return LightWindowFromDepths(depths, width, height, rs.halfExtentX, rs.halfExtentY);
}

} // namespace

void ScenePane::RenderShadowed()
{
    RenderSettings& rs = CurrentRenderSettings();
    // Without a depth texture there is nothing to compare against; the
    // opaque pass is drawn unshadowed instead.
    if (rs.depthTexture == 0) {
        SetProjection(ProjectionMode::kScene);
        rs.pick.mainPass = 1;
        DrawGroupPass(root, 0);
        rs.pick.mainPass = 0;
        return;
    }
    static const GLfloat kPlanes[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    const double u = double(rs.viewportWidth) / rs.textureWidth;
    const double v = double(rs.viewportHeight) / rs.textureHeight;
    ScissorBox box;
    const bool cut = BorderCutBox(rs, panX, panY, box);
    if (cut)
        glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    const LightWindow window = FindLightWindow(*this);

    glFrontFace(GL_CCW);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_FRONT);
    SetCamera();
    GLfloat view[16], viewInverse[16], lightProjection[16], lightView[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, view);
    InvertMatrix4f(view, viewInverse);
    SetLightProjection(window.a, window.b, window.c, window.d);
    glGetFloatv(GL_PROJECTION_MATRIX, lightProjection);
    glGetFloatv(GL_MODELVIEW_MATRIX, lightView);
    glPushMatrix();
    SetClipPlane();
    glPopMatrix();
    // The shadow map holds the surfaces themselves: drawn as depth-only
    // points, meshes would cast only a dust of dots. Its depths are pushed
    // away from the light, most where a surface runs along the light's
    // rays, so that a lit surface never shadows itself.
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(kShadowSlopeOffset, kShadowDepthOffset);
    DrawGroupPass(root, 0);
    glDisable(GL_POLYGON_OFFSET_FILL);
    glBindTexture(GL_TEXTURE_2D, rs.depthTexture);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, rs.viewportWidth, rs.viewportHeight);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_CULL_FACE);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);

    if (clipOn) {
        SetCamera();
        SetClipPlane();
    }
    glClear(GL_DEPTH_BUFFER_BIT);
    if (cut)
        glEnable(GL_SCISSOR_TEST);

    // In shadow a surface loses light 0 on whichever side faces it. Lit here
    // on the side the camera sees, a mesh wound inside out, whose normals
    // turn away from the light its faces meet so that light 2 lights them,
    // takes light 0 like any other; light 2 is left only the sides turned
    // away from light 0, which light 0's shadow never darkens.
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
    rs.SetLightMode(1);
    SetProjection(ProjectionMode::kScene);
    rs.pick.mainPass = 1;
    DrawGroupPass(root, 0);
    rs.SetLightMode(0);
    rs.pick.mainPass = 0;
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);

    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, rs.depthTexture);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    static const GLenum kCoords[4] = {GL_S, GL_T, GL_R, GL_Q};
    static const GLenum kGen[4] = {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q};
    for (int i = 0; i < 4; ++i) {
        glTexGeni(kCoords[i], GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
        glTexGenfv(kCoords[i], GL_EYE_PLANE, kPlanes[i]);
    }
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    // A fragment is compared a little nearer the light than it lies.
    glTranslated(u / 2, v / 2, 0.5 - ShadowCompareBias());
    glScaled(u / 2, v / 2, 0.5);
    glMultMatrixf(lightProjection);
    glMultMatrixf(lightView);
    glMultMatrixf(viewInverse);
    for (const GLenum gen : kGen)
        glEnable(gen);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_EQUAL, 1.0f);
    glDepthFunc(GL_LEQUAL);
    SetProjection(ProjectionMode::kScene);
    DrawGroupPass(root, 0);

    glDepthFunc(GL_LESS);
    glDisable(GL_ALPHA_TEST);
    for (const GLenum gen : kGen)
        glDisable(gen);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
}

} // namespace velmor
