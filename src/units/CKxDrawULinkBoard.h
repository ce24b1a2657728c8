#pragma once
// A clickable rectangle of the scene element "linkBoard"; invisible except
// while its property dialog edits it.
#include "units/CKxDrawUnit.h"

#include <string>

namespace velmor {

class CKxDrawULinkBoard : public CKxDrawUnit {
public:
    explicit CKxDrawULinkBoard(DrawGroup* owner);
    void Draw(int pass) override;
    void GetBounds(double minimum[3], double maximum[3]) override;
    std::wstring& GetClassName(std::wstring& name) override { return name = L"CKxDrawULinkBoard"; }
    UnitKind Kind() const override { return UnitKind::kLinkBoard; }

    float coordinate[3] = {0, 0, 0};   // corner of the board
    float rot[4] = {0, 1, 0, 0};
    bool editing = false;
    // A board the scene gives no size is empty.
    float width = 0;
    float height = 0;
};

} // namespace velmor
