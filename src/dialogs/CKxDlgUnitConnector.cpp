#include "dialogs/CKxDlgUnitConnector.h"

#include "units/CKxDrawUConnector.h"

#include <QComboBox>
#include <QGridLayout>

namespace velmor {

namespace {
enum ConnectorRow { kLineWidth = 0, kRadius = 1, kMovingPoint = 2, kFixedPoint = 3 };
}

CKxDlgUnitConnector::CKxDlgUnitConnector()
    : UnitPropertyDialog({kList, kNameCaption, {kCaption1, kCaption2, kCaption3}, {kEdit1, kEdit2, kEdit3}, kApplyToList})
{
}

CKxDrawUConnector* CKxDlgUnitConnector::Unit() const { return static_cast<CKxDrawUConnector*>(EditedUnit()); }

void CKxDlgUnitConnector::BuildControls()
{
    QGridLayout* own = BeginControls();
    shape_ = AddCombo(own, 0, QStringLiteral("形状"), kShape, {"line", "cone", "cylinder"});
    BuildPropertyGrid();
    connect(shape_, &QComboBox::activated, this, [this] { OnCbnSelchangeShape(); });
}

void CKxDlgUnitConnector::SetUnit(CKxDrawUConnector* unit)
{
    BindUnit(unit);
    SelectStartingWith(shape_, unit->shape);
    ShowForUnit(unit);
}

void CKxDlgUnitConnector::OnCbnSelchangeShape()
{
    if (Unit() != nullptr) StoreChosenText(shape_, Unit()->shape);
}

std::vector<UnitPropertyDialog::ParamRow> CKxDlgUnitConnector::Rows() const
{
    const CKxDrawUConnector& u = *Unit();
    std::vector<ParamRow> rows;
    if (u.shape == L"line")
        rows.push_back({kLineWidth, QStringLiteral("線の幅"), G(u.pixelSize)});
    else
        rows.push_back({kRadius, QStringLiteral("半径"), G(u.radius)});
    rows.push_back({kMovingPoint, QStringLiteral("移動点"), JoinG({u.coordinate[0], u.coordinate[1], u.coordinate[2]}, ", ")});
    rows.push_back({kFixedPoint, QStringLiteral("固定点"), JoinG({u.fixPoint[0], u.fixPoint[1], u.fixPoint[2]}, ",")});
    return rows;
}

UnitPropertyDialog::RowEditors CKxDlgUnitConnector::Editors(int kind) const
{
    const CKxDrawUConnector& u = *Unit();
    switch (kind) {
    case kLineWidth: return SingleValue(QStringLiteral("線の幅"), G(u.pixelSize));
    case kRadius: return SingleValue(QStringLiteral("半径"), G(u.radius));
    case kMovingPoint: return Coordinates(QStringLiteral("移動点"), u.coordinate, 3);
    default: return Coordinates(QStringLiteral("固定点"), u.fixPoint, 3);
    }
}

void CKxDlgUnitConnector::StoreRow(int kind, const QStringList& texts)
{
    CKxDrawUConnector& u = *Unit();
    switch (kind) {
    case kLineWidth: u.pixelSize = ReadFloat(texts.value(0)); break;
    case kRadius: u.radius = ReadFloat(texts.value(0)); break;
    case kMovingPoint: StoreFloats(u.coordinate, 3, texts); break;
    default: StoreFloats(u.fixPoint, 3, texts); break;
    }
}

} // namespace velmor
