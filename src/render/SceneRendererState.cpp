// The renderer's GL-free decisions: built-in groups, selection patterns,
// the search for a picked unit and the reports to the windows around it.
#include "render/SceneRenderer.h"

#include "units/AxisGizmo.h"
#include "units/CKxDrawUScatterGraph.h"
#include "units/CKxDrawUnit.h"
#include "units/DrawGroup.h"

#include <algorithm>
#include <utility>

namespace velmor {

namespace {

SceneRenderer* g_renderer = nullptr;

constexpr int kPickWindow = 9;
constexpr int kPickCentre = 4;

} // namespace

SceneRenderer::SceneRenderer()
{
    BuildAxisGizmo(builtInGroups);
    placeholderGroup = builtInGroups.empty() ? nullptr : builtInGroups[0];
    selectionGroupA = selectionGroupB = selectionGroupC = placeholderGroup;
}

SceneRenderer::~SceneRenderer()
{
    if (g_renderer == this)
        g_renderer = nullptr;
    FreePanes();
    FreeUnitArray(builtInGroups);
}

void PublishSceneRenderer(SceneRenderer* renderer) { g_renderer = renderer; }
SceneRenderer* CurrentSceneRenderer() { return g_renderer; }

void SceneRenderer::SetSelectMode(SelectMode mode)
{
    // The arrow, the square frame and the coloured cube.
    static constexpr uint8_t kPointerPattern = 1, kFramePattern = 3, kAxesPattern = 6;
    selectMode = mode;
    if (mode == SelectMode::kOverForeLayer)
        SetSelectionPattern(kPointerPattern);
    else if (mode == SelectMode::kUnderBackLayer)
        SetSelectionPattern(kFramePattern);
    else if (mode == SelectMode::kWithMainLayer)
        SetSelectionPattern(kAxesPattern);
}

void SceneRenderer::SetSelectionPattern(uint8_t n)
{
    selectionPattern = n;
    DrawGroup *a = nullptr, *b = nullptr;
    const size_t second = 2u * n;
    if (n >= 1 && n <= kBuiltInPatterns && second < builtInGroups.size()) {
        a = builtInGroups[second - 1];
        b = builtInGroups[second];
    }
    SetSelectionGroups(a, b, placeholderGroup);
}

void SceneRenderer::SetSelectionGroups(DrawGroup* a, DrawGroup* b, DrawGroup* c)
{
    for (DrawGroup* slot : {selectionGroupA, selectionGroupB, selectionGroupC})
        if (slot != nullptr) {
            slot->SetSpaceFlag(kClearSelectionSpace);
            slot->ReleaseInactive();
        }
    selectionGroupA = a ? a : placeholderGroup;
    selectionGroupB = b ? b : placeholderGroup;
    selectionGroupC = c ? c : placeholderGroup;
    for (DrawGroup* slot : {selectionGroupA, selectionGroupB, selectionGroupC})
        if (slot != nullptr) {
            slot->SetSpaceFlag(kSetSelectionSpace);
            slot->LoadActive();
            slot->ResetNormalization();
        }
}

DrawGroup* SceneRenderer::SelectionGroupFor(const ScenePane& pane) const
{
    if (!frameAndArrow)
        return placeholderGroup;
    switch (pane.state) {
    case PaneState::kActive: return selectionGroupA;
    case PaneState::kLinked:
    case PaneState::kOrdinary: return selectionGroupC;
    default: return placeholderGroup;
    }
}

uint32_t FindPickIdInWindow(const uint8_t rgba[9 * 9 * 4], int originX, int originY, int viewportWidth,
                            int viewportHeight)
{
    for (int r = 0; r <= kPickCentre; ++r)
        for (int row = kPickCentre - r; row <= kPickCentre + r; ++row)
            for (int column = kPickCentre - r; column <= kPickCentre + r; ++column) {
                const int x = originX + column, y = originY + row;
                if (x < 0 || y < 0 || x >= viewportWidth || y >= viewportHeight)
                    continue;
                const uint8_t* p = rgba + 4 * (row * kPickWindow + column);
                const uint32_t id = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
                if (id != 0)
                    return id;
            }
    return 0;
}

namespace {

// Without toggle a pick leaves a selectable unit's choice alone and clears
// any other's.
template <typename Flag> void ApplyPick(Flag& selected, bool toggle, bool selectable)
{
    if (toggle)
        selected = !selected;
    else if (!selectable)
        selected = 0;
}

// The point of `id` among those the graph draws now; -1 when none.
int64_t FindScatterPoint(CKxDrawUScatterGraph& graph, uint32_t id)
{
    const size_t entries = std::min({graph.pickIds.size(), graph.events.size(), graph.eventFlags.size()});
    ScatterRange range{0, 1};
    if (entries > 1)
        range = graph.DrawRange();
    for (int64_t i = range.first; i < int64_t(range.first) + range.count; ++i)
        if (i >= 0 && static_cast<size_t>(i) < entries && graph.pickIds[i] == id)
            return i;
    return -1;
}

} // namespace

UnitPick SceneRenderer::FindPickedUnit(uint32_t id, DrawGroup* group) const
{
    if (group == nullptr)
        return {};
    for (DrawGroup* child : group->children) {
        const UnitPick found = FindPickedUnit(id, child);
        if (found.unit != nullptr)
            return found;
    }
    for (CKxDrawUnit* unit : group->units) {
        if (unit == nullptr)
            continue;
        if (unit->Kind() == UnitKind::kScatterGraph) {
            auto& graph = static_cast<CKxDrawUScatterGraph&>(*unit);
            const int64_t point = FindScatterPoint(graph, id);
            if (point >= 0)
                return {-1, id, unit, point, graph.events[point]};
            continue;
        }
        if (unit->pickId == id)
            return {-1, id, unit, -1, unit->event};
    }
    return {};
}

void SceneRenderer::ChangeSelection(const UnitPick& pick, bool toggle)
{
    if (pick.event == nullptr)
        return;
    if (pick.point < 0) {
        ApplyPick(pick.unit->selected, toggle, pick.unit->selectable);
        return;
    }
    auto& graph = static_cast<CKxDrawUScatterGraph&>(*pick.unit);
    if (static_cast<size_t>(pick.point) < graph.eventFlags.size())
        ApplyPick(graph.eventFlags[pick.point], toggle, graph.selectable);
}

RenderListener& SceneRenderer::Listener()
{
    static RenderListener ignoring;
    return listener != nullptr ? *listener : ignoring;
}

void SceneRenderer::ReportActiveUnits(bool focus)
{
    ScenePane* active = Pane(activeSpace);
    if (active == nullptr)
        return;
    std::vector<CKxDrawUnit*> units;
    if (active->root != nullptr)
        active->root->CollectUnits(units);
    Listener().UnitsChanged(active->root, units, focus);
}

void SceneRenderer::ReportActivePane() { Listener().ActivePaneChanged(Pane(activeSpace) != nullptr); }

void SceneRenderer::ReportScale() { Listener().ScaleChanged(ShownFrameSize()); }

std::optional<FrameSize> SceneRenderer::ShownFrameSize()
{
    const ScenePane* active = Pane(activeSpace);
    if (active == nullptr || active->root == nullptr || frameAndArrow == 0 ||
        selectionPattern < kFramedPatternFirst || selectionPattern > kFramedPatternLast)
        return std::nullopt;
    return FrameSize{active->root->extent, active->root->lengthUnit};
}

bool SceneRenderer::ActiveClipOn()
{
    const ScenePane* active = Pane(activeSpace);
    return active != nullptr && active->clipOn != 0;
}

void SceneRenderer::ToggleFrameAndArrow()
{
    frameAndArrow = frameAndArrow != 0 ? 0 : 1;
    ReportScale();
}

} // namespace velmor
