#pragma once
// The view: the area where scenes are shown, and the handlers of the menu
// commands that belong to it. It draws nothing yet; it already keeps the
// state the document and the frame ask of it.
#include "scene/DocumentView.h"

#include <QWidget>

namespace velmor {

class CKxDlgFileInfo;

// 0 no scene, 1 normal, 2 full screen with the tool dialogs hidden, 3 a unit
// being edited (view buttons and unit panel disabled).
enum class ViewMode { kNoScene = 0, kNormal = 1, kFullScreen = 2, kUnitEditing = 3 };

class CVelmorView final : public QWidget, public DocumentView {
public:
    static constexpr int kClientWidth = 1280;
    static constexpr int kClientHeight = 720;

    explicit CVelmorView(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {kClientWidth, kClientHeight}; }

    // Menu "環境設定(&Z)": the application preference dialog, modally.
    void OnApplicationSettings();
    void KillAllTimers() {}
    // Menu "ファイル情報(&I)": shows the file-information dialog on top.
    void OnFileInfoDialog();

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
};

} // namespace velmor
