#pragma once
// A line, cone or cylinder from a scene point to a point fixed on the screen
// (scene element "connector").
#include "units/CKxDrawUnit.h"

#include <string>

namespace velmor {

class CKxDrawUConnector : public CKxDrawUnit {
public:
    explicit CKxDrawUConnector(DrawGroup* owner);
    void Draw(int pass) override;
    void GetBounds(double minimum[3], double maximum[3]) override;
    std::wstring& GetClassName(std::wstring& name) override { return name = L"CKxDrawUConnector"; }
    UnitKind Kind() const override { return UnitKind::kConnector; }

    float coordinate[3] = {0, 0, 0};   // the scene end
    float fixPoint[3] = {0, 0, 0};     // the screen end
    std::wstring shape;
    float pixelSize = 1.0f;
    float radius = 0.01f;   // in half the smaller viewport side
};

} // namespace velmor
