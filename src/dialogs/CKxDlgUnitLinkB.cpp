#include "dialogs/CKxDlgUnitLinkB.h"

#include "units/CKxDrawULinkBoard.h"

#include <algorithm>

namespace velmor {

namespace {
enum BoardRow { kWidth = 0, kHeight = 1, kCorner = 2, kRotation = 3 };
}

CKxDlgUnitLinkB::CKxDlgUnitLinkB()
    : UnitPropertyDialog(
          {kList, kNameCaption, {kCaption1, kCaption2, kCaption3, kCaption4}, {kEdit1, kEdit2, kEdit3, kEdit4}, kApplyToList})
{
}

CKxDrawULinkBoard* CKxDlgUnitLinkB::Unit() const { return static_cast<CKxDrawULinkBoard*>(EditedUnit()); }

void CKxDlgUnitLinkB::BuildControls()
{
    BeginControls();
    BuildPropertyGrid();
}

void CKxDlgUnitLinkB::SetUnit(CKxDrawULinkBoard* unit)
{
    // Switching boards while shown: the board left behind must not stay
    // drawn as if it were still being edited.
    if (Unit() != nullptr && Unit() != unit && isVisible()) Unit()->editing = false;
    BindUnit(unit);
    ShowForUnit(unit);
    unit->editing = true;
    RenderNow();
}

void CKxDlgUnitLinkB::HideUnitDialog()
{
    UnitPropertyDialog::HideUnitDialog();
    if (Unit() != nullptr) Unit()->editing = false;
    RenderNow();
}

std::vector<UnitPropertyDialog::ParamRow> CKxDlgUnitLinkB::Rows() const
{
    const CKxDrawULinkBoard& u = *Unit();
    return {{kWidth, QStringLiteral("幅"), G(u.width)},
            {kHeight, QStringLiteral("高さ"), G(u.height)},
            {kCorner, QStringLiteral("左下座標"), JoinG({u.coordinate[0], u.coordinate[1], u.coordinate[2]}, ", ")},
            RotationRow(kRotation, u.rot)};
}

UnitPropertyDialog::RowEditors CKxDlgUnitLinkB::Editors(int kind) const
{
    const CKxDrawULinkBoard& u = *Unit();
    switch (kind) {
    case kWidth: return SingleValue(QStringLiteral("幅"), G(u.width));
    case kHeight: return SingleValue(QStringLiteral("高さ"), G(u.height));
    case kCorner: return Coordinates(QStringLiteral("座標"), u.coordinate, 3);
    default: return Rotation(u.rot);
    }
}

void CKxDlgUnitLinkB::StoreRow(int kind, const QStringList& texts)
{
    CKxDrawULinkBoard& u = *Unit();
    switch (kind) {
    case kWidth: u.width = std::max(ReadFloat(texts.value(0)), 0.0f); break;
    case kHeight: u.height = std::max(ReadFloat(texts.value(0)), 0.0f); break;
    case kCorner: StoreFloats(u.coordinate, 3, texts); break;
    default: StoreRotation(u.rot, texts); break;
    }
}

} // namespace velmor
