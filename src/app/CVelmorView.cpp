#include "app/CVelmorView.h"

#include "app/CKxDlgApplication.h"
#include "dialogs/CKxDlgFileInfo.h"
#include "platform/MessageSink.h"
#include "render/GLExtensions.h"
#include "scene/CVelmorDoc.h"
#include "units/DrawGroup.h"

#include <QMouseEvent>
#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <QTimerEvent>
#include <QWheelEvent>

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include <GL/gl.h>

namespace velmor {

namespace {
constexpr int kAnimationTimer = 1;
constexpr int kPlaybackTimer = 21;
constexpr int kClickSlop = 8;
constexpr uint32_t kFlickMs = 100;
constexpr uint32_t kRepressMs = 10;
} // namespace

CVelmorView::CVelmorView(QWidget* parent) : QOpenGLWidget(parent)
{
    setObjectName(QStringLiteral("view"));
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setDepthBufferSize(24);
    format.setStencilBufferSize(8);
    format.setAlphaBufferSize(8);
    setFormat(format);
}

CVelmorView::~CVelmorView()
{
    // The panes' textures and display lists belong to this context.
    if (initialised && context() != nullptr) {
        makeCurrent();
        renderer.FreePanes();
        doneCurrent();
    }
}

uint32_t CVelmorView::NowMs()
{
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void CVelmorView::initializeGL()
{
    if (initialised) return;
    initialised = true;
    QOpenGLContext* ctx = context();
    LoadGLExtensions([ctx](const char* name) { return reinterpret_cast<GLProc>(ctx->getProcAddress(name)); });
    if (GLCaps.glVersion < 1.2f) {
        ShowMessage(L"OpenGL version error");
        return;
    }
    glUsable = true;
    PublishRenderSettings(&renderer);
    renderer.StartOnContext();
    renderer.ResetRenderer();
    PublishRenderSettings(&renderer);
    PublishSceneRenderer(&renderer);
    if (sceneLoaded && document != nullptr) BuildScenePanes();
}

void CVelmorView::resizeGL(int w, int h)
{
    renderer.SetViewportSize(std::max(1, w), std::max(1, h));
    SetCursorPosition(-1, -1);
    layoutChanged = true;
}

void CVelmorView::paintGL()
{
    if (!glUsable || !SceneShown()) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        return;
    }
    if (layoutChanged) {
        renderer.RebuildPaneTextures();
        layoutChanged = false;
    }
    renderer.RenderAllPanes();
}

void CVelmorView::OnInitialUpdate(CVelmorDoc* doc)
{
    document = doc;
    if (!initialised || !glUsable) return;   // the first initialisation builds the panes
    makeCurrent();
    KillAllTimers();
    renderer.ResetRenderer();
    if (sceneLoaded) BuildScenePanes();
    doneCurrent();
    update();
}

void CVelmorView::BuildScenePanes()
{
    InitGLState(false);
    renderer.paneCount = std::max(1, paneCount);
    if (!renderer.CreatePanes()) return;
    renderer.SetActiveSpace(true, 0);
    DrawGroup* top = FindTopGroup(document->drawGroups);
    if (top != nullptr) renderer.SetPaneRoot(false, 0, top);
    renderer.SetActiveSpace(false, 0);
    viewMode = ViewMode::kNormal;
    layoutChanged = true;
    renderer.RefreshUnitPanel(true);
}

void CVelmorView::OnApplicationSettings()
{
    KillAllTimers();
    CKxDlgApplication dialog(window());
    dialog.exec();
}

void CVelmorView::OnFileInfoDialog()
{
    if (fileInfo == nullptr) return;
    fileInfo->show();
    fileInfo->raise();
}

void CVelmorView::ShowNoScene()
{
    viewMode = ViewMode::kNoScene;
    sceneLoaded = false;
    KillAllTimers();
    // The panes point into the groups the document is about to delete.
    if (initialised && glUsable && context() != nullptr) {
        makeCurrent();
        renderer.ResetRenderer();
        doneCurrent();
    }
    update();
}

void CVelmorView::StartTimerNumber(int number, int periodMs)
{
    KillTimerNumber(number);
    timerIds[number] = startTimer(periodMs, Qt::PreciseTimer);
}

void CVelmorView::KillTimerNumber(int number)
{
    if (timerIds[number] != 0) killTimer(timerIds[number]);
    timerIds[number] = 0;
}

void CVelmorView::KillAllTimers()
{
    for (int i = 0; i < 256; ++i) KillTimerNumber(i);
    std::fill(std::begin(animating), std::end(animating), 0);
    playbackStopped = true;
    stepCounter = -1;
    homeRunning = towardRunning = false;
}

void CVelmorView::StopAnimations()
{
    for (int i = 0; i <= 20; ++i) KillTimerNumber(i);
    std::fill(std::begin(animating), std::end(animating), 0);
    stepCounter = -1;
    homeRunning = towardRunning = false;
}

void CVelmorView::StartPlayback()
{
    StartTimerNumber(kPlaybackTimer, playbackInterval);
    playbackStopped = false;
}

void CVelmorView::StopPlayback()
{
    KillTimerNumber(kPlaybackTimer);
    playbackStopped = true;
}

void CVelmorView::RotateActivePane(double angle, double x, double y, double z)
{
    ScenePane* pane = renderer.Pane(renderer.activeSpace);
    if (pane == nullptr) return;
    if (pane->clipHandleMode)
        renderer.RotatePane(renderer.activeSpace, angle, x, y, z, false, true);
    else if (renderer.fixClipDuringRotation)
        renderer.RotatePane(renderer.activeSpace, angle, x, y, z, true, false);
    else
        renderer.RotatePane(renderer.activeSpace, angle, x, y, z, true, true);
}

void CVelmorView::SetCursorPosition(int x, int y)
{
    renderer.pick.cursorX = x;
    renderer.pick.cursorY = x < 0 && y < 0 ? -1 : renderer.viewportHeight - y - 1;
}

void CVelmorView::StartPanInertia(uint8_t mode)
{
    ScenePane* pane = renderer.Pane(renderer.activeSpace);
    if (pane == nullptr) return;
    if (pane->clipHandleMode == 0) animating[0] = mode;
    StartTimerNumber(kAnimationTimer, 20);
}

void CVelmorView::StartRotationInertia(uint8_t mode)
{
    ScenePane* pane = renderer.Pane(renderer.activeSpace);
    if (pane == nullptr) return;
    if (pane->clipHandleMode)
        animating[4] = mode;
    else if (renderer.fixClipDuringRotation)
        animating[3] = mode;
    else
        animating[2] = mode;
    StartTimerNumber(kAnimationTimer, 20);
}

void CVelmorView::mousePressEvent(QMouseEvent* event)
{
    const int x = event->position().toPoint().x(), y = event->position().toPoint().y();
    const uint32_t now = NowMs();
    if (!SceneShown() || !glUsable) return;
    if (event->button() == Qt::LeftButton) {
        if (rightDragging || now - lastLeftUpTime < kRepressMs) return;
        SetCursorPosition(x, y);
        if (!renderer.IsInViewport(renderer.pick.cursorX, renderer.pick.cursorY)) return;
        StopAnimations();
        leftDragging = true;
        renderer.StoreRotationStart(renderer.activeSpace);
        makeCurrent();
        if (viewMode != ViewMode::kUnitEditing) {
            const int hit = renderer.HitTestPane();
            if (hit >= 0 && hit != renderer.activeSpace) {
                StopPlayback();
                renderer.SetActiveSpace(false, hit);
                renderer.StoreRotationStart(hit);
            }
        }
        renderer.PickUnitByColor();
        if (ScenePane* picked = renderer.Pane(renderer.pickedPane)) {
            renderer.currentTime = static_cast<float>(picked->timeStep);
            SceneEvent* found = nullptr;
            renderer.FindPickedUnitEvent(true, picked->root, found);
        }
        doneCurrent();
        update();
        lastMoveTime = now;
        downX = lastX = x;
        downY = lastY = y;
        std::fill(std::begin(objectAxis), std::end(objectAxis), 0.0);
        std::fill(std::begin(clipAxis), std::end(clipAxis), 0.0);
    } else if (event->button() == Qt::RightButton) {
        if (leftDragging || now - lastRightUpTime < kRepressMs) return;
        SetCursorPosition(x, y);
        if (!renderer.IsInViewport(renderer.pick.cursorX, renderer.pick.cursorY)) return;
        StopAnimations();
        rightDragging = true;
        lastMoveTime = now;
        downX = lastX = x;
        downY = lastY = y;
        panStep[0] = panStep[1] = 0;
    }
}

void CVelmorView::mouseMoveEvent(QMouseEvent* event)
{
    const int x = event->position().toPoint().x(), y = event->position().toPoint().y();
    if (!SceneShown() || (x == lastX && y == lastY)) return;
    SetCursorPosition(x, y);
    const double side = std::max(1, std::min(renderer.viewportWidth, renderer.viewportHeight));
    const double s = 180.0 / side;
    bool applied = false;
    if (leftDragging) {
        RotateActivePane(1.0, (y - downY) * s, (x - downX) * s, 0);
        objectAxis[0] = clipAxis[0] = (y - lastY) * s;
        objectAxis[1] = clipAxis[1] = (x - lastX) * s;
        objectAxis[2] = clipAxis[2] = 0;
        applied = true;
    } else if (rightDragging) {
        if (ScenePane* pane = renderer.Pane(renderer.activeSpace)) {
            const double u = 2.0 / side;
            if (pane->clipHandleMode) {
                clipStep = (y - lastY) * u / pane->zoom;
                renderer.MovePaneClip(renderer.activeSpace, clipStep, 1);
            } else {
                panStep[0] = (x - lastX) * u;
                panStep[1] = -(y - lastY) * u;
                renderer.PanPane(renderer.activeSpace, panStep[0], panStep[1], 1);
            }
            applied = true;
        }
    }
    if (applied) update();
    lastMoveTime = NowMs();
    lastX = x;
    lastY = y;
}

void CVelmorView::mouseReleaseEvent(QMouseEvent* event)
{
    const int x = event->position().toPoint().x(), y = event->position().toPoint().y();
    const uint32_t now = NowMs();
    if (!SceneShown()) return;
    const bool click = std::abs(x - downX) < kClickSlop && std::abs(y - downY) < kClickSlop;
    if (event->button() == Qt::LeftButton && leftDragging) {
        SetCursorPosition(x, y);
        leftDragging = false;
        if (ScenePane* picked = renderer.Pane(renderer.pickedPane)) {
            renderer.currentTime = static_cast<float>(picked->timeStep);
            SceneEvent* found = nullptr;
            renderer.FindPickedUnitEvent(!click, picked->root, found);
            if (found != nullptr) update();
        }
        if (!click && now - lastMoveTime < kFlickMs) StartRotationInertia(3);
        renderer.pickedPane = -1;
        lastLeftUpTime = now;
    } else if (event->button() == Qt::RightButton && rightDragging) {
        rightDragging = false;
        if (!click && now - lastMoveTime < kFlickMs) StartPanInertia(4);
        lastRightUpTime = now;
    }
}

void CVelmorView::wheelEvent(QWheelEvent* event)
{
    if (!SceneShown()) return;
    const bool back = event->angleDelta().y() < 1;
    if (leftDragging) {
        renderer.StoreRotationStart(renderer.activeSpace);
        RotateActivePane(1.0, 0, 0, back ? -1 : 1);
    } else if (ScenePane* pane = renderer.Pane(renderer.activeSpace)) {
        if (pane->clipHandleMode) {
            clipStep = (back ? -0.01 : 0.01) / pane->zoom;
            renderer.MovePaneClip(renderer.activeSpace, clipStep, 1);
        } else {
            zoomStep = back ? 0.935 : 1.07;
            renderer.ZoomPane(renderer.activeSpace, zoomStep, 1);
        }
    }
    update();
}

void CVelmorView::OnPlaybackTick()
{
    if (renderer.Pane(renderer.activeSpace) == nullptr) return;
    if (renderer.StepPaneTime(renderer.activeSpace, 1, playbackLoop))
        StopPlayback();
    else
        update();
}

void CVelmorView::OnAnimationTick()
{
    const int active = renderer.activeSpace;
    if (renderer.Pane(active) == nullptr) return;
    if (animating[2] || animating[3]) {
        renderer.StoreRotationStart(active);
        renderer.RotatePane(active, 1.0, objectAxis[0], objectAxis[1], objectAxis[2], true, animating[2] != 0);
    }
    if (animating[4]) {
        renderer.StoreRotationStart(active);
        renderer.RotatePane(active, 1.0, clipAxis[0], clipAxis[1], clipAxis[2], false, true);
    }
    if (animating[0] && !renderer.PanPane(active, panStep[0], panStep[1], animating[0])) animating[0] = 0;
    if (animating[1] && !renderer.MovePaneClip(active, clipStep, animating[1])) animating[1] = 0;
    if (animating[5] && !renderer.ZoomPane(active, zoomStep, animating[5])) animating[5] = 0;
    if (stepCounter != -1) ++stepCounter;
    update();
}

void CVelmorView::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == timerIds[kPlaybackTimer])
        OnPlaybackTick();
    else if (event->timerId() == timerIds[kAnimationTimer])
        OnAnimationTick();
    if (std::none_of(std::begin(animating), std::end(animating), [](uint8_t f) { return f != 0; })) {
        KillTimerNumber(kAnimationTimer);
        homeRunning = towardRunning = false;
    }
    QOpenGLWidget::timerEvent(event);
}

} // namespace velmor
