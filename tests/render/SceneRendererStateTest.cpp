#include "render/SceneRenderer.h"
#include "render/ViewServices.h"
#include "scene/SceneEvent.h"
#include "units/CKxDrawUPrimitive.h"
#include "units/CKxDrawUScatterGraph.h"
#include "units/DrawGroup.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace velmor;

namespace {

struct PickWindow {
    uint8_t rgba[9 * 9 * 4] = {};
    void Put(int column, int row, uint32_t id) { std::memcpy(rgba + 4 * (row * 9 + column), &id, 4); }
};

} // namespace

TEST(SceneRendererPick, TheNearestSquareWinsAndLowerRowsComeFirst)
{
    PickWindow w;
    EXPECT_EQ(FindPickIdInWindow(w.rgba, 10, 10, 64, 64), 0u);
    w.Put(0, 0, 0x01020304u);   // corner: the last square
    EXPECT_EQ(FindPickIdInWindow(w.rgba, 10, 10, 64, 64), 0x01020304u);
    w.Put(5, 5, 77);            // square 1, upper row
    w.Put(5, 3, 55);            // square 1, lower row
    EXPECT_EQ(FindPickIdInWindow(w.rgba, 10, 10, 64, 64), 55u);
    w.Put(4, 4, 9);
    EXPECT_EQ(FindPickIdInWindow(w.rgba, 10, 10, 64, 64), 9u);
    // Pixels beyond the window's edge are never taken, whatever they hold.
    PickWindow edge;
    edge.Put(0, 4, 42);
    EXPECT_EQ(FindPickIdInWindow(edge.rgba, -4, 10, 64, 64), 0u);
    EXPECT_EQ(FindPickIdInWindow(edge.rgba, -3, 10, 64, 64), 0u);
    EXPECT_EQ(FindPickIdInWindow(edge.rgba, 0, 10, 64, 64), 42u);
}

TEST(SceneRendererState, BuiltInGroupsAndSelectionPatterns)
{
    SceneRenderer renderer;
    ASSERT_EQ(renderer.builtInGroups.size(), 15u);
    EXPECT_EQ(renderer.placeholderGroup, renderer.builtInGroups[0]);
    EXPECT_EQ(renderer.frameAndArrow, 1);
    EXPECT_EQ(renderer.fixClipDuringRotation, 0);
    renderer.SetSelectMode(SelectMode::kUnderBackLayer);
    EXPECT_EQ(renderer.selectionPattern, 3);
    EXPECT_EQ(renderer.selectionGroupA, renderer.builtInGroups[5]);
    EXPECT_EQ(renderer.selectionGroupB, renderer.builtInGroups[6]);
    EXPECT_EQ(renderer.selectionGroupC, renderer.placeholderGroup);
    renderer.SetSelectMode(SelectMode::kWithMainLayer);
    EXPECT_EQ(renderer.selectionGroupA, renderer.builtInGroups[11]);
    renderer.SetSelectMode(SelectMode::kNone);   // keeps the pattern
    EXPECT_EQ(renderer.selectionPattern, 6);
    renderer.SetSelectionPattern(0);
    EXPECT_EQ(renderer.selectionGroupA, renderer.placeholderGroup);
    renderer.SetSelectionPattern(8);
    EXPECT_EQ(renderer.selectionGroupB, renderer.placeholderGroup);

    renderer.SetSelectionPattern(1);
    ScenePane pane;
    pane.state = PaneState::kActive;
    EXPECT_EQ(renderer.SelectionGroupFor(pane), renderer.builtInGroups[1]);
    pane.state = PaneState::kOrdinary;
    EXPECT_EQ(renderer.SelectionGroupFor(pane), renderer.selectionGroupC);
    pane.state = PaneState::kBackOrFore;
    EXPECT_EQ(renderer.SelectionGroupFor(pane), renderer.placeholderGroup);
    pane.state = PaneState::kActive;
    renderer.frameAndArrow = 0;
    EXPECT_EQ(renderer.SelectionGroupFor(pane), renderer.placeholderGroup);
}

TEST(SceneRendererState, PublishedUntilDestroyed)
{
    {
        SceneRenderer renderer;
        PublishSceneRenderer(&renderer);
        EXPECT_EQ(CurrentSceneRenderer(), &renderer);
    }
    EXPECT_EQ(CurrentSceneRenderer(), nullptr);
}

TEST(SceneRendererState, PickedUnitSearchTogglesOrKeepsSelection)
{
    SceneRenderer renderer;
    DrawGroup root{L"root"}, child{L"child"};
    root.children = {&child};
    SceneEvent hit{L"hit"}, childEvent{L"child"};
    auto* plain = new CKxDrawUPrimitive(&root);
    root.units.push_back(plain);
    plain->pickId = 7;
    plain->event = &hit;
    auto* nested = new CKxDrawUPrimitive(&child);
    child.units.push_back(nested);
    nested->pickId = 7;
    nested->event = &childEvent;

    UnitPick found = renderer.FindPickedUnit(7, &root);
    EXPECT_EQ(found.event, &childEvent);   // children first
    SceneRenderer::ChangeSelection(found, true);
    EXPECT_TRUE(nested->selected);
    EXPECT_FALSE(plain->selected);
    SceneRenderer::ChangeSelection(found, false);
    EXPECT_FALSE(nested->selected);   // not selectable: cleared
    nested->selectable = true;
    nested->selected = true;
    SceneRenderer::ChangeSelection(found, false);
    EXPECT_TRUE(nested->selected);

    // A unit without an event ends the search and keeps its state.
    nested->event = nullptr;
    found = renderer.FindPickedUnit(7, &root);
    EXPECT_EQ(found.unit, nested);
    EXPECT_EQ(found.event, nullptr);
    SceneRenderer::ChangeSelection(found, true);
    EXPECT_TRUE(nested->selected);

    EXPECT_EQ(renderer.FindPickedUnit(99, &root).unit, nullptr);
    EXPECT_EQ(renderer.FindPickedUnit(7, nullptr).unit, nullptr);
}

TEST(SceneRendererState, ScatterPointsArePickedOneByOne)
{
    SceneRenderer renderer;
    DrawGroup root{L"root"};
    SceneEvent second{L"second"};
    auto* graph = new CKxDrawUScatterGraph(&root);
    root.units.push_back(graph);
    graph->pointCount = 3;
    graph->pickIds = {11, 12, 13};
    graph->events = {nullptr, &second, nullptr};
    graph->eventFlags = {0, 0, 0};
    const UnitPick found = renderer.FindPickedUnit(12, &root);
    EXPECT_EQ(found.event, &second);
    EXPECT_EQ(found.point, 1);
    SceneRenderer::ChangeSelection(found, true);
    EXPECT_EQ(graph->eventFlags[1], 1);
    // Lists shorter than the points are never read past.
    graph->pointCount = 50;
    graph->eventFlags.resize(2);
    EXPECT_EQ(renderer.FindPickedUnit(13, &root).event, nullptr);
}

TEST(SceneRendererFiles, HelpFilesOpenFromTheProgramFolder)
{
    struct Opener : NoViewServices {
        std::vector<std::wstring> opened;
        bool OpenDocument(const std::wstring& target) override
        {
            opened.push_back(target);
            return true;
        }
    } opener;
    NoViewServices nothing;
    EXPECT_FALSE(OpenManual(nothing));   // nothing installed to open with
    SetProgramFolder(L"/opt/velmor/");
    EXPECT_TRUE(OpenManual(opener));
    EXPECT_TRUE(OpenTutorial(opener));
    EXPECT_TRUE(OpenMakerSite(opener));
    ASSERT_EQ(opener.opened.size(), 3u);
    EXPECT_EQ(opener.opened[0], L"/opt/velmor/ManualJ.pdf");
    EXPECT_EQ(opener.opened[1], L"/opt/velmor/TutorialJ/index.html");
    EXPECT_EQ(opener.opened[2], std::wstring(kMakerSiteAddress));
}
