#pragma once
// The decisions of a pane's frame that need no GL: light placement and
// colours, fog distances, viewport and texture sizes, the border cut's
// scissor box, the section marker's size and the shadow light window.
// The GL half sends what these compute.
#include "render/RenderSettings.h"

#include <cstdint>
#include <vector>

namespace velmor {

// Light 0 at the chosen corner and light 2 opposite it; light 0's distance
// and intensity follow.
void PlaceLights(RenderSettings& settings);
// Light colours of a light mode (0 normal, 1 dim; others keep light 0's
// diffuse and specular) with lights 1 to 3 derived from them.
void ComputeLightColours(RenderSettings& settings, uint32_t mode);
// Linear fog start and end, whole numbers around the camera distance.
void FogRange(float cameraDistance, int& start, int& end);
// The smallest power of two not below `size` (1 for sizes below 1).
uint32_t TextureSide(int32_t size);
// Zeroes the pass state that Init resets.
void ResetPassState(RenderSettings& settings);

struct ScissorBox {
    int x = 0, y = 0, side = 0;
};
// The border cut of linked panes: whether it applies and its box.
bool BorderCutBox(const RenderSettings& settings, double panX, double panY, ScissorBox& box);

// The clip-handle frame: s = max(zoom, 1), line factor max(1, 2 min(zoom, 1)).
void SectionMarkerSize(double zoom, double& s, double& lineFactor);

// The shadow light's orthographic window: half widths a (x) and c (y) and
// centres b and d, in light-view units.
struct LightWindow {
    double a = 0, b = 0, c = 0, d = 0;
};
constexpr double kSceneHalfDiagonal = 1.73205;
// How far, in the scene's normalised units, a surface must lie behind what
// the shadow map holds to be in its shadow. A curved surface seen almost
// edge-on from the light (an iso-surface's terraces near its shadow line)
// would otherwise shadow itself in specks and ticks where it faces the light.
constexpr double kShadowBiasDistance = 0.04;
// The same distance in the light's depth range (0..1).
double ShadowCompareBias();
// Size of the coarse depth image the light window is found from.
void ShadowProbeSize(const RenderSettings& settings, int& width, int& height);
// The window that holds the whole normalised scene.
LightWindow FullLightWindow(double hx, double hy);
// The window around every pixel of a width x height depth image that is not
// at the far plane (depth 1.0); the full window when nothing was drawn.
LightWindow LightWindowFromDepths(const std::vector<float>& depths, int width, int height, double hx, double hy);

} // namespace velmor
