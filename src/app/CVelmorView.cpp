#include "app/CVelmorView.h"

#include "app/CKxDlgApplication.h"
#include "app/CKxDlgProgress.h"
#include "app/ViewBar.h"
#include "platform/MessageSink.h"
#include "render/GLExtensions.h"
#include "render/RenderPassRules.h"
#include "render/ViewControlStates.h"
#include "scene/CVelmorDoc.h"
#include "units/DrawGroup.h"

#include <QCoreApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QOpenGLContext>
#include <QScopedValueRollback>
#include <QScreen>
#include <QSurfaceFormat>
#include <QTimerEvent>

#include <algorithm>
#include <cstdio>

#include <GL/gl.h>

namespace velmor {

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
    // The picture stays when a frame is not redrawn (a message box is open).
    setUpdateBehavior(QOpenGLWidget::PartialUpdate);
    setFocusPolicy(Qt::StrongFocus);
    // A move without a button held is input too: it holds the idle event
    // off and brings the return event after it.
    setMouseTracking(true);
    renderer.services = this;
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

CVelmorView::ContextGuard::ContextGuard(CVelmorView& view) : view_(view)
{
    // Even when the context is current its picture buffer may not be bound:
    // making it current binds both. Painting has both already and must keep
    // them to the end.
    if (view_.contextDepth_++ == 0 && view_.initialised && view_.context() != nullptr && !view_.painting_) {
        view_.makeCurrent();
        view_.contextMadeCurrent_ = true;
    }
}

CVelmorView::ContextGuard::~ContextGuard()
{
    if (--view_.contextDepth_ == 0 && view_.contextMadeCurrent_) {
        view_.contextMadeCurrent_ = false;
        view_.doneCurrent();
    }
}

void CVelmorView::WithGLContext(const std::function<void()>& work)
{
    ContextGuard gl(*this);
    work();
}


void CVelmorView::initializeGL()
{
    if (initialised) return;
    initialised = true;
    QOpenGLContext* ctx = context();
    LoadGLExtensions([ctx](const char* name) { return reinterpret_cast<GLProc>(ctx->getProcAddress(name)); });
    if (GLCaps.glVersion < 1.2f) {
        // Without GL 1.2 nothing can be shown: the program says so and ends.
        // Not from inside this first paint, which may be part of showing
        // the window.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [] {
                ShowMessage(L"OpenGL version error");
                QCoreApplication::exit(1);
            },
            Qt::QueuedConnection);
        return;
    }
    glUsable = true;
    // The panes are rendered into textures: a window larger than the
    // biggest texture could not be drawn whole.
    const int largest = std::max(1024, static_cast<int>(GLCaps.maxTextureSize));
    window()->setMaximumSize(largest, largest);
    PublishRenderSettings(&renderer);
    renderer.StartOnContext();
    renderer.ResetRenderer();
    PublishRenderSettings(&renderer);
    PublishSceneRenderer(&renderer);
    LayoutView(width(), height());
    if (initialUpdatePending_) {
        // Not inside this first paint: the scene's set-up loads data in jobs
        // whose wait runs the event loop.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!initialUpdatePending_) return;
                initialUpdatePending_ = false;
                InitialUpdateScene();
                update();
            },
            Qt::QueuedConnection);
    }
}

void CVelmorView::LayoutView(int cx, int cy)
{
    renderer.pick.cursorX = -1;
    renderer.pick.cursorY = -1;
    renderer.SetViewportSize(std::max(1, cx), std::max(1, cy));
}

void CVelmorView::resizeGL(int w, int h)
{
    if (layoutLocked) return;
    LayoutView(w, h);
    layoutChanged = true;
}

bool CVelmorView::MessageBoxOpen() const
{
    const CKxDlgProgress* progress = CKxDlgProgress::Instance();
    return progress != nullptr && progress->messageBoxOpen;
}

void CVelmorView::RebindAfterJob()
{
    // A job's wait runs the event loop, where other windows may make their
    // own contexts current; a frame or an event run in progress goes on in
    // the view's.
    if (initialised && (contextDepth_ > 0 || painting_)) makeCurrent();
}

void CVelmorView::paintGL()
{
    const QScopedValueRollback<bool> painting(painting_, true);
    if (!glUsable || !SceneShown()) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glClearColor(0, 0, 0, 0);
        return;
    }
    // While a message box of a load is open the scene may be half built:
    // the last picture stays.
    if (MessageBoxOpen()) return;
    // The panes clear their pictures with this colour and expect it clear.
    glClearColor(0, 0, 0, 0);
    if (layoutChanged) {
        renderer.RebuildPaneTextures();
        layoutChanged = false;
    }
    renderer.RenderAllPanes();
    MakePictureOpaque();
}

void CVelmorView::MakePictureOpaque()
{
    // The panes compose with alpha, and the window system would show the
    // picture through it; what reaches the window is opaque.
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_TRUE);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(0, 0, 0, 0);
}

void CVelmorView::RenderNow()
{
    if (!glUsable) return;
    if (isVisible() && updatesEnabled()) {
        repaint();
        // Painting may leave another context current.
        if (contextDepth_ > 0) makeCurrent();
        return;
    }
    ContextGuard gl(*this);
    if (SceneShown() && !MessageBoxOpen()) {
        renderer.RenderAllPanes();
        MakePictureOpaque();
    }
}

void CVelmorView::RedrawIfIdle()
{
    if (!glUsable) return;
    if (SceneShown()) {
        ContextGuard gl(*this);
        renderer.RebuildPaneTextures();
        layoutChanged = false;
    }
    if (!state.AnyAnimation()) RenderNow();
}

void CVelmorView::OnInitialUpdate(CVelmorDoc* doc)
{
    document = doc;
    if (doc != nullptr && !dialogs.Created()) renderer.CreateToolDialogs();
    // Before GL exists the set-up waits for it (see initializeGL).
    if (!initialised || !glUsable || initialUpdatePending_) {
        initialUpdatePending_ = !initialised || initialUpdatePending_;
        return;
    }
    InitialUpdateScene();
    update();
}

void CVelmorView::InitialUpdateScene()
{
    ContextGuard gl(*this);
    ResetViewState();
    renderer.ResetRenderer();
    // Preferences apply from the next scene opened, with the buffer-object
    // support of this context.
    CKxDlgApplication::LoadApplicationSettings(GLCaps.vertexBufferSupported != 0);
    if (!state.sceneLoaded || document == nullptr) return;
    InitGLState(false);
    renderer.paneCount = std::max(1, paneCount);
    if (!renderer.CreatePanes()) return;
    viewMode = ViewMode::kNormal;
    if (firstEvent != nullptr)
        RunEvent(firstEvent);
    else
        ShowSceneWithoutFirstEvent();
    renderer.RefreshUnitPanel(true);
    dialogs.SelectFirstUnit(true);
    layoutChanged = true;
}

void CVelmorView::ShowSceneWithoutFirstEvent()
{
    renderer.SetActiveSpace(true, 0);
    if (DrawGroup* top = FindTopGroup(document->drawGroups)) renderer.SetPaneRoot(true, 0, top);
    renderer.RebuildPaneTextures();
    renderer.UpdateInfoDialogs(true);
    state.sceneLoaded = false;
    UpdateViewControls();
}

void CVelmorView::ResetViewState()
{
    motion.KillAllTimers();
    backgroundColor = 0;
    if (bar_ != nullptr) {
        bar_->SetBackgroundColor(backgroundColor);
        bar_->ForgetStates();
    }
    input.ForgetDrags();
    state.idleEvent = state.returnEvent = state.nextEvent = nullptr;
    state.returnArmed = false;
    motion.NoteUserInput();
    state.homeRunning = state.towardRunning = false;
    state.playbackStopped = true;
    rotationCentrePickMode = false;
    layoutChanged = false;
    UpdateViewControls();
}

void CVelmorView::RunEvent(SceneEvent* event)
{
    if (event == nullptr || document == nullptr || !glUsable) return;
    // Selection patterns, textures and lights change inside the run.
    ContextGuard gl(*this);
    SceneEventExecutor executor(renderer, *document, state, *this);
    executor.RunEvent(*event);
}

void CVelmorView::ForgetSceneEvents()
{
    firstEvent = nullptr;
    state.idleEvent = state.returnEvent = state.nextEvent = nullptr;
    state.returnArmed = false;
}

void CVelmorView::ShowNoScene()
{
    // The units are about to go: no dialog may keep one. An open dialog
    // returns the view to normal mode as it hides, so this comes first.
    dialogs.ForgetUnits();
    viewMode = ViewMode::kNoScene;
    state.sceneLoaded = false;
    motion.KillAllTimers();
    input.ForgetDrags();
    // The panes point into the groups the document is about to delete.
    if (initialised && glUsable) {
        ContextGuard gl(*this);
        renderer.ResetRenderer();
    }
    update();
}

void CVelmorView::OnApplicationSettings()
{
    CKxDlgApplication dialog(window());
    RunModalBox(dialog);
}

void CVelmorView::RunModalBox(QDialog& box)
{
    motion.KillAllTimers();
    box.exec();
    UpdateViewControls();
}

void CVelmorView::StartTimer(int number, int periodMs)
{
    if (number < 0 || number >= kTimerCount) return;
    KillTimer(number);
    // The idle wait is the scene's idle time, whatever period the caller named.
    if (number == kIdleTimer) periodMs = IdlePeriodMs(state.idleTime);
    timerIds_[number] = startTimer(std::max(periodMs, 1), Qt::PreciseTimer);
}

void CVelmorView::KillTimer(int number)
{
    if (number < 0 || number >= kTimerCount || timerIds_[number] == 0) return;
    killTimer(timerIds_[number]);
    timerIds_[number] = 0;
}

void CVelmorView::timerEvent(QTimerEvent* event)
{
    const int id = event->timerId();
    const int* found = std::find(std::begin(timerIds_), std::end(timerIds_), id);
    if (found != std::end(timerIds_) && id != 0) {
        ContextGuard gl(*this);
        motion.OnTimer(static_cast<int>(found - std::begin(timerIds_)));
    }
    QOpenGLWidget::timerEvent(event);
}

void CVelmorView::ToggleFullScreen(bool on)
{
    auto* frame = qobject_cast<QMainWindow*>(window());
    if (frame == nullptr) return;
    if (on && viewMode == ViewMode::kNormal) {
        layoutLocked = true;
        savedShowState = static_cast<int>(frame->windowState());
        savedGeometry_ = frame->geometry();
        frame->menuBar()->hide();
        layoutLocked = false;
        // Without a window manager to honour the full-screen state the
        // window takes the screen's size itself.
        if (QScreen* screen = frame->screen()) frame->setGeometry(screen->geometry());
        frame->showFullScreen();
        SetViewMode(ViewMode::kFullScreen);
    } else if (!on && viewMode == ViewMode::kFullScreen) {
        layoutLocked = true;
        frame->menuBar()->show();
        layoutLocked = false;
        frame->setWindowState(savedShowState >= 0 ? Qt::WindowStates(savedShowState) & ~Qt::WindowFullScreen
                                                  : Qt::WindowNoState);
        if (!(frame->windowState() & Qt::WindowMaximized) && savedGeometry_.isValid()) frame->setGeometry(savedGeometry_);
        savedShowState = -1;
        SetViewMode(ViewMode::kNormal);
    }
}

void CVelmorView::SetPaneRoot(bool firstRun, int index, DrawGroup* group)
{
    renderer.SetPaneRoot(firstRun, index, group);
}

void CVelmorView::SetActiveSpace(bool firstRun, int index) { renderer.SetActiveSpace(firstRun, index); }
void CVelmorView::SetBackgroundSpace(bool firstRun, int index) { renderer.SetBackgroundSpace(firstRun, index); }
void CVelmorView::SetForegroundSpace(bool firstRun, int index) { renderer.SetForegroundSpace(firstRun, index); }
void CVelmorView::MoveToNextSpace() { renderer.MoveToNextSpace(); }
// The render window and scene events move the light between frames, when
// another context, or none, may be current: the light must reach this one.
void CVelmorView::ApplyLightPosition()
{
    ContextGuard gl(*this);
    if (initialised)
        renderer.ApplyLightPosition();
    else
        PlaceLights(renderer);   // the context's set-up sends it
}
void CVelmorView::SetBackgroundColor(uint8_t r, uint8_t g, uint8_t b) { renderer.SetBackgroundColor(r, g, b); }
void CVelmorView::RebuildPaneTextures() { renderer.RebuildPaneTextures(); }

void CVelmorView::SetRotationCentre(int index, double x, double y, double z)
{
    if (ScenePane* pane = renderer.Pane(index)) pane->SetRotationCentre(x, y, z);
}

void CVelmorView::ResetRotationCentre(int paneIndex)
{
    ContextGuard gl(*this);
    if (ScenePane* pane = renderer.Pane(paneIndex)) pane->ResetRotationCentre();
}

void CVelmorView::OnHome()
{
    if (!SceneShown()) return;
    ContextGuard gl(*this);
    motion.OnHome();
}

void CVelmorView::OnRotateZPlus()
{
    if (!SceneShown()) return;
    renderer.StoreRotationStart(renderer.activeSpace);
    motion.RotateActivePane(1.0, 0, 0, 5.0);
    RenderNow();
}

void CVelmorView::OnRotateZMinus()
{
    if (!SceneShown()) return;
    renderer.StoreRotationStart(renderer.activeSpace);
    motion.RotateActivePane(1.0, 0, 0, -5.0);
    RenderNow();
}

void CVelmorView::OnClipToggle()
{
    motion.StopAnimations();
    renderer.ToggleClipSwitch(renderer.activeSpace);
    UpdateViewControls();
    update();
}

void CVelmorView::OnClipHandleToggle()
{
    motion.StopAnimations();
    renderer.ToggleClipHandleMode(renderer.activeSpace);
    UpdateViewControls();
    update();
}

void CVelmorView::OnPickRotationCentre()
{
    if (!SceneShown() || renderer.Pane(renderer.activeSpace) == nullptr || !ButtonEnabled(kPickCentreButton)) return;
    rotationCentrePickMode = !rotationCentrePickMode;
    UpdateViewControls();
    RenderNow();
}

void CVelmorView::OnNextSpace()
{
    motion.StopAnimations();
    motion.StopPlayback();
    {
        ContextGuard gl(*this);
        renderer.MoveToNextSpace();
    }
    UpdateViewControls();
    update();
}

void CVelmorView::OnTimeBack()
{
    motion.StepTime(-1);
    update();
}

void CVelmorView::OnTimeForward()
{
    motion.StepTime(1);
    update();
}

void CVelmorView::OnTimePlay() { motion.TogglePlayback(); }

void CVelmorView::OnTimeStop()
{
    motion.ResetTime();
    update();
}

void CVelmorView::OnFriendGroup()
{
    EnableButton(kFriendButton, false);
    motion.StopAnimations();
    motion.StopPlayback();
    ScenePane* active = renderer.Pane(renderer.activeSpace);
    if (active != nullptr && active->root != nullptr && active->root->friendGroup != nullptr) {
        ContextGuard gl(*this);
        renderer.SetPaneRoot(false, renderer.activeSpace, active->root->friendGroup);
    }
    UpdateViewControls();
    active = renderer.Pane(renderer.activeSpace);
    EnableButton(kFriendButton, active != nullptr && active->root != nullptr && active->root->friendGroup != nullptr &&
                           viewMode != ViewMode::kUnitEditing);
    update();
}

void CVelmorView::OnNextPane()
{
    if (viewMode == ViewMode::kUnitEditing) return;
    motion.StopAnimations();
    motion.StopPlayback();
    {
        ContextGuard gl(*this);
        renderer.SelectNextPane();
    }
    UpdateViewControls();
    update();
}

void CVelmorView::mousePressEvent(QMouseEvent* event) { input.Press(*event); }
void CVelmorView::mouseMoveEvent(QMouseEvent* event) { input.Move(*event); }
void CVelmorView::mouseReleaseEvent(QMouseEvent* event) { input.Release(*event); }
void CVelmorView::wheelEvent(QWheelEvent* event) { input.Wheel(*event); }

void CVelmorView::keyReleaseEvent(QKeyEvent* event)
{
    if (!input.KeyRelease(*event)) QOpenGLWidget::keyReleaseEvent(event);
}

// Tab belongs to the view (next pane), not to focus moves.
bool CVelmorView::focusNextPrevChild(bool) { return false; }

} // namespace velmor
