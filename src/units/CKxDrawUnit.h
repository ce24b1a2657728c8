#pragma once
// The base of every drawable scene element. Group walks reach units only
// through the eight virtual operations, in this order. The header is free of
// GL so that the scene reader can build units; drawing code lives in the GL
// layer.
#include "units/Material.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velmor {

class DrawGroup;

// What a unit is: one kind a unit class. Code that treats kinds apart asks
// this; the class names stay for where a scene names a class.
enum class UnitKind : uint8_t {
    kPlain, kPrimitive, kText, kImage, kLinkBoard, kConnector, kTriangles, kTriIndex, kPointCloud, kStl, kSurface,
    kVolume, kTopoMap, kScatterGraph,
};
// Index meshes, STL meshes and iso-surfaces: the units drawn from triangle
// meshes with parts that can be exported.
constexpr bool IsMeshKind(UnitKind kind)
{
    return kind == UnitKind::kTriIndex || kind == UnitKind::kStl || kind == UnitKind::kSurface;
}
// The meshes and the point cloud: the units whose parts take material presets.
constexpr bool TakesMaterialPresets(UnitKind kind) { return IsMeshKind(kind) || kind == UnitKind::kPointCloud; }
struct SceneEvent;

class CKxDrawUnit {
public:
    explicit CKxDrawUnit(DrawGroup* owner);
    virtual ~CKxDrawUnit() = default;
    virtual void Load() {}
    virtual void Release() {}
    virtual void Draw(int /*pass*/) {}
    virtual void FreeWork() {}
    virtual bool FreeGLBuffers() { return false; }
    virtual void GetBounds(double /*minimum*/[3], double /*maximum*/[3]) {}
    virtual std::wstring& GetClassName(std::wstring& name) { return name = L"CKxDrawUnit"; }
    virtual UnitKind Kind() const { return UnitKind::kPlain; }

    // Units other than the meshes draw in the opaque passes only when their
    // diffuse alpha is exactly 1.
    bool IsOpaque() const { return material.diffuse[3] == 1.0f; }

    // GL layer: hands out the next pick id into `id` and makes it the
    // current colour, its bytes lowest first as red, green, blue, alpha.
    void SetPickColor(uint32_t* id);
    // GL layer: front-and-back material from the highlight or the unit.
    void SetUnitMaterial(bool selected);
    // GL layer: a colour for unlit drawing that looks like the lit material.
    void SetUnlitColor(bool selected, bool transparent);
    // GL layer: places a main-layer unit into its space's normalised
    // coordinates; units of the back and fore layers keep their own.
    void ApplyUnitTransform();
    // GL layer: turns by a unit's 'angle, x, y, z' rotation, whole turns
    // dropped; nothing for a rotation that cannot turn anything.
    static void ApplyUnitRotation(const float rot[4]);
    // The top group's normalisation, adjusted by lengthFactor.
    void TakeSpaceTransform();
    // lengthFactor from the unit's length unit to the top group's.
    void UpdateUnitScale();
    // Tells the user why a load of this unit failed, once: a picture pane is
    // loaded afresh whenever it is redrawn, and the same fault would come
    // back with every redraw.
    void ReportLoadFailure(const std::wstring& text);
    // The next load was asked for by the user, who hears how it ends.
    void ForgetReportedFailures() { m_reportedFailures.clear(); }

    DrawGroup* owner;
    DrawGroup* topGroup = nullptr;
    bool hidden = false;
    bool savedHidden = false;
    std::wstring note;
    Material material;
    // The unit panel's colour undo and snapshot.
    bool colorChanged = false;
    Material undoMaterial;
    bool hasTempSave = false;
    Material tempMaterial;
    double lengthFactor = 1.0;
    std::wstring lengthUnit = L"mm";
    double scale[3] = {1, 1, 1};
    double pivot[3] = {0, 0, 0};
    double translation[3] = {0, 0, 0};
    uint32_t pickId = 0;
    bool selectable = false;
    bool selected = false;
    SceneEvent* event = nullptr;
    bool valid = true;

private:
    std::vector<std::wstring> m_reportedFailures;
};

// The one material every selected unit is shown with; each unit constructor
// resets it, and the scene reader writes the "selected..." attributes of the
// unit it just built into it.
extern Material HighlightMaterial;
// The last pick id handed out; the pick pass resets it to 0.
extern uint32_t PickCounter;

// Units built while drawing (guide lines, the scale bar) reset the highlight
// in their constructors; this keeps the scene's highlight around them.
class HighlightMaterialGuard {
public:
    HighlightMaterialGuard() : saved_(HighlightMaterial) {}
    ~HighlightMaterialGuard() { HighlightMaterial = saved_; }
    HighlightMaterialGuard(const HighlightMaterialGuard&) = delete;
    HighlightMaterialGuard& operator=(const HighlightMaterialGuard&) = delete;

private:
    Material saved_;
};

} // namespace velmor
