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

// The view's answers to the scene events, its motion and its input, kept off
// the view's own interface. The events' renderer operations run inside the
// view's RunEvent, with its context current.
class CVelmorView::Helpers final : public EventViewSeam, public MotionHost, public ViewInputTarget {
public:
    explicit Helpers(CVelmorView& view) : view_(view), renderer_(view.renderer_) {}

    // Asked by more than one of them.
    void StartTimer(int number, int periodMs) override { view_.StartTimer(number, periodMs); }
    void UpdateViewControls() override { view_.UpdateViewControls(); }

    // EventViewSeam.
    void StopAnimations() override { view_.motion_.StopAnimations(); }
    void StopPlayback() override { view_.motion_.StopPlayback(); }
    void StartPlayback() override { view_.motion_.StartPlayback(); }
    void OpenUrl(const std::wstring& url) override { view_.OpenUrl(url); }
    void ToggleFullScreen(bool on) override { view_.ToggleFullScreen(on); }
    void SetLabelFont(EventLabel label, double pointSize, const std::wstring& face) override
    {
        view_.SetLabelFont(label, pointSize, face);
    }
    void SetLabelColor(EventLabel label, uint32_t colorRef) override { view_.SetLabelColor(label, colorRef); }
    void SetPaneRoot(bool firstRun, int index, DrawGroup* group) override
    {
        renderer_.SetPaneRoot(firstRun, index, group);
    }
    void SetActiveSpace(bool firstRun, int index) override { renderer_.SetActiveSpace(firstRun, index); }
    void SetBackgroundSpace(bool firstRun, int index) override { renderer_.SetBackgroundSpace(firstRun, index); }
    void SetForegroundSpace(bool firstRun, int index) override { renderer_.SetForegroundSpace(firstRun, index); }
    void MoveToNextSpace() override { renderer_.MoveToNextSpace(); }
    void SetRotationCentre(int index, double x, double y, double z) override
    {
        if (ScenePane* pane = renderer_.Pane(index)) pane->SetRotationCentre(x, y, z);
    }
    void ApplyLightPosition() override { view_.ApplyLightPosition(); }
    void SetBackgroundColor(uint8_t r, uint8_t g, uint8_t b) override { renderer_.SetBackgroundColor(r, g, b); }
    void RebuildPaneTextures() override { renderer_.RebuildPaneTextures(); }

    // MotionHost.
    void KillTimer(int number) override { view_.KillTimer(number); }
    void RenderNow() override { view_.RenderNow(); }
    void RunEvent(SceneEvent& event) override { view_.RunEvent(&event); }
    void ResetRotationCentre(int paneIndex) override
    {
        ContextGuard gl(view_);
        if (ScenePane* pane = renderer_.Pane(paneIndex)) pane->ResetRotationCentre();
    }

    // ViewInputTarget.
    bool SceneShown() const override { return view_.SceneShown(); }
    bool CanPick() const override { return view_.glUsable_; }
    bool UnitEditing() const override { return view_.viewMode_ == ViewMode::kUnitEditing; }
    bool PickingRotationCentre() const override { return view_.rotationCentrePickMode_; }
    bool ButtonEnabled(int button) const override { return view_.ButtonEnabled(button); }
    bool PlaceCursor(int x, int y) override;
    int PictureSide() const override { return std::max(1, std::min(renderer_.viewportWidth, renderer_.viewportHeight)); }
    void WithGL(const std::function<void()>& work) override { view_.WithGLContext(work); }
    bool ActivatePaneAtCursor() override;
    UnitPick PickUnit() override;
    void ChangeSelection(const UnitPick& pick, bool toggle) override { SceneRenderer::ChangeSelection(pick, toggle); }
    void ForgetPick() override { renderer_.ForgetPick(); }
    void PickRotationCentre() override;
    void RunEvent(SceneEvent* event) override { view_.RunEvent(event); }
    void PressButton(int button) override { view_.RunButtonCommand(button); }
    void NextPane() override { view_.OnNextPane(); }
    // Each switch happens only from its own mode.
    void ToggleFullScreen() override { view_.ToggleFullScreen(view_.viewMode_ != ViewMode::kFullScreen); }

private:
    CVelmorView& view_;
    SceneRenderer& renderer_;
};

bool CVelmorView::Helpers::PlaceCursor(int x, int y)
{
    // The picture's rows count from its bottom.
    renderer_.pick.cursorX = x;
    renderer_.pick.cursorY = renderer_.viewportHeight - y - 1;
    return renderer_.IsInViewport(renderer_.pick.cursorX, renderer_.pick.cursorY);
}

bool CVelmorView::Helpers::ActivatePaneAtCursor()
{
    const int hit = renderer_.HitTestPane();
    if (hit < 0 || hit == renderer_.activeSpace) return false;
    renderer_.SetActiveSpace(false, hit);
    renderer_.StoreRotationStart(hit);
    return true;
}

UnitPick CVelmorView::Helpers::PickUnit()
{
    const UnitPick pick = renderer_.PickUnit();
    // The pick drew into the picture's buffer: the next frame redraws it.
    view_.update();
    return pick;
}

void CVelmorView::Helpers::PickRotationCentre()
{
    ScenePane* pane = renderer_.Pane(renderer_.activeSpace);
    if (pane == nullptr) return;
    bool hit = false;
    {
        ContextGuard gl(view_);
        double point[3] = {};
        hit = pane->PickSurfacePoint(renderer_.pick.cursorX, renderer_.pick.cursorY, point);
        if (hit) {
            pane->SetRotationCentre(point[0], point[1], point[2]);
            pane->clipOffset = 0;
            if (pane->root != nullptr) pane->root->InvalidateClipCaps();
        }
    }
    // The pick drew into the picture's buffer: a frame follows either way.
    if (hit)
        view_.RenderNow();
    else
        view_.update();
}

CVelmorView::CVelmorView(QWidget* parent)
    : QOpenGLWidget(parent),
      helpers_(std::make_unique<Helpers>(*this)),
      motion_(renderer_, state_, *helpers_),
      input_(*helpers_, motion_)
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
    renderer_.listener = &dialogs_;
}

CVelmorView::~CVelmorView()
{
    // The panes' textures and display lists belong to this context.
    if (initialised_ && context() != nullptr) {
        makeCurrent();
        renderer_.FreePanes();
        doneCurrent();
    }
}

CVelmorView::ContextGuard::ContextGuard(CVelmorView& view) : view_(view)
{
    // Even when the context is current its picture buffer may not be bound:
    // making it current binds both. Painting has both already and must keep
    // them to the end.
    if (view_.contextDepth_++ == 0 && view_.initialised_ && view_.context() != nullptr && !view_.painting_) {
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
    if (initialised_) return;
    initialised_ = true;
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
    glUsable_ = true;
    // The panes are rendered into textures: a window larger than the
    // biggest texture could not be drawn whole.
    const int largest = std::max(1024, static_cast<int>(GLCaps.maxTextureSize));
    window()->setMaximumSize(largest, largest);
    PublishRenderSettings(&renderer_);
    renderer_.StartOnContext();
    renderer_.ResetRenderer();
    PublishRenderSettings(&renderer_);
    PublishSceneRenderer(&renderer_);
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
    renderer_.pick.cursorX = -1;
    renderer_.pick.cursorY = -1;
    renderer_.SetViewportSize(std::max(1, cx), std::max(1, cy));
}

void CVelmorView::resizeGL(int w, int h)
{
    if (layoutLocked_) return;
    LayoutView(w, h);
    layoutChanged_ = true;
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
    if (initialised_ && (contextDepth_ > 0 || painting_)) makeCurrent();
}

void CVelmorView::paintGL()
{
    const QScopedValueRollback<bool> painting(painting_, true);
    if (!glUsable_ || !SceneShown()) {
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
    if (layoutChanged_) {
        renderer_.RebuildPaneTextures();
        layoutChanged_ = false;
    }
    renderer_.RenderAllPanes();
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
    if (!glUsable_) return;
    if (isVisible() && updatesEnabled()) {
        repaint();
        // Painting may leave another context current.
        if (contextDepth_ > 0) makeCurrent();
        return;
    }
    ContextGuard gl(*this);
    if (SceneShown() && !MessageBoxOpen()) {
        renderer_.RenderAllPanes();
        MakePictureOpaque();
    }
}

void CVelmorView::FindShownSpaces(WindowRect& active, std::vector<WindowRect>& others)
{
    if (!glUsable_ || !SceneShown()) return;
    ContextGuard gl(*this);
    const QPoint origin = mapToGlobal(QPoint());
    const auto onScreen = [&](WindowRect r) { return WindowRect{r.x + origin.x(), r.y + origin.y(), r.width, r.height}; };
    active = onScreen(renderer_.ShownArea(renderer_.activeSpace));
    for (int i = 0; i < renderer_.paneCount; ++i) {
        if (!renderer_.IsOrdinaryPane(i)) continue;
        if (const WindowRect r = renderer_.ShownArea(i); r.Area() > 0) others.push_back(onScreen(r));
    }
}

void CVelmorView::RedrawIfIdle()
{
    if (!glUsable_) return;
    if (SceneShown()) {
        ContextGuard gl(*this);
        renderer_.RebuildPaneTextures();
        layoutChanged_ = false;
    }
    if (!state_.AnyAnimation()) RenderNow();
}

void CVelmorView::OnInitialUpdate(CVelmorDoc* doc)
{
    document_ = doc;
    if (doc != nullptr && !dialogs_.Created()) dialogs_.CreateToolDialogs(doc->head);
    // Before GL exists the set-up waits for it (see initializeGL).
    if (!initialised_ || !glUsable_ || initialUpdatePending_) {
        initialUpdatePending_ = !initialised_ || initialUpdatePending_;
        return;
    }
    InitialUpdateScene();
    update();
}

void CVelmorView::InitialUpdateScene()
{
    ContextGuard gl(*this);
    ResetViewState();
    renderer_.ResetRenderer();
    UpdateViewControls();
    // Preferences apply from the next scene opened, with the buffer-object
    // support of this context.
    CKxDlgApplication::LoadApplicationSettings(GLCaps.vertexBufferSupported != 0);
    bool shown = state_.sceneLoaded && document_ != nullptr;
    if (shown) {
        InitGLState(false);
        renderer_.paneCount = std::max(1, paneCount_);
        shown = renderer_.CreatePanes();
    }
    // F11 does nothing without a scene: a full-screen window would stay so.
    if (!shown) {
        LeaveFullScreenWindow();
        return;
    }
    // A scene that replaces one shown full screen is shown full screen too,
    // and its events see it so.
    StoreViewMode(FullScreenWindow() ? ViewMode::kFullScreen : ViewMode::kNormal);
    if (firstEvent_ != nullptr)
        RunEvent(firstEvent_);
    else
        ShowSceneWithoutFirstEvent();
    RefreshUnitPanel(true);
    dialogs_.SelectFirstUnit(true);
    // Now that the panel lists the new units: full screen keeps their
    // visibility for its end and hides what the first event brought up.
    if (viewMode_ == ViewMode::kFullScreen) SetViewMode(ViewMode::kFullScreen);
    layoutChanged_ = true;
}

void CVelmorView::StoreViewMode(ViewMode mode)
{
    viewMode_ = mode;
    if (mode != ViewMode::kUnitEditing)
        editingHold_.reset();
    else if (!editingHold_)
        editingHold_.emplace();
}

void CVelmorView::ShowSceneWithoutFirstEvent()
{
    renderer_.ShowWithoutFirstEvent(FindTopGroup(document_->drawGroups));
    state_.sceneLoaded = false;
    UpdateViewControls();
}

void CVelmorView::ResetViewState()
{
    motion_.KillAllTimers();
    if (bar_ != nullptr) {
        bar_->SetBackgroundColor(kBarColour);
        bar_->ForgetStates();
    }
    input_.ForgetDrags();
    state_.idleEvent = state_.returnEvent = state_.nextEvent = nullptr;
    state_.returnArmed = false;
    motion_.NoteUserInput();
    state_.homeRunning = state_.towardRunning = false;
    state_.playbackStopped = true;
    rotationCentrePickMode_ = false;
    layoutChanged_ = false;
    UpdateViewControls();
}

void CVelmorView::RunEvent(SceneEvent* event)
{
    if (event == nullptr || document_ == nullptr || !glUsable_) return;
    // Selection patterns, textures and lights change inside the run.
    ContextGuard gl(*this);
    SceneEventExecutor executor(renderer_, *document_, state_, *helpers_);
    executor.RunEvent(*event);
}

void CVelmorView::ForgetSceneEvents()
{
    firstEvent_ = nullptr;
    state_.idleEvent = state_.returnEvent = state_.nextEvent = nullptr;
    state_.returnArmed = false;
}

void CVelmorView::ShowNoScene()
{
    // The units are about to go: no dialog may keep one. An open dialog
    // returns the view to normal mode as it hides, so this comes first.
    dialogs_.ForgetUnits();
    StoreViewMode(ViewMode::kNoScene);
    state_.sceneLoaded = false;
    motion_.KillAllTimers();
    input_.ForgetDrags();
    // The panes point into the groups the document is about to delete.
    if (initialised_ && glUsable_) {
        ContextGuard gl(*this);
        renderer_.ResetRenderer();
        UpdateViewControls();
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
    motion_.KillAllTimers();
    box.exec();
    UpdateViewControls();
}

void CVelmorView::StartTimer(int number, int periodMs)
{
    if (number < 0 || number >= kTimerCount) return;
    KillTimer(number);
    // The idle wait is the scene's idle time, whatever period the caller named.
    if (number == kIdleTimer) periodMs = IdlePeriodMs(state_.idleTime);
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
        motion_.OnTimer(static_cast<int>(found - std::begin(timerIds_)));
    }
    QOpenGLWidget::timerEvent(event);
}

void CVelmorView::ToggleFullScreen(bool on)
{
    if (on && viewMode_ == ViewMode::kNormal) {
        if (EnterFullScreenWindow()) SetViewMode(ViewMode::kFullScreen);
    } else if (!on && viewMode_ == ViewMode::kFullScreen) {
        LeaveFullScreenWindow();
        SetViewMode(ViewMode::kNormal);
    }
}

bool CVelmorView::EnterFullScreenWindow()
{
    auto* frame = qobject_cast<QMainWindow*>(window());
    if (frame == nullptr) return false;
    // Saving again would make the full-screen window the one to go back to.
    if (!FullScreenWindow()) {
        layoutLocked_ = true;
        savedShowState_ = static_cast<int>(frame->windowState());
        savedGeometry_ = frame->geometry();
        frame->menuBar()->hide();
        layoutLocked_ = false;
        // Without a window manager to honour the full-screen state the
        // window takes the screen's size itself.
        if (QScreen* screen = frame->screen()) frame->setGeometry(screen->geometry());
        frame->showFullScreen();
    }
    return true;
}

void CVelmorView::LeaveFullScreenWindow()
{
    auto* frame = qobject_cast<QMainWindow*>(window());
    if (frame == nullptr || !FullScreenWindow()) return;
    layoutLocked_ = true;
    frame->menuBar()->show();
    layoutLocked_ = false;
    frame->setWindowState(Qt::WindowStates(savedShowState_) & ~Qt::WindowFullScreen);
    if (!(frame->windowState() & Qt::WindowMaximized) && savedGeometry_.isValid()) frame->setGeometry(savedGeometry_);
    savedShowState_ = -1;
}

// The render window and scene events move the light between frames, when
// another context, or none, may be current: the light must reach this one.
void CVelmorView::ApplyLightPosition()
{
    ContextGuard gl(*this);
    if (initialised_)
        renderer_.ApplyLightPosition();
    else
        PlaceLights(renderer_);   // the context's set-up sends it
}

void CVelmorView::OnHome()
{
    if (!SceneShown()) return;
    ContextGuard gl(*this);
    motion_.OnHome();
}

void CVelmorView::OnRotateZPlus()
{
    if (!SceneShown()) return;
    renderer_.StoreRotationStart(renderer_.activeSpace);
    motion_.RotateActivePane(1.0, 0, 0, 5.0);
    RenderNow();
}

void CVelmorView::OnRotateZMinus()
{
    if (!SceneShown()) return;
    renderer_.StoreRotationStart(renderer_.activeSpace);
    motion_.RotateActivePane(1.0, 0, 0, -5.0);
    RenderNow();
}

void CVelmorView::OnClipToggle()
{
    motion_.StopAnimations();
    renderer_.ToggleClipSwitch(renderer_.activeSpace);
    UpdateViewControls();
    update();
}

void CVelmorView::OnClipHandleToggle()
{
    motion_.StopAnimations();
    renderer_.ToggleClipHandleMode(renderer_.activeSpace);
    UpdateViewControls();
    update();
}

void CVelmorView::OnPickRotationCentre()
{
    if (!SceneShown() || renderer_.Pane(renderer_.activeSpace) == nullptr || !ButtonEnabled(kPickCentreButton)) return;
    rotationCentrePickMode_ = !rotationCentrePickMode_;
    UpdateViewControls();
    RenderNow();
}

void CVelmorView::OnNextSpace()
{
    motion_.StopAnimations();
    motion_.StopPlayback();
    {
        ContextGuard gl(*this);
        renderer_.MoveToNextSpace();
    }
    UpdateViewControls();
    update();
}

void CVelmorView::OnTimeBack()
{
    motion_.StepTime(-1);
    update();
}

void CVelmorView::OnTimeForward()
{
    motion_.StepTime(1);
    update();
}

void CVelmorView::OnTimePlay() { motion_.TogglePlayback(); }

void CVelmorView::OnTimeStop()
{
    motion_.ResetTime();
    update();
}

void CVelmorView::OnFriendGroup()
{
    EnableButton(kFriendButton, false);
    motion_.StopAnimations();
    motion_.StopPlayback();
    ScenePane* active = renderer_.Pane(renderer_.activeSpace);
    if (active != nullptr && active->root != nullptr && active->root->friendGroup != nullptr) {
        ContextGuard gl(*this);
        renderer_.SetPaneRoot(false, renderer_.activeSpace, active->root->friendGroup);
    }
    UpdateViewControls();
    active = renderer_.Pane(renderer_.activeSpace);
    EnableButton(kFriendButton, active != nullptr && active->root != nullptr && active->root->friendGroup != nullptr &&
                           viewMode_ != ViewMode::kUnitEditing);
    update();
}

void CVelmorView::OnNextPane()
{
    if (viewMode_ == ViewMode::kUnitEditing) return;
    motion_.StopAnimations();
    motion_.StopPlayback();
    {
        ContextGuard gl(*this);
        renderer_.SelectNextPane();
    }
    UpdateViewControls();
    update();
}

void CVelmorView::mousePressEvent(QMouseEvent* event) { input_.Press(*event); }
void CVelmorView::mouseMoveEvent(QMouseEvent* event) { input_.Move(*event); }
void CVelmorView::mouseReleaseEvent(QMouseEvent* event) { input_.Release(*event); }
void CVelmorView::wheelEvent(QWheelEvent* event) { input_.Wheel(*event); }

void CVelmorView::keyReleaseEvent(QKeyEvent* event)
{
    if (!input_.KeyRelease(*event)) QOpenGLWidget::keyReleaseEvent(event);
}

// Tab belongs to the view (next pane), not to focus moves.
bool CVelmorView::focusNextPrevChild(bool) { return false; }

} // namespace velmor
