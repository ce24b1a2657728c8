#pragma once
// One render pane, which scene files call a space: an independent view of
// one root group with its own pan, zoom, rotations, clip plane and time step.
// The arithmetic and state live here, free of GL; the operations that talk
// to GL (projection, camera, texture) are defined in ScenePaneGL.cpp.
#include "render/Quaternion.h"

#include <cstdint>
#include <vector>

namespace velmor {

class DrawGroup;
struct RenderSettings;

// How a pan, zoom or clip move treats its limits, and so how an animation of
// it runs: a single step, or an animation that stops at a limit (both clamp
// and report false there); one that wraps to the other end (turns, which
// have no limit, run this way); one that reflects (the caller's step is
// turned round). The numbers are those the scenes' events name.
enum MoveMode : uint8_t { kMoveNone = 0, kMoveStep = 1, kMoveToLimit = 2, kMoveWrap = 3, kMoveReflect = 4 };

// A pane's part in the frame: the active pane, an ordinary pane that follows
// it while panes are linked, an ordinary pane, or the background or
// foreground pane.
enum class PaneState : uint8_t { kActive, kLinked, kOrdinary, kBackOrFore };

// Where the selection marker is drawn: over the fore layer (a pointer),
// under the back layer (a frame) or with the main layer (axes).
enum class SelectMode : uint8_t { kNone, kOverForeLayer, kUnderBackLayer, kWithMainLayer };

// The projections a pane draws through: the scene's, the one of layers that
// follow pan and zoom, and the one of layers fixed to the screen.
enum class ProjectionMode : uint8_t { kScene, kFollowingLayer, kFixedLayer };

// The box of one projection, with its near and far planes.
struct PaneProjection {
    bool perspective = false;
    double left = 0, right = 0, bottom = 0, top = 0, nearPlane = 0, farPlane = 0;
};

struct ScenePane {
    ScenePane();
    ~ScenePane();
    ScenePane(const ScenePane&) = delete;
    ScenePane& operator=(const ScenePane&) = delete;

    uint8_t panAllowed = 1;
    uint8_t zoomAllowed = 1;
    uint8_t clipAllowed = 1;
    uint8_t deleteAllowed = 1;
    double homePanX = 0, homePanY = 0;
    double homeZoom = 1.0;
    Quaternion homeObjectRotation;
    Quaternion homeClipRotation;     // relative to the object
    uint8_t homeClipOn = 0;
    double homeClipOffset = 0;
    uint8_t homeClipHandleMode = 0;
    double panX = 0, panY = 0;       // pane units: the shorter window side spans 2
    double zoom = 1.0;
    Quaternion objectRotation;
    Quaternion clipRotation;         // objectRotation x clipRelativeRotation
    Quaternion clipRelativeRotation;
    uint8_t clipOn = 0;
    double clipOffset = 0;
    uint8_t clipHandleMode = 0;      // 1: drags and the wheel move the clip plane
    double panXMin = -1, panXMax = 1;
    double panYMin = -1, panYMax = 1;
    double zoomMin = 0.1, zoomMax = 100.0;
    double clipOffsetMin = -1, clipOffsetMax = 1;
    double centreScreenX = 0, centreScreenY = 0;
    int32_t timeStep = 0;
    float timeStart = 0, timeEnd = 0;
    DrawGroup* root = nullptr;       // not owned
    PaneState state = PaneState::kOrdinary;
    uint32_t texture = 0;
    uint8_t* pixels = nullptr;       // texture-sized RGBA; null without a texture
    uint64_t pixelBytes = 0;
    Quaternion objectRotationStart, clipRotationStart;
    float objectMatrix[16] = {};
    float clipMatrix[16] = {};

    void Reset();
    void ResetPan();
    void ResetZoom();
    void ResetClipSwitch();
    void ResetClipOffset();
    void ResetClipHandleMode();
    void ResetObjectRotation();
    void ResetClipRotation();
    void StoreRotationStart();
    // Takes both rotations as they are (absolute clip rotation), keeping the
    // relative one and the matrices in step.
    void SetRotations(const Quaternion& object, const Quaternion& clip);
    // Turns by `angle` degrees about (ax, ay, az) from the start copies.
    void Rotate(double angle, double ax, double ay, double az, bool rotateObject, bool rotateClip);
    // Each takes a step in and may hand it back turned round (mode 4).
    bool Zoom(double& factor, int mode);
    bool Pan(double& dx, double& dy, int mode);
    bool MoveClip(double& delta, int mode);
    void SetRoot(DrawGroup* group);
    bool SetTime(int64_t t, bool wrap);
    bool StepTime(int64_t dt, bool wrap);
    void ResetTime();
    void ClearRootCentreOffset();

    // GL half.
    void ResetRotationCentre();
    void SetRotationCentre(double x, double y, double z);
    void SetProjection(ProjectionMode mode);
    void SetCamera();
    void CreateTexture();
    void FreeTexture();
    void DrawTextureQuad();

    // The frame of one pane into its texture, layer by layer and pass by
    // pass (GL half, ScenePanePassesGL.cpp).
    void RenderPane();
    void RenderPickPass(int pass);
    // Draws the main layer's opaque passes and finds the surface under window
    // pixel (wx, wy), counted from the bottom: the point in the root's own
    // coordinates. False where nothing is drawn. The picture is cleared.
    bool PickSurfacePoint(int wx, int wy, double point[3]);
    void DrawBackgroundLayer(int pass);
    void DrawForegroundLayer(int pass);
    void DrawGuideLines(int pass);
    void DrawSectionMarker();
    void SetClipPlane();
    void SetReversedClipPlane();
    void PublishMatrices();
    void RenderShadowed();
    void BuildDepthHullPoints(int width, int height, std::vector<float>& farthest);
    void SetLightProjection(double a, double b, double c, double d);
    void SetLightCamera();
    void UpdateRoot();

    // Set by the renderer's selection.
    SelectMode selectMode = SelectMode::kNone;
    DrawGroup* selectionGroup = nullptr;   // not owned
};

// Half the depth range of the scene projection: wide open without the
// near/far restriction, else a slab around the rotation centre that thins as
// the zoom grows but never exceeds the normalised scene's half diagonal.
double PaneHalfDepth(uint32_t nearFarRestrict, double zoom);
// The projection ScenePane::SetProjection loads.
PaneProjection ComputePaneProjection(const ScenePane& pane, ProjectionMode mode, const RenderSettings& settings);
// Window pixels to pane units about the viewport centre.
void WindowToPaneUnits(double wx, double wy, int width, int height, double& sx, double& sy);
// Moves the pan by how far a point's screen position (sx, sy) lies from where
// the rotation centre was last drawn, so that re-centring keeps the picture.
void ShiftPanTowards(ScenePane& pane, double sx, double sy);
// The point of a top group that its normalisation maps onto the origin.
void RootCentre(const DrawGroup& group, double centre[3]);

// GL: where `point` of the root's own coordinates appears under the pane's
// scene projection, in pane units.
bool ProjectRootPoint(ScenePane& pane, const double point[3], double& sx, double& sy);
// GL: the viewport and matrices that carry the root's own coordinates of a
// pane into window pixels (scene projection, object rotation, normalisation).
struct RootProjection {
    int viewport[4] = {};
    double projection[16] = {};
    double modelView[16] = {};
};
RootProjection ReadRootProjection(ScenePane& pane);

// Deletes a pane's GL texture; installed by the GL half when it creates one.
extern void (*DeletePaneTexture)(uint32_t texture);

} // namespace velmor
