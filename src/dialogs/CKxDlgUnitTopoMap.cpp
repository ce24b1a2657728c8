#include "dialogs/CKxDlgUnitTopoMap.h"

#include "units/CKxDrawUTopoMap.h"

namespace velmor {

namespace {
enum MapRow { kLowerLeft = 0, kUpperRight = 1, kOpacity = 2 };
}

CKxDlgUnitTopoMap::CKxDlgUnitTopoMap()
    : UnitPropertyDialog({kList, kNameCaption, {kCaption1, kCaption2}, {kEdit1, kEdit2}, kApplyToList})
{
}

CKxDrawUTopoMap* CKxDlgUnitTopoMap::Unit() const { return static_cast<CKxDrawUTopoMap*>(EditedUnit()); }

void CKxDlgUnitTopoMap::BuildControls()
{
    BeginControls();
    BuildPropertyGrid();
}

void CKxDlgUnitTopoMap::SetUnit(CKxDrawUTopoMap* unit)
{
    BindUnit(unit);
    ShowForUnit(unit);
}

std::vector<UnitPropertyDialog::ParamRow> CKxDlgUnitTopoMap::Rows() const
{
    const float* e = Unit()->extent;
    return {{kLowerLeft, QStringLiteral("左下座標"), JoinG({e[0], e[1]}, ", ")},
            {kUpperRight, QStringLiteral("右上座標"), JoinG({e[2], e[3]}, ", ")},
            {kOpacity, QStringLiteral("不透明度"), G(Unit()->material.diffuse[3])}};
}

UnitPropertyDialog::RowEditors CKxDlgUnitTopoMap::Editors(int kind) const
{
    const float* e = Unit()->extent;
    switch (kind) {
    case kLowerLeft: return Coordinates(QStringLiteral("座標"), e, 2);
    case kUpperRight: return Coordinates(QStringLiteral("座標"), e + 2, 2);
    default: return SingleValue(QStringLiteral("不透明度"), G(Unit()->material.diffuse[3]));
    }
}

void CKxDlgUnitTopoMap::StoreRow(int kind, const QStringList& texts)
{
    CKxDrawUTopoMap& u = *Unit();
    switch (kind) {
    case kLowerLeft: StoreFloats(u.extent, 2, texts); break;
    case kUpperRight: StoreFloats(u.extent + 2, 2, texts); break;
    default: u.material.diffuse[3] = ClampOpacity(ReadFloat(texts.value(0))); break;
    }
}

} // namespace velmor
