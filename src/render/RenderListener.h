#pragma once
// What the renderer and the scene events report as changed for the windows
// around the picture. A report only says what changed; the program side
// alone decides which windows follow and how, and answers without calling
// back into the renderer. Each report is ignored unless a listener takes it,
// so that a renderer without windows (tests, before the view exists) needs
// none. No Qt here.
#include <vector>

namespace velmor {

class CKxDrawUnit;
class DrawGroup;

class RenderListener {
public:
    virtual ~RenderListener() = default;
    // The scene's information is shown again (true) or there is none (false).
    virtual void SceneInfoChanged(bool /*shown*/) {}
    // Whether there is an active pane for the rotation controls to turn.
    virtual void ActivePaneChanged(bool /*present*/) {}
    // The scale bar's length or unit may differ.
    virtual void ScaleChanged() {}
    // The units of the active root (null and none without one); `focus`: the
    // list takes the keyboard.
    virtual void UnitsChanged(DrawGroup* /*root*/, const std::vector<CKxDrawUnit*>& /*units*/, bool /*focus*/) {}
    // A pane shows another group: its first unit becomes the chosen one.
    virtual void ShownGroupChanged() {}
    // A frame was composed: clip planes may have moved.
    virtual void FrameComposed() {}
};

} // namespace velmor
