// The renderer's GL work on whole panes: which pane lies under the cursor.
#include "render/SceneRenderer.h"

#include "render/GLExtensions.h"
#include "scene/DataObject.h"
#include "units/DrawGroup.h"
#include "units/SpaceNormalization.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>

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

WindowRect SceneRenderer::ShownArea(int index)
{
    ScenePane* pane = Pane(index);
    if (pane == nullptr || pane->root == nullptr)
        return {};
    double low[3] = {kEmptyBoxStart, kEmptyBoxStart, kEmptyBoxStart};
    double high[3] = {-kEmptyBoxStart, -kEmptyBoxStart, -kEmptyBoxStart};
    pane->root->GetBounds(low, high);
    if (low[0] > high[0])
        return {};
    const RootProjection p = ReadRootProjection(*pane);
    // The pane's picture fills the window, whatever viewport GL was left with.
    const GLint viewport[4] = {0, 0, viewportWidth, viewportHeight};
    double left = viewportWidth, right = 0, bottom = viewportHeight, top = 0;
    for (int corner = 0; corner < 8; ++corner) {
        GLdouble wx = 0, wy = 0, wz = 0;
        if (gluProject(corner & 1 ? high[0] : low[0], corner & 2 ? high[1] : low[1], corner & 4 ? high[2] : low[2],
                       p.modelView, p.projection, viewport, &wx, &wy, &wz) != GL_TRUE)
            continue;
        left = std::min(left, wx);
        right = std::max(right, wx);
        bottom = std::min(bottom, wy);
        top = std::max(top, wy);
    }
    const int x0 = static_cast<int>(std::max(left, 0.0)), x1 = static_cast<int>(std::min<double>(right, viewportWidth));
    const int y0 = static_cast<int>(std::max(bottom, 0.0)), y1 = static_cast<int>(std::min<double>(top, viewportHeight));
    if (x1 <= x0 || y1 <= y0)
        return {};
    return {x0, viewportHeight - y1, x1 - x0, y1 - y0};
}

void SceneRenderer::StartOnContext() { SetVideoMemoryQuery(&QueryDriverVideoMemory); }

void SceneRenderer::ResetRenderer()
{
    Init();
    FreePanes();
    activeSpace = backgroundSpace = foregroundSpace = -1;
    placeholderGroup = builtInGroups.empty() ? nullptr : builtInGroups[0];
    selectionGroupA = selectionGroupB = selectionGroupC = placeholderGroup;
    SetSelectMode(SelectMode::kWithMainLayer);
    Listener().SceneInfoChanged(false);
    ReportActivePane();
    ReportScale();
    Listener().UnitsChanged(nullptr, {}, true);
}

void SceneRenderer::RenderPaneWithSelection(ScenePane& pane)
{
    pane.selectMode = selectMode;
    pane.selectionGroup = SelectionGroupFor(pane);
    pane.RenderPane();
}

void SceneRenderer::RebuildPaneTextures()
{
    if (!panes)
        return;
    for (int i = 0; i < paneCount; ++i)
        panes[i].CreateTexture();
    CreateDepthTexture();
    glClear(GL_STENCIL_BUFFER_BIT);
    if (!linkPanes)
        for (int i = 0; i < paneCount; ++i) {
            if (!IsOrdinaryPane(i))
                continue;
            ScenePane& pane = panes[i];
            pane.state = PaneState::kOrdinary;
            if (pane.root) {
                pane.root->SetSpaceFlag(kSetOrdinarySpace);
                pane.root->LoadActive();
            }
            pane.UpdateRoot();
            RenderPaneWithSelection(pane);
            if (pane.root) {
                pane.root->SetSpaceFlag(kClearOrdinarySpace);
                pane.root->ReleaseInactive();
            }
        }
    SetPaneStates();
}

void SceneRenderer::RenderAllPanes()
{
    if (paneCount <= 0 || !panes)
        return;
    pick.nearestDepth = 1.0;
    pick.hit = 0;
    pick.hitIndex = 0;
    if (ScenePane* back = Pane(backgroundSpace))
        RenderPaneWithSelection(*back);
    if (linkPanes)
        for (int i = 0; i < paneCount; ++i)
            if (IsOrdinaryPane(i))
                RenderPaneWithSelection(panes[i]);
    if (ScenePane* active = Pane(activeSpace)) {
        activePaneRendering = 1;
        RenderPaneWithSelection(*active);
        activePaneRendering = 0;
    }
    if (ScenePane* fore = Pane(foregroundSpace))
        RenderPaneWithSelection(*fore);

    glClearColor(backgroundColor[0], backgroundColor[1], backgroundColor[2], 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    if (ScenePane* back = Pane(backgroundSpace))
        back->DrawTextureQuad();
    for (int i = 0; i < paneCount; ++i)
        if (IsOrdinaryPane(i))
            panes[i].DrawTextureQuad();
    if (ScenePane* active = Pane(activeSpace))
        active->DrawTextureQuad();
    if (ScenePane* fore = Pane(foregroundSpace))
        fore->DrawTextureQuad();
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_COLOR);
    glDisable(GL_BLEND);
    Listener().FrameComposed(ActiveClipOn());
}

void SceneRenderer::PickUnitByColor()
{
    pickedPane = -1;
    pick.pickedId = 0;
    const int originX = pick.cursorX - 4, originY = pick.cursorY - 4;
    for (const int index : {foregroundSpace, activeSpace, backgroundSpace}) {
        ScenePane* pane = Pane(index);
        if (pane == nullptr)
            continue;
        pane->selectMode = selectMode;
        pane->selectionGroup = SelectionGroupFor(*pane);
        pane->RenderPickPass(3);
        uint8_t rgba[9 * 9 * 4] = {};
        // Pixels outside the window read back as nothing and are skipped.
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(originX, originY, 9, 9, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        const uint32_t id = FindPickIdInWindow(rgba, originX, originY, viewportWidth, viewportHeight);
        if (id != 0) {
            pick.pickedId = id;
            pickedPane = index;
            return;
        }
    }
}

UnitPick SceneRenderer::PickUnit()
{
    PickUnitByColor();
    ScenePane* pane = Pane(pickedPane);
    if (pane == nullptr)
        return {};
    // A scatter graph's points depend on the time of the pane they are in.
    currentTime = static_cast<float>(pane->timeStep);
    UnitPick found = FindPickedUnit(pick.pickedId, pane->root);
    found.pane = pickedPane;
    found.id = pick.pickedId;
    return found;
}

} // namespace velmor
