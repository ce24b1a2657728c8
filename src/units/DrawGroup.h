#pragma once
// A node of the scene's group tree. A group owns its units; child groups and
// the friend group are only referred to, since one group may be the child of
// several and the document owns every group once.
#include <cstdint>
#include <string>
#include <vector>

namespace velmor {

class CKxDrawUnit;

// What DrawGroup::SetSpaceFlag does. A group keeps one flag for each space it
// may be shown in: the active pane, a linked pane, the background and the
// foreground pane (the four pane spaces), an ordinary pane while it is drawn
// and a selection slot. Its units keep their data loaded while any is set.
enum SpaceFlagCode : int {
    kClearPaneSpaces = 0,
    kSetActiveSpace = 1, kSetLinkedSpace, kSetBackgroundSpace, kSetForegroundSpace, kSetOrdinarySpace,
    kSetSelectionSpace,
    kClearActiveSpace, kClearLinkedSpace, kClearBackgroundSpace, kClearForegroundSpace, kClearOrdinarySpace,
    kClearSelectionSpace,
};

class DrawGroup {
public:
    explicit DrawGroup(std::wstring groupName);
    ~DrawGroup();
    DrawGroup(const DrawGroup&) = delete;
    DrawGroup& operator=(const DrawGroup&) = delete;

    std::wstring name;
    std::wstring caption;
    DrawGroup* friendGroup = nullptr;
    std::wstring friendLabel;
    float timeStart = -1;   // -1: no lower bound
    float timeEnd = -1;     // -1: no upper bound
    uint8_t layer = 1;      // 0 back, 1 main, 2 fore
    bool clipAbility = true;
    std::vector<DrawGroup*> children;
    std::vector<CKxDrawUnit*> units;   // owned
    bool loaded = false;
    bool normalize[3] = {true, true, true};
    // Per axis d0..d3: [d0, d1] maps onto [d2, d3] where normalize is false.
    double rangeMap[3][4] = {};
    std::wstring lengthUnit;
    double scale[3] = {1, 1, 1};
    double offset[3] = {};
    double translation[3] = {};
    double extent = 2;      // E of the last normalisation
    double centre[3] = {};
    static constexpr int kPaneSpaces = 4;
    bool spaceFlags[kSetSelectionSpace] = {};

    // Walks. Recursive ones visit each child's subtree first, then the
    // group's own units; most act only on groups that have units.
    bool HasUnits() const { return !units.empty(); }
    bool AnySpaceFlag() const;
    bool IsInTimeRange() const;
    void GetTimeRange(float& start, float& end);
    // A SpaceFlagCode; any other number changes nothing.
    void SetSpaceFlag(int code);
    void DeleteUnits();
    void ReleaseInactive();
    void LoadActive();
    bool FreeOneGLBuffer(bool state);
    void FreeWorkIfUnloaded();
    void TakeSpaceTransformAll();
    void GetBounds(double minimum[3], double maximum[3]);
    void UpdateUnitScales();
    void FindLargestLengthUnit(int& code);
    void SetTopGroup(DrawGroup* top);
    void FindVolumeUnit(CKxDrawUnit*& unit);
    void FindSurfaceUnit(CKxDrawUnit*& unit);
    void InvalidateClipCaps();
    void CollectUnits(std::vector<CKxDrawUnit*>& collected);
    void CollectMeshUnits(std::vector<CKxDrawUnit*>& collected);
    // Top group only.
    void ResetNormalization();
    void ComputeNormalization(bool publish);
    // GL layer.
    void ApplyNormalization() const;
    void DrawTree(int pass);
};

// Marks a mesh unit's clip cap for rebuilding on its next draw; the mesh
// units install it. Until they do, there are no caps to mark.
extern void (*InvalidateMeshClipCap)(CKxDrawUnit& meshUnit);

} // namespace velmor
