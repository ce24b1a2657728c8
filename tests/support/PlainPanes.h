#pragma once
// A renderer whose panes are plain records (no GL), the first active; it is
// the render settings' renderer while it lives.
#include "render/SceneRenderer.h"
#include "units/DrawGroup.h"

namespace velmor::test {

struct PlainPanes {
    explicit PlainPanes(int count)
    {
        renderer.halfExtentX = renderer.halfExtentY = 1.0;
        PublishRenderSettings(&renderer);
        renderer.placeholderGroup = &placeholder;
        renderer.paneCount = count;
        created = renderer.CreatePanes();
        renderer.activeSpace = 0;
    }
    ~PlainPanes() { PublishRenderSettings(nullptr); }

    DrawGroup placeholder{L"placeholder"};
    SceneRenderer renderer;
    bool created = false;
};

} // namespace velmor::test
