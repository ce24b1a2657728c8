#pragma once
// What the renderer and the scene events report as changed for the windows
// around the picture. A report only says what changed; the program side
// alone decides which windows follow and how, and answers without calling
// back into the renderer. Each report is ignored unless a listener takes it,
// so that a renderer without windows (tests, before the view exists) needs
// none. A report carries what the windows cannot read for themselves, so
// that no window asks the view to reach into the renderer while a report
// runs. No Qt here.
#include <optional>
#include <string>
#include <vector>

namespace velmor {

class CKxDrawUnit;
class DrawGroup;

// The size of the frame drawn around the active root: its pitch in its
// length unit.
struct FrameSize {
    double pitch = 0;
    std::wstring unit;
};

class RenderListener {
public:
    virtual ~RenderListener() = default;
    // The scene's information is shown again (true) or there is none (false).
    virtual void SceneInfoChanged(bool /*shown*/) {}
    // Whether there is an active pane for the rotation controls to turn.
    virtual void ActivePaneChanged(bool /*present*/) {}
    // The scale bar's length or unit may differ; `frame`: the frame's size
    // while the frame and arrow of a selection are shown, else none.
    virtual void ScaleChanged(const std::optional<FrameSize>& /*frame*/) {}
    // The units of the active root (null and none without one); `focus`: the
    // list takes the keyboard.
    virtual void UnitsChanged(DrawGroup* /*root*/, const std::vector<CKxDrawUnit*>& /*units*/, bool /*focus*/) {}
    // A pane shows another group: its first unit becomes the chosen one.
    virtual void ShownGroupChanged() {}
    // A frame was composed: clip planes may have moved. `activeClipOn`: the
    // active pane clips.
    virtual void FrameComposed(bool /*activeClipOn*/) {}
};

} // namespace velmor
