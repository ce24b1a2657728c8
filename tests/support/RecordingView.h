#pragma once
// A stand-in for the view that keeps what the document told it.
#include "render/ViewMode.h"
#include "scene/DocumentView.h"

namespace velmor::test {

class RecordingView final : public DocumentView {
public:
    void ShowNoScene() override
    {
        viewMode = ViewMode::kNoScene;
        sceneLoaded = false;
    }
    void SetSceneLoaded(bool loaded) override { sceneLoaded = loaded; }
    void SetPaneCount(int32_t count) override { paneCount = count; }
    void SetFirstEvent(SceneEvent* event) override { firstEvent = event; }
    SceneEvent* FirstEvent() const override { return firstEvent; }
    void ForgetSceneEvents() override { firstEvent = idleEvent = returnEvent = nextEvent = nullptr; }

    ViewMode viewMode = ViewMode::kNormal;
    bool sceneLoaded = false;
    int32_t paneCount = -7;   // anything the document never sets
    SceneEvent* firstEvent = nullptr;
    SceneEvent* idleEvent = nullptr;
    SceneEvent* returnEvent = nullptr;
    SceneEvent* nextEvent = nullptr;
};

} // namespace velmor::test
