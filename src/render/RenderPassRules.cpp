#include "render/RenderPassRules.h"

#include <algorithm>
#include <cmath>

namespace velmor {

void PlaceLights(RenderSettings& s)
{
    static constexpr float kCorners[4][2] = {{100, 100}, {-100, 100}, {100, -100}, {-100, -100}};
    // An out-of-range choice from a scene keeps the first corner rather than
    // reading past the table.
    const uint32_t corner = s.lightPosition < 4 ? s.lightPosition : 0;
    s.light0Position[0] = kCorners[corner][0];
    s.light0Position[1] = kCorners[corner][1];
    s.light0Position[2] = 100;
    s.light0Position[3] = 1;
    const float* p = s.light0Position;
    s.light0Distance = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    s.lightIntensity = 1.0f;
    for (int i = 0; i < 3; ++i)
        s.light2Position[i] = -p[i];
    s.light2Position[3] = 1;
}

namespace {

void SetRgb(float colour[4], float value)
{
    colour[0] = colour[1] = colour[2] = value;
    colour[3] = 1;
}

void CopyRgb(float to[4], const float from[4])
{
    std::copy(from, from + 3, to);
    to[3] = 1;
}

} // namespace

void ComputeLightColours(RenderSettings& s, uint32_t mode)
{
    s.lightMode = mode;
    SetRgb(s.light0Ambient, s.lightIntensity);
    if (mode == 0) {
        SetRgb(s.light0Diffuse, s.lightIntensity);
        SetRgb(s.light0Specular, s.lightIntensity);
    } else if (mode == 1) {
        SetRgb(s.light0Diffuse, 0.4f * s.lightIntensity);
        SetRgb(s.light0Specular, 0);
    }
    s.light0Diffuse[3] = s.light0Specular[3] = 1;
    SetRgb(s.light1Ambient, 0);
    SetRgb(s.light1Diffuse, 0.4f * s.light1Intensity);
    SetRgb(s.light1Specular, 0);
    SetRgb(s.light2Ambient, 0);
    if (mode == 1) {
        // The dim mode is the shadowed pass's, and the shadow map is taken
        // from light 0 alone: light 2, opposite it, keeps its full light, or
        // every surface facing light 2 would darken wherever light 0 cannot
        // reach it, the far side of the surface itself included. That pass
        // lights the side the camera sees, so that light 2 lights only sides
        // turned away from light 0, whichever way a mesh is wound.
        SetRgb(s.light2Diffuse, s.lightIntensity);
        SetRgb(s.light2Specular, s.lightIntensity);
    } else {
        CopyRgb(s.light2Diffuse, s.light0Diffuse);
        CopyRgb(s.light2Specular, s.light0Specular);
    }
    SetRgb(s.light3Ambient, 0);
    CopyRgb(s.light3Diffuse, s.light1Diffuse);
    SetRgb(s.light3Specular, 0);
}

void FogRange(float cameraDistance, int& start, int& end)
{
    start = static_cast<int>(cameraDistance - 1.0f);
    end = static_cast<int>(cameraDistance + 3.0f);
}

uint32_t TextureSide(int32_t size)
{
    uint32_t side = 1;
    // Capped where GL textures end, so that a huge window cannot overflow.
    while (side < static_cast<uint32_t>(std::max(size, 1)) && side < (1u << 16))
        side <<= 1;
    return side;
}

void ResetPassState(RenderSettings& s)
{
    s.currentTime = 0;
    s.clipOn = 0;
    s.sectionCapture = 0;
    s.drawingClippedPart = 0;
    s.depthOnlyPass = 0;
    s.scaleBarAvailable = 0;
    s.pick.cursorX = s.pick.cursorY = 0;
    s.pick.cursorValues[0] = s.pick.cursorValues[1] = 0;
    s.pick.pickedId = 0;
    s.pick.mainPass = 0;
    s.pick.nearestDepth = 1.0;
    s.pick.hit = 0;
    s.pick.hitIndex = 0;
    s.guideLines = 0;
    s.activePaneRendering = 0;
}

bool BorderCutBox(const RenderSettings& s, double panX, double panY, ScissorBox& box)
{
    if (s.squareRestrict == 0 || s.linkPanes == 0 || s.halfExtentX <= 0)
        return false;
    const int w = s.viewportWidth, h = s.viewportHeight;
    const int p = static_cast<int>(w / s.halfExtentX / 2);
    const double f = s.squareRestrict == 1 ? 2.0 : 1.0;
    const int cx = static_cast<int>(w / 2 + p * panX);
    const int cy = static_cast<int>(h / 2 + p * panY);
    box.side = static_cast<int>(p * f);
    box.x = static_cast<int>(cx - p * f / 2);
    box.y = static_cast<int>(cy - p * f / 2);
    return true;
}

void SectionMarkerSize(double zoom, double& s, double& lineFactor)
{
    s = std::max(zoom, 1.0);
    lineFactor = std::max(1.0, 2 * std::min(zoom, 1.0));
}

void ShadowProbeSize(const RenderSettings& s, int& width, int& height)
{
    width = std::max(static_cast<int>(std::ceil(s.halfExtentX * 40.0)),
                     static_cast<int>(std::ceil(s.viewportWidth / 20.0)));
    height = std::max(static_cast<int>(std::ceil(s.halfExtentY * 40.0)),
                      static_cast<int>(std::ceil(s.viewportHeight / 20.0)));
}

double ShadowCompareBias()
{
    // The light's depth range spans the scene's diagonal and a unit either side.
    return kShadowBiasDistance / (2 * (kSceneHalfDiagonal + 1.0));
}

LightWindow FullLightWindow(double hx, double hy)
{
    return {2 * kSceneHalfDiagonal * hx, 0, 2 * kSceneHalfDiagonal * hy, 0};
}

LightWindow LightWindowFromDepths(const std::vector<float>& depths, int width, int height, double hx, double hy)
{
    if (width <= 0 || height <= 0 || depths.size() < static_cast<size_t>(width) * height)
        return FullLightWindow(hx, hy);
    int minX = width, minY = height, maxX = 0, maxY = 0;
    bool any = false;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (depths[static_cast<size_t>(y) * width + x] != 1.0f) {
                any = true;
                minX = std::min(minX, x);
                minY = std::min(minY, y);
                maxX = std::max(maxX, x);
                maxY = std::max(maxY, y);
            }
    // Nothing seen from the light: an inverted window would turn the light's
    // projection inside out, so the whole scene is taken instead.
    if (!any)
        return FullLightWindow(hx, hy);
    minX -= 1;
    minY -= 1;
    maxX += 2;
    maxY += 2;
    const double k = kSceneHalfDiagonal * 2;
    LightWindow window;
    window.a = double(maxX - minX) / width * hx * k;
    window.c = double(maxY - minY) / height * hy * k;
    window.b = double(maxX + minX - width) / width * hx * k;
    window.d = double(maxY + minY - height) / height * hy * k;
    return window;
}

} // namespace velmor
