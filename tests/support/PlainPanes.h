#pragma once
// A renderer whose panes are plain records, for tests without GL: `count`
// panes over a placeholder group, the first active, the renderer published
// as the render settings' while it lives.
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
    PlainPanes(const PlainPanes&) = delete;
    PlainPanes& operator=(const PlainPanes&) = delete;

    DrawGroup placeholder{L"placeholder"};
    SceneRenderer renderer;
    bool created = false;
};

} // namespace velmor::test
