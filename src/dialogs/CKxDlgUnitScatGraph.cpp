#include "dialogs/CKxDlgUnitScatGraph.h"

#include "units/CKxDrawUScatterGraph.h"

#include <QComboBox>
#include <QGridLayout>

#include <algorithm>

namespace velmor {

namespace {
enum ScatterRow { kPixelSize = 0, kRadius = 1, kDivisions = 2 };
}

CKxDlgUnitScatGraph::CKxDlgUnitScatGraph()
    : UnitPropertyDialog({kList, kNameCaption, {kCaption1, kCaption2}, {kEdit1, kEdit2}, kApplyToList})
{
}

CKxDrawUScatterGraph* CKxDlgUnitScatGraph::Unit() const { return static_cast<CKxDrawUScatterGraph*>(EditedUnit()); }

void CKxDlgUnitScatGraph::BuildControls()
{
    QGridLayout* own = BeginControls();
    marker_ = AddCombo(own, 0, QStringLiteral("マーカー"), kMarker, {"point", "sphere"});
    BuildPropertyGrid();
    connect(marker_, &QComboBox::activated, this, [this] { OnCbnSelchangeMarker(); });
}

void CKxDlgUnitScatGraph::SetUnit(CKxDrawUScatterGraph* unit)
{
    BindUnit(unit);
    SelectStartingWith(marker_, unit->markerShape);
    ShowForUnit(unit);
}

void CKxDlgUnitScatGraph::OnCbnSelchangeMarker()
{
    if (Unit() != nullptr) StoreChosenText(marker_, Unit()->markerShape);
}

std::vector<UnitPropertyDialog::ParamRow> CKxDlgUnitScatGraph::Rows() const
{
    const CKxDrawUScatterGraph& u = *Unit();
    if (u.markerShape == L"point") return {{kPixelSize, QStringLiteral("ピクセルサイズ"), G(u.markerSize)}};
    if (u.markerShape != L"sphere") return {};
    return {{kRadius, QStringLiteral("半径"), G(u.markerSize)},
            {kDivisions, QStringLiteral("球の分割数"), JoinD({u.markerParameter[0], u.markerParameter[1]}, ",")}};
}

UnitPropertyDialog::RowEditors CKxDlgUnitScatGraph::Editors(int kind) const
{
    const CKxDrawUScatterGraph& u = *Unit();
    if (kind == kPixelSize) return SingleValue(QStringLiteral("ピクセルサイズ"), G(u.markerSize));
    if (kind == kRadius) return SingleValue(QStringLiteral("半径"), G(u.markerSize));
    RowEditors e;
    e.name = QStringLiteral("球の分割数");
    e.count = 2;
    e.captions = {QStringLiteral("xy plane"), QStringLiteral("z axis")};
    e.values = {D(u.markerParameter[0]), D(u.markerParameter[1])};
    return e;
}

void CKxDlgUnitScatGraph::StoreRow(int kind, const QStringList& texts)
{
    CKxDrawUScatterGraph& u = *Unit();
    if (kind != kDivisions) {
        u.markerSize = std::max(ReadFloat(texts.value(0)), 0.0f);
        return;
    }
    for (int i = 0; i < 2; ++i) u.markerParameter[i] = std::max(ReadInt(texts.value(i)), 0);
}

} // namespace velmor
