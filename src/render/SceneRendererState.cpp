// The renderer's GL-free decisions: built-in groups, selection patterns,
// the search for a picked unit, the tool-window notices and the help files.
#include "render/SceneRenderer.h"
#include "render/ViewServices.h"

#include "units/AxisGizmo.h"
#include "units/CKxDrawUScatterGraph.h"
#include "units/CKxDrawUnit.h"
#include "units/DrawGroup.h"

#include <algorithm>
#include <utility>

namespace velmor {

namespace {

SceneRenderer* g_renderer = nullptr;
std::wstring g_programFolder;

constexpr int kPickWindow = 9;
constexpr int kPickCentre = 4;

} // namespace

const wchar_t* const kMakerSiteAddress = L"https://velmor.org/";

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

void SceneRenderer::SetSelectMode(uint8_t type)
{
    selectMode = type;
    if (type == 1)
        SetSelectionPattern(1);
    else if (type == 2)
        SetSelectionPattern(3);
    else if (type == 3)
        SetSelectionPattern(6);
}

void SceneRenderer::SetSelectionPattern(uint8_t n)
{
    selectionPattern = n;
    DrawGroup *a = nullptr, *b = nullptr;
    const size_t second = 2u * n;
    if (n >= 1 && n <= 7 && second < builtInGroups.size()) {
        a = builtInGroups[second - 1];
        b = builtInGroups[second];
    }
    SetSelectionGroups(a, b, placeholderGroup);
}

void SceneRenderer::SetSelectionGroups(DrawGroup* a, DrawGroup* b, DrawGroup* c)
{
    for (DrawGroup* slot : {selectionGroupA, selectionGroupB, selectionGroupC})
        if (slot != nullptr) {
            slot->SetSpaceFlag(12);
            slot->ReleaseInactive();
        }
    selectionGroupA = a ? a : placeholderGroup;
    selectionGroupB = b ? b : placeholderGroup;
    selectionGroupC = c ? c : placeholderGroup;
    for (DrawGroup* slot : {selectionGroupA, selectionGroupB, selectionGroupC})
        if (slot != nullptr) {
            slot->SetSpaceFlag(6);
            slot->LoadActive();
            slot->ResetNormalization();
        }
}

DrawGroup* SceneRenderer::SelectionGroupFor(const ScenePane& pane) const
{
    if (!frameAndArrow)
        return placeholderGroup;
    switch (pane.state) {
    case 0: return selectionGroupA;
    case 1:
    case 2: return selectionGroupC;
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

bool FindInScatterGraph(CKxDrawUScatterGraph& graph, uint32_t id, bool toggle, SceneEvent*& eventOut)
{
    const size_t entries = std::min({graph.pickIds.size(), graph.events.size(), graph.eventFlags.size()});
    ScatterRange range{0, 1};
    if (entries > 1)
        range = graph.DrawRange();
    for (int64_t i = range.first; i < int64_t(range.first) + range.count; ++i) {
        if (i < 0 || static_cast<size_t>(i) >= entries || graph.pickIds[i] != id)
            continue;
        eventOut = graph.events[i];
        if (eventOut != nullptr)
            ApplyPick(graph.eventFlags[i], toggle, graph.selectable);
        return true;
    }
    return false;
}

} // namespace

void SceneRenderer::FindPickedUnitEvent(bool toggle, DrawGroup* group, SceneEvent*& eventOut)
{
    FindPickedIn(toggle, group, eventOut);
}

bool SceneRenderer::FindPickedIn(bool toggle, DrawGroup* group, SceneEvent*& eventOut)
{
    if (group == nullptr)
        return false;
    for (DrawGroup* child : group->children)
        if (FindPickedIn(toggle, child, eventOut))
            return true;
    const uint32_t id = pick.pickedId;
    std::wstring name;
    for (CKxDrawUnit* unit : group->units) {
        if (unit == nullptr)
            continue;
        if (unit->GetClassName(name) == L"CKxDrawUScatterGraph") {
            if (FindInScatterGraph(static_cast<CKxDrawUScatterGraph&>(*unit), id, toggle, eventOut))
                return true;
            continue;
        }
        if (unit->pickId != id)
            continue;
        eventOut = unit->event;
        if (eventOut != nullptr)
            ApplyPick(unit->selected, toggle, unit->selectable);
        return true;
    }
    return false;
}

void SceneRenderer::CreateToolDialogs() { ServicesOrNone(services).CreateToolDialogs(); }
void SceneRenderer::HideToolDialogs(bool hideTools) { ServicesOrNone(services).HideToolDialogs(hideTools); }
void SceneRenderer::EnableToolDialogs() { ServicesOrNone(services).EnableToolDialogs(true); }
void SceneRenderer::DisableToolDialogs() { ServicesOrNone(services).EnableToolDialogs(false); }
void SceneRenderer::UpdateInfoDialogs(bool enable) { ServicesOrNone(services).UpdateInfoDialogs(enable); }

void SceneRenderer::RefreshUnitPanel(bool focus)
{
    ScenePane* active = Pane(activeSpace);
    if (active == nullptr)
        return;
    std::vector<CKxDrawUnit*> units;
    if (active->root != nullptr)
        active->root->CollectUnits(units);
    ServicesOrNone(services).SetPanelUnits(active->root, units, focus);
}

void SceneRenderer::RefreshScaleBarDialog() { ServicesOrNone(services).RefreshScaleBarDialog(); }
void SceneRenderer::UpdateRotateButtons() { ServicesOrNone(services).EnableRotateButtons(Pane(activeSpace) != nullptr); }

ViewServices& ServicesOrNone(ViewServices* services)
{
    static NoViewServices none;
    return services != nullptr ? *services : none;
}

void SetProgramFolder(std::wstring folder) { g_programFolder = std::move(folder); }
std::wstring ProgramFolder() { return g_programFolder; }

bool OpenTutorial(ViewServices& services) { return services.OpenDocument(ProgramFolder() + L"TutorialJ/index.html"); }
bool OpenManual(ViewServices& services) { return services.OpenDocument(ProgramFolder() + L"ManualJ.pdf"); }
bool OpenMakerSite(ViewServices& services) { return services.OpenDocument(kMakerSiteAddress); }

} // namespace velmor
