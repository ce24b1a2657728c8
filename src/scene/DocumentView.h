#pragma once
// What the scene document asks of the view that shows it. The program's view
// implements this; tests and the fuzzer use small stand-ins.
#include <cstdint>
#include <functional>

namespace velmor {

struct SceneEvent;

class DocumentView {
public:
    virtual ~DocumentView() = default;
    // No scene: the view mode and the scene-loaded flag cleared, set directly
    // without the view's mode switch.
    virtual void ShowNoScene() = 0;
    virtual void SetSceneLoaded(bool loaded) = 0;
    // Number of spaces the renderer builds for the scene.
    virtual void SetPaneCount(int32_t count) = 0;
    virtual void SetFirstEvent(SceneEvent* event) = 0;
    virtual SceneEvent* FirstEvent() const = 0;
    // The scene's events are about to be deleted: every pointer the view
    // keeps into them (first, idle, return and next event) must go.
    virtual void ForgetSceneEvents() = 0;
    // Units that own GL names are deleted inside this, with the view's GL
    // context current (a view without GL just runs the work).
    virtual void WithGLContext(const std::function<void()>& work) { work(); }
};

} // namespace velmor
