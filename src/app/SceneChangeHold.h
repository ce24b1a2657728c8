#pragma once
// Files handed over by a later start or dropped on the window replace the
// shown scene. While a hold lives they wait instead: something further down
// the stack (a dialog's or a job's nested event loop, an open in progress,
// a unit being edited) still works on the scene's units and groups. When
// the last hold ends, the waiting files may go on, in the order they came.
#include <functional>

namespace velmor {

class SceneChangeHold {
public:
    SceneChangeHold();
    ~SceneChangeHold();
    SceneChangeHold(const SceneChangeHold&) = delete;
    SceneChangeHold& operator=(const SceneChangeHold&) = delete;

    // Whether any hold lives now.
    static bool Active();
    // Runs each time the last hold ends (empty: nothing runs). Holds live
    // on the UI thread only.
    static void SetReleasedHook(std::function<void()> hook);
};

} // namespace velmor
