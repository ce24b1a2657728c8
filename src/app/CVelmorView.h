#pragma once
// The view: the picture where scenes are shown. It owns the renderer and
// its OpenGL context, shows each scene the document reads and runs its
// events. Input lives in ViewInput, motion (timers, home, inertia, playback)
// in ViewMotion, the strip of buttons under the picture in ViewBar, the tool
// windows in ToolDialogHost. The dialogs reach the view through ViewServices
// (answered in CVelmorViewServices.cpp); the scene events (EventViewSeam),
// the motion and the input through a private adapter. The renderer reports
// its changes to the tool windows' host, never to the view.
#include "app/SceneChangeHold.h"
#include "app/ToolDialogHost.h"
#include "app/ViewInput.h"
#include "render/SceneEventExecutor.h"
#include "render/SceneRenderer.h"
#include "render/ViewMotion.h"
#include "render/ViewServices.h"
#include "scene/DocumentView.h"

#include <QOpenGLWidget>

#include <cstdint>
#include <memory>
#include <optional>

class QDialog;

namespace velmor {

class CKxDlgFileInfo;
class CVelmorDoc;
class DrawGroup;
class ViewBar;

// The group a scene without a first event is shown from: the first (in name
// order) that no other group lists as a child; null for a scene without groups.
template <typename GroupMap> DrawGroup* FindTopGroup(const GroupMap& groups)
{
    for (const auto& [name, group] : groups) {
        bool isChild = false;
        for (const auto& [otherName, other] : groups)
            for (const DrawGroup* child : other->children)
                isChild = isChild || child == group.get();
        if (!isChild) return group.get();
    }
    return nullptr;
}

class CVelmorView final : public QOpenGLWidget, public DocumentView, public ViewServices {
public:
    // The picture's size in a new window; the bar lies below it.
    static constexpr int kClientWidth = 1280;
    static constexpr int kClientHeight = 720;

    explicit CVelmorView(QWidget* parent = nullptr);
    ~CVelmorView() override;
    QSize sizeHint() const override { return {kClientWidth, kClientHeight}; }

    // The bar under the picture, which follows the view's background colour.
    void SetBar(ViewBar* bar);

    // Menu "環境設定(&Z)": the application preference dialog, modally.
    void OnApplicationSettings();
    // The three switches of the settings menu. (The menu opens the tool
    // windows through Dialogs() and the help files through ViewServices.)
    void OnShowFrameArrow();
    void OnFixClipDuringRotation();
    void OnConnectViewSpace();
    // F1: the manual, except in full screen.
    bool OnHelp();

    // After a document was opened or emptied: shows its scene, if it has one,
    // and runs its first event.
    void OnInitialUpdate(CVelmorDoc* doc);
    // Runs one scene event with the view's context current; null does nothing.
    void RunEvent(SceneEvent* event);
    // Renders and shows a frame at once (for renders that bracket a flag);
    // update() schedules one for everything else.
    void RenderNow() override;
    // Rebuilds the pane pictures, then renders unless an animation is about
    // to present the next frame.
    void RedrawIfIdle() override;
    void SetViewMode(ViewMode mode) override;
    // The view switches only from the matching view mode.
    void ToggleFullScreen(bool on);
    // Greys or enables the File menu (the main window's first menu).
    void EnableFileMenu(bool enable);
    // Around long jobs: tool windows and the File menu are disabled.
    void LockControls() override;
    void UnlockControls(bool enableMenu) override;
    // After a job: the view's context is made current again where a frame
    // or an event run was waiting for the job.
    void RebindAfterJob();
    void ResetViewState();
    // Shows a modal box with the view's timers stopped (playback ends), then
    // brings the bar up to date.
    void RunModalBox(QDialog& box);
    bool SceneShown() const { return viewMode_ != ViewMode::kNoScene; }

    // Commands of the view buttons (and their keys).
    void OnHome();
    void OnRotateZPlus();
    void OnRotateZMinus();
    void OnClipToggle();
    void OnClipHandleToggle();
    void OnPickRotationCentre();
    void OnNextSpace();
    void OnTimeBack();
    void OnTimeForward();
    void OnTimePlay();
    void OnTimeStop();
    void OnFriendGroup();

    // DocumentView.
    void ShowNoScene() override;
    void SetSceneLoaded(bool loaded) override { state_.sceneLoaded = loaded; }
    void SetPaneCount(int32_t count) override { paneCount_ = count; }
    void SetFirstEvent(SceneEvent* event) override { firstEvent_ = event; }
    SceneEvent* FirstEvent() const override { return firstEvent_; }
    void ForgetSceneEvents() override;
    void WithGLContext(const std::function<void()>& work) override;

    // ViewServices.
    void UpdateViewControls() override;
    void ApplyLightPosition() override;
    ViewMode GetViewMode() const override { return viewMode_; }
    DrawGroup* ActiveRootGroup() override;
    void RefreshCurrentPane() override;
    bool CurrentPaneClipOn() override;
    void StoreRotationStart() override { motion_.StoreRotationStart(); }
    void RotateActivePane(double angle, double x, double y, double z) override;
    int32_t HomeAnimationSteps() const override { return state_.homeAnimationSteps; }
    void SetHomeAnimationSteps(int32_t steps) override { state_.homeAnimationSteps = steps; }
    void RefreshUnitPanel(bool focus) override;
    void RefreshScaleBarDialog() override;
    std::optional<uint32_t> PickColour(uint32_t initial) override { return dialogs_.PickColour(initial); }
    bool RunVoxelDataDialog(DataObject& data) override { return dialogs_.RunVoxelDataDialog(data); }
    bool RunArrayDataDialog(DataObject& data) override { return dialogs_.RunArrayDataDialog(data); }
    bool RunColorScaleDialog(CKxDrawUSurfaceR& unit) override { return dialogs_.RunColorScaleDialog(unit); }
    bool OpenDocument(const std::wstring& pathOrAddress) override;

    // Makes the view's context current for its lifetime (nesting allowed)
    // when it is not already; painting has its own.
    class ContextGuard {
    public:
        explicit ContextGuard(CVelmorView& view);
        ~ContextGuard();
        ContextGuard(const ContextGuard&) = delete;
        ContextGuard& operator=(const ContextGuard&) = delete;

    private:
        CVelmorView& view_;
    };

    // Where the picture shows the active space's units and those of the
    // other ordinary spaces, on the screen; none without a scene.
    void FindShownSpaces(WindowRect& active, std::vector<WindowRect>& others);

    // What the view's helpers, the main window and the tests look at.
    SceneRenderer& Renderer() { return renderer_; }
    EventViewState& State() { return state_; }
    ViewMotion& Motion() { return motion_; }
    ViewInput& Input() { return input_; }
    ToolDialogHost& Dialogs() { return dialogs_; }
    ViewMode Mode() const { return viewMode_; }
    int32_t PaneCount() const { return paneCount_; }
    bool GLUsable() const { return glUsable_; }
    bool RotationCentrePickMode() const { return rotationCentrePickMode_; }

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void timerEvent(QTimerEvent* event) override;

private:
    // Answers the scene events, the motion and the input (CVelmorView.cpp).
    class Helpers;

    void InitialUpdateScene();
    // The mode alone, without what SetViewMode does to the windows.
    void StoreViewMode(ViewMode mode);
    // The main window's side of full screen; each does nothing when the
    // window already is as asked. False when there is no main window.
    bool EnterFullScreenWindow();
    void LeaveFullScreenWindow();
    bool FullScreenWindow() const { return savedShowState_ >= 0; }
    void ShowSceneWithoutFirstEvent();
    bool MessageBoxOpen() const;
    void MakePictureOpaque();
    void LayoutView(int cx, int cy);
    void StartTimer(int number, int periodMs);
    void KillTimer(int number);
    // What the scene events do to the bar's labels and the desktop.
    void SetLabelFont(EventLabel label, double pointSize, const std::wstring& face);
    void SetLabelColor(EventLabel label, uint32_t colorRef);
    void OpenUrl(const std::wstring& url);
    // Tab: the next pane becomes the active one.
    void OnNextPane();
    // Whether a view button (by control number) is enabled; the bar decides.
    bool ButtonEnabled(int control) const;
    void EnableButton(int control, bool enable);
    // The command of a view button, clicked or by its key.
    void RunButtonCommand(int button);

    // The bar's background (a colour reference): black under every scene.
    static constexpr uint32_t kBarColour = 0;

    bool initialUpdatePending_ = false;
    bool painting_ = false;
    bool switchingViewMode_ = false;
    int contextDepth_ = 0;
    bool contextMadeCurrent_ = false;
    int timerIds_[kTimerCount] = {};
    ViewBar* bar_ = nullptr;
    QRect savedGeometry_;   // the window's place before full screen
    ViewMode viewMode_ = ViewMode::kNoScene;
    int32_t paneCount_ = 1;
    SceneEvent* firstEvent_ = nullptr;
    bool initialised_ = false;
    bool glUsable_ = false;
    bool layoutChanged_ = false;
    bool layoutLocked_ = false;
    bool rotationCentrePickMode_ = false;
    int savedShowState_ = -1;   // the window's state before full screen; -1 when none
    // A unit's dialog works on the scene until editing ends.
    std::optional<SceneChangeHold> editingHold_;
    SceneRenderer renderer_;
    EventViewState state_;
    std::unique_ptr<Helpers> helpers_;
    ViewMotion motion_;
    ViewInput input_;
    CVelmorDoc* document_ = nullptr;
    ToolDialogHost dialogs_{this, *this, renderer_};
};

} // namespace velmor
