#pragma once
// The base of every drawable scene element. Group walks reach units only
// through the eight virtual operations, in this order. The header is free of
// GL so that the scene reader can build units; drawing code lives in the GL
// layer.
#include "units/Material.h"

#include <cstdint>
#include <string>

namespace velmor {

class DrawGroup;
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

    DrawGroup* owner;
    DrawGroup* topGroup = nullptr;
    bool hidden = false;
    bool savedHidden = false;
    std::wstring note;
    Material material;
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
};

// The one material every selected unit is shown with; each unit constructor
// resets it, and the scene reader writes the "selected..." attributes of the
// unit it just built into it.
extern Material HighlightMaterial;
// The last pick id handed out; the pick pass resets it to 0.
extern uint32_t PickCounter;

} // namespace velmor
