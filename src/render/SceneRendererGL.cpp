// The renderer's GL work on whole panes: which pane lies under the cursor.
#include "render/SceneRenderer.h"

#include <GL/gl.h>

namespace velmor {

namespace {

bool PixelCovered(int x, int y)
{
    uint8_t rgba[4] = {0, 0, 0, 0};
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    return rgba[0] + rgba[1] + rgba[2] + rgba[3] != 0;
}

} // namespace

int SceneRenderer::HitTestPane()
{
    const int x = pick.cursorX, y = pick.cursorY;
    // Outside the window there is no pixel to read back.
    if (!panes || x < 0 || y < 0 || x >= viewportWidth || y >= viewportHeight)
        return -1;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    for (const int special : {foregroundSpace, activeSpace, backgroundSpace})
        if (ScenePane* pane = Pane(special))
            pane->DrawTextureQuad();
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_COLOR);
    glDisable(GL_BLEND);
    if (PixelCovered(x, y))
        return -1;
    for (int i = 0; i < paneCount; ++i) {
        if (!IsOrdinaryPane(i))
            continue;
        panes[i].DrawTextureQuad();
        if (PixelCovered(x, y))
            return i;
    }
    return -1;
}

} // namespace velmor
