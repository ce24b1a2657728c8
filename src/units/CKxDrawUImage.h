#pragma once
// A picture on a flat rectangle, a disc or a sphere (scene element "image"),
// with a second picture shown while the unit is selected.
#include "scene/LoadStatus.h"
#include "units/CKxDrawUnit.h"
#include "units/ColorLut.h"
#include "units/PictureUnitDrawing.h"

#include <cstdint>
#include <string>

namespace velmor {

class DataObject;

class CKxDrawUImage : public CKxDrawUnit {
public:
    explicit CKxDrawUImage(DrawGroup* owner);
    // Acquires the pictures and makes their textures; a failure is shown
    // and leaves the unit released and invalid.
    void Load() override;
    void Release() override;
    void Draw(int pass) override;
    // size around the centre on every axis, whatever the shape and rotation.
    void GetBounds(double minimum[3], double maximum[3]) override;
    std::wstring& GetClassName(std::wstring& name) override { return name = L"CKxDrawUImage"; }
    UnitKind Kind() const override { return UnitKind::kImage; }

    // A picture with an alpha channel or a material that is not fully
    // opaque puts the unit into the transparent pass.
    bool IsTransparent() const;
    // What the unit draws in `pass`.
    UnitPassWork PassWork(int pass) const;

    // GL layer: the textured shape, and the shape in the pick colour.
    void DrawTextured(bool transparent);
    void DrawPicked();

    std::wstring shape = L"flat";   // flat, circle or sphere
    float size = 1.0f;              // longer side, or the sphere's diameter
    float position[3] = {0, 0, 0};
    float rotation[4] = {0, 1, 0, 0};
    bool facing = false;
    int32_t divide = 24;   // disc segments, sphere stacks
    DataObject* imageData = nullptr;
    DataObject* selectedImageData = nullptr;
    float halfWidth = 0;
    float halfHeight = 0;
    ColorLut imageLut;
    ColorLut selectedLut;
    float texMaxS = 0;
    float texMaxT = 0;

private:
    // The pictures' payloads and textures, then the shape's size.
    LoadStatus LoadPictures();
    // GL layer.
    void DrawShape(bool transparent);
};

} // namespace velmor
