#pragma once
// The view: the area where scenes are shown, and the handlers of the menu
// commands that belong to it. It owns the renderer and its OpenGL context.
#include "render/SceneRenderer.h"
#include "scene/DocumentView.h"

#include <QOpenGLWidget>

#include <cstdint>

namespace velmor {

class CKxDlgFileInfo;
class CVelmorDoc;
class DrawGroup;

// 0 no scene, 1 normal, 2 full screen with the tool dialogs hidden, 3 a unit
// being edited (view buttons and unit panel disabled).
enum class ViewMode { kNoScene = 0, kNormal = 1, kFullScreen = 2, kUnitEditing = 3 };

// The group a scene is shown from: the first (in name order) that no other
// group lists as a child; null for a scene without groups.
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

class CVelmorView final : public QOpenGLWidget, public DocumentView {
public:
    static constexpr int kClientWidth = 1280;
    static constexpr int kClientHeight = 720;

    explicit CVelmorView(QWidget* parent = nullptr);
    ~CVelmorView() override;
    QSize sizeHint() const override { return {kClientWidth, kClientHeight}; }

    // Menu "環境設定(&Z)": the application preference dialog, modally.
    void OnApplicationSettings();
    void KillAllTimers();
    void StopAnimations();
    // Menu "ファイル情報(&I)": shows the file-information dialog on top.
    void OnFileInfoDialog();

    // After a document was opened or emptied: shows its scene, if it has one.
    void OnInitialUpdate(CVelmorDoc* doc);
    void RenderNow() { update(); }

    void ShowNoScene() override;
    void SetSceneLoaded(bool loaded) override { sceneLoaded = loaded; }
    void SetPaneCount(int32_t count) override { paneCount = count; }
    void SetFirstEvent(SceneEvent* event) override { firstEvent = event; }
    SceneEvent* FirstEvent() const override { return firstEvent; }
    void ForgetSceneEvents() override { firstEvent = nullptr; }

    ViewMode viewMode = ViewMode::kNoScene;
    bool sceneLoaded = false;
    int32_t paneCount = 1;
    SceneEvent* firstEvent = nullptr;
    CKxDlgFileInfo* fileInfo = nullptr;   // a child window: deleted with the view
    bool initialised = false;
    bool glUsable = false;
    bool layoutChanged = false;
    SceneRenderer renderer;
    CVelmorDoc* document = nullptr;

    // Mouse state.
    int32_t downX = 0, downY = 0, lastX = 0, lastY = 0;
    bool leftDragging = false, rightDragging = false;
    uint32_t lastMoveTime = 0, lastLeftUpTime = 0, lastRightUpTime = 0;
    uint8_t animating[6] = {};
    double panStep[2] = {};
    double objectAxis[3] = {}, clipAxis[3] = {};
    double zoomStep = 1, clipStep = 0;
    int32_t stepCounter = -1;
    bool homeRunning = false, towardRunning = false;
    bool playbackStopped = true;
    int32_t playbackInterval = 200;
    bool playbackLoop = false;
    int timerIds[256] = {};

    void StartPlayback();
    void StopPlayback();
    void RotateActivePane(double angle, double x, double y, double z);

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    bool SceneShown() const { return viewMode != ViewMode::kNoScene; }
    void BuildScenePanes();
    void SetCursorPosition(int x, int y);
    void StartTimerNumber(int number, int periodMs);
    void KillTimerNumber(int number);
    void OnAnimationTick();
    void OnPlaybackTick();
    void StartPanInertia(uint8_t mode);
    void StartRotationInertia(uint8_t mode);
    static uint32_t NowMs();
};

} // namespace velmor
