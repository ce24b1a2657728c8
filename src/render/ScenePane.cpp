#include "render/ScenePane.h"

#include "platform/Memory.h"
#include "render/RenderSettings.h"
#include "units/DrawGroup.h"

#include <cfloat>
#include <cmath>
#include <limits>

namespace velmor {

void (*DeletePaneTexture)(uint32_t texture) = nullptr;

namespace {

int32_t SaturatedStep(int64_t t)
{
    if (t > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (t < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(t);
}

// Truncated like an integer conversion, but a range bound far outside the
// 32-bit steps (or not a number) cannot make that conversion undefined.
int32_t StepOf(float time)
{
    if (std::isnan(time))
        return 0;
    if (time >= 2147483647.0f)
        return std::numeric_limits<int32_t>::max();
    if (time <= -2147483648.0f)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(time);
}

// Keeps `value` in [lower, upper] by the rule of `mode`; false only when the
// clamping mode had to clamp.
bool KeepInBounds(double& value, double& step, double lower, double upper, int mode)
{
    if (mode == kMoveWrap) {
        if (value > upper)
            value = lower;
        else if (value < lower)
            value = upper;
        return true;
    }
    if (value > upper)
        value = upper;
    else if (value < lower)
        value = lower;
    else
        return true;
    if (mode == kMoveReflect) {
        step = -step;
        return true;
    }
    return false;
}

void ClampInto(double& value, double lower, double upper)
{
    if (value > upper)
        value = upper;
    else if (value < lower)
        value = lower;
}

} // namespace

ScenePane::ScenePane() { Reset(); }

ScenePane::~ScenePane() { FreeTexture(); }

void ScenePane::Reset()
{
    ResetObjectRotation();
    ResetClipRotation();
    ResetPan();
    ResetZoom();
    ResetClipOffset();
    ResetClipSwitch();
    ResetClipHandleMode();
}

void ScenePane::ResetPan()
{
    panX = homePanX;
    panY = homePanY;
}

void ScenePane::ResetZoom() { zoom = homeZoom; }
void ScenePane::ResetClipSwitch() { clipOn = homeClipOn; }
void ScenePane::ResetClipOffset() { clipOffset = homeClipOffset; }
void ScenePane::ResetClipHandleMode() { clipHandleMode = homeClipHandleMode; }

void ScenePane::ResetObjectRotation()
{
    objectRotation = homeObjectRotation;
    QuatToMatrix(objectRotation, objectMatrix);
    clipRotation = QuatMultiply(objectRotation, clipRelativeRotation);
    QuatToMatrix(clipRelativeRotation, clipMatrix);
}

void ScenePane::ResetClipRotation()
{
    clipRelativeRotation = homeClipRotation;
    clipRotation = QuatMultiply(objectRotation, clipRelativeRotation);
    QuatToMatrix(clipRelativeRotation, clipMatrix);
}

void ScenePane::SetRotations(const Quaternion& object, const Quaternion& clip)
{
    objectRotation = object;
    QuatToMatrix(objectRotation, objectMatrix);
    clipRotation = clip;
    clipRelativeRotation = QuatMultiply(QuatConjugate(objectRotation), clipRotation);
    QuatToMatrix(clipRelativeRotation, clipMatrix);
}

void ScenePane::StoreRotationStart()
{
    objectRotationStart = objectRotation;
    clipRotationStart = clipRotation;
}

void ScenePane::Rotate(double angle, double ax, double ay, double az, bool rotateObject, bool rotateClip)
{
    const Quaternion q = QuatFromAxisAngle(angle, ax, ay, az);
    if (rotateObject) {
        objectRotation = QuatMultiply(q, objectRotationStart);
        QuatToMatrix(objectRotation, objectMatrix);
        if (rotateClip) {
            clipRotation = QuatMultiply(q, clipRotationStart);
            return;
        }
        // The clip plane keeps its place in the world while the object turns.
        clipRelativeRotation = QuatMultiply(QuatConjugate(objectRotation), clipRotation);
        QuatToMatrix(clipRelativeRotation, clipMatrix);
    } else if (rotateClip) {
        clipRotation = QuatMultiply(q, clipRotationStart);
        clipRelativeRotation = QuatMultiply(QuatConjugate(objectRotation), clipRotation);
        QuatToMatrix(clipRelativeRotation, clipMatrix);
    }
}

bool ScenePane::Zoom(double& factor, int mode)
{
    if (!zoomAllowed)
        return true;
    // A factor that is not a positive number would leave no picture to undo.
    if (!(factor > 0) || !std::isfinite(factor))
        return false;
    bool result = true;
    zoom *= factor;
    if (mode == kMoveWrap) {
        if (zoom > zoomMax)
            zoom = zoomMin;
        else if (zoom < zoomMin)
            zoom = zoomMax;
    } else if (zoom > zoomMax || zoom < zoomMin) {
        zoom = zoom > zoomMax ? zoomMax : zoomMin;
        if (mode == kMoveReflect)
            factor = 1.0 / factor;
        else
            result = false;
    }
    const RenderSettings& settings = CurrentRenderSettings();
    const double hx = settings.halfExtentX, hy = settings.halfExtentY;
    ClampInto(panX, -hx + panXMin * zoom, hx + panXMax * zoom);
    ClampInto(panY, -hy + panYMin * zoom, hy + panYMax * zoom);
    return result;
}

bool ScenePane::Pan(double& dx, double& dy, int mode)
{
    if (!panAllowed)
        return true;
    if (!std::isfinite(dx) || !std::isfinite(dy))
        return false;
    const RenderSettings& settings = CurrentRenderSettings();
    const double hx = settings.halfExtentX, hy = settings.halfExtentY;
    panX += dx;
    panY += dy;
    const bool inX = KeepInBounds(panX, dx, -hx + panXMin * zoom, hx + panXMax * zoom, mode);
    const bool inY = KeepInBounds(panY, dy, -hy + panYMin * zoom, hy + panYMax * zoom, mode);
    return inX && inY;
}

bool ScenePane::MoveClip(double& delta, int mode)
{
    if (!std::isfinite(delta))
        return false;
    clipOffset += delta;
    return KeepInBounds(clipOffset, delta, clipOffsetMin, clipOffsetMax, mode);
}

void ScenePane::SetRoot(DrawGroup* group)
{
    root = group;
    float start = FLT_MAX, end = FLT_MIN;
    if (group != nullptr)
        group->GetTimeRange(start, end);
    timeStart = start == FLT_MAX ? 0.0f : start;
    timeEnd = end == FLT_MIN ? 0.0f : end;
    ResetTime();
}

bool ScenePane::SetTime(int64_t t, bool wrap)
{
    timeStep = SaturatedStep(t);
    const double step = timeStep;
    if (wrap) {
        // A step wrapped onto one end is not wrapped again, even when the
        // truncated end lies just outside a fractional range.
        if (step > timeEnd)
            timeStep = StepOf(timeStart);
        else if (step < timeStart)
            timeStep = StepOf(timeEnd);
        return false;
    }
    if (step > timeEnd) {
        timeStep = StepOf(timeEnd);
        return true;
    }
    if (step < timeStart) {
        timeStep = StepOf(timeStart);
        return true;
    }
    return false;
}

bool ScenePane::StepTime(int64_t dt, bool wrap) { return SetTime(static_cast<int64_t>(timeStep) + dt, wrap); }

void ScenePane::ResetTime() { timeStep = StepOf(timeStart); }

void ScenePane::ClearRootCentreOffset()
{
    if (root == nullptr)
        return;
    root->centre[0] = root->centre[1] = root->centre[2] = 0;
}

void ScenePane::FreeTexture()
{
    if (pixels == nullptr)
        return;
    if (DeletePaneTexture != nullptr)
        DeletePaneTexture(texture);
    ReleaseMemory(pixels, pixelBytes);
    pixels = nullptr;
    pixelBytes = 0;
    texture = 0;
}

double PaneHalfDepth(uint32_t nearFarRestrict, double zoom)
{
    constexpr double kOpen = 3.4641;
    constexpr double kHalfDiagonal = 1.73205;
    if (nearFarRestrict == 0)
        return kOpen;
    const double c = nearFarRestrict == 1 ? 5.0 : nearFarRestrict == 2 ? 1.0 : 0.2;
    const double half = c / zoom;
    return half > kHalfDiagonal ? kHalfDiagonal : half;
}

namespace {

// The box of the pane's picture at the camera for a pan and a zoom; false
// when the values leave no box that doubles can measure.
bool PanZoomBox(double panX, double panY, double zoom, double hx, double hy, PaneProjection& p)
{
    const double s = 1.0 / zoom;
    p.left = (-hx - panX) * s;
    p.right = (hx - panX) * s;
    p.bottom = (-hy - panY) * s;
    p.top = (hy - panY) * s;
    const bool finite = std::isfinite(p.left) && std::isfinite(p.right) && std::isfinite(p.bottom) && std::isfinite(p.top);
    // A pan so far out that adding the half extent changes nothing collapses the box.
    return finite && (hx <= 0 || p.left < p.right) && (hy <= 0 || p.bottom < p.top);
}

} // namespace

PaneProjection ComputePaneProjection(const ScenePane& pane, ProjectionMode mode, const RenderSettings& settings)
{
    const double distance = settings.cameraDistance;
    const double hx = settings.halfExtentX, hy = settings.halfExtentY;
    // Every path that changes the zoom keeps it positive; one set directly
    // to nonsense must still give a usable box.
    double zoom = pane.zoom > 0 && std::isfinite(pane.zoom) ? pane.zoom : 1.0;
    PaneProjection p;
    if (mode == ProjectionMode::kFixedLayer) {
        p = {false, -hx, hx, -hy, hy, distance - 3.4641, distance + 3.4641};
        return p;
    }
    // A pan or zoom too far out for the box to be measured shows the scene
    // unpanned, then also unzoomed, rather than handing the camera no box.
    if (!PanZoomBox(pane.panX, pane.panY, zoom, hx, hy, p) && !PanZoomBox(0, 0, zoom, hx, hy, p)) {
        zoom = 1.0;
        PanZoomBox(0, 0, zoom, hx, hy, p);
    }
    if (mode != ProjectionMode::kScene) {
        p.nearPlane = distance - 3.4641;
        p.farPlane = distance + 3.4641;
        return p;
    }
    const double half = PaneHalfDepth(settings.nearFarRestrict, zoom);
    p.nearPlane = distance - half;
    p.farPlane = distance + half;
    if (settings.projection == 1) {
        const double k = (distance - 2.9999972025) / (distance - 1.0);
        p.perspective = true;
        p.left *= k;
        p.right *= k;
        p.bottom *= k;
        p.top *= k;
    }
    return p;
}

void WindowToPaneUnits(double wx, double wy, int width, int height, double& sx, double& sy)
{
    const double m = width < height ? width : height;
    sx = m > 0 ? 2.0 * (wx - width / 2.0) / m : 0.0;
    sy = m > 0 ? 2.0 * (wy - height / 2.0) / m : 0.0;
}

void ShiftPanTowards(ScenePane& pane, double sx, double sy)
{
    if (std::isfinite(sx) && std::fabs(sx - pane.centreScreenX) > 1e-8)
        pane.panX += sx - pane.centreScreenX;
    if (std::isfinite(sy) && std::fabs(sy - pane.centreScreenY) > 1e-8)
        pane.panY += sy - pane.centreScreenY;
}

void RootCentre(const DrawGroup& group, double centre[3])
{
    for (int i = 0; i < 3; ++i)
        centre[i] = group.offset[i];
}

} // namespace velmor
