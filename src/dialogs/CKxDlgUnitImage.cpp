#include "dialogs/CKxDlgUnitImage.h"

#include "units/CKxDrawUImage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>

#include <algorithm>

namespace velmor {

namespace {
enum ImageRow { kSize = 0, kPosition = 1, kRotation = 2, kDivisions = 3, kOpacity = 4 };
}

CKxDlgUnitImage::CKxDlgUnitImage()
    : UnitPropertyDialog(
          {kList, kNameCaption, {kCaption1, kCaption2, kCaption3, kCaption4}, {kEdit1, kEdit2, kEdit3, kEdit4}, kApplyToList})
{
}

CKxDrawUImage* CKxDlgUnitImage::Unit() const { return static_cast<CKxDrawUImage*>(EditedUnit()); }

void CKxDlgUnitImage::BuildControls()
{
    QGridLayout* own = BeginControls();
    shape_ = AddCombo(own, 0, QStringLiteral("形状"), kShape, {"flat", "circle", "sphere"});
    facing_ = AddCheck(own, 1, 1, QStringLiteral("常に正面を向く"), kAlwaysTurnFront);
    BuildPropertyGrid();
    connect(shape_, &QComboBox::activated, this, [this] { OnCbnSelchangeShape(); });
    connect(facing_, &QCheckBox::clicked, this, [this] { OnBnClickedAlwaysTurnFront(); });
}

void CKxDlgUnitImage::SetUnit(CKxDrawUImage* unit)
{
    BindUnit(unit);
    SelectStartingWith(shape_, unit->shape);
    UpdateStyleChecks();
    ShowForUnit(unit);
}

void CKxDlgUnitImage::UpdateStyleChecks()
{
    const bool sphere = Unit()->shape == L"sphere";
    facing_->setEnabled(!sphere);
    if (!sphere) facing_->setChecked(Unit()->facing);
}

void CKxDlgUnitImage::OnCbnSelchangeShape()
{
    if (Unit() == nullptr) return;
    Unit()->shape = shape_->currentText().toStdWString();
    UpdateStyleChecks();
    StoreChosenText(shape_, Unit()->shape);
}

void CKxDlgUnitImage::OnBnClickedAlwaysTurnFront()
{
    if (Unit() == nullptr) return;
    Unit()->facing = facing_->isChecked();
    ApplyUnitEdits();
}

QString CKxDlgUnitImage::DivisionsLabel() const
{
    return Unit()->shape == L"circle" ? QStringLiteral("円の分割数") : QStringLiteral("球の分割数");
}

std::vector<UnitPropertyDialog::ParamRow> CKxDlgUnitImage::Rows() const
{
    const CKxDrawUImage& u = *Unit();
    std::vector<ParamRow> rows;
    rows.push_back({kSize, QStringLiteral("大きさ"), G(u.size)});
    rows.push_back({kPosition, QStringLiteral("基準座標"), JoinG({u.position[0], u.position[1], u.position[2]}, ", ")});
    rows.push_back(RotationRow(kRotation, u.rotation));
    if (u.shape == L"circle" || u.shape == L"sphere") rows.push_back({kDivisions, DivisionsLabel(), D(u.divide)});
    rows.push_back({kOpacity, QStringLiteral("不透明度"), G(u.material.diffuse[3])});
    return rows;
}

UnitPropertyDialog::RowEditors CKxDlgUnitImage::Editors(int kind) const
{
    const CKxDrawUImage& u = *Unit();
    switch (kind) {
    case kSize: return SingleValue(QStringLiteral("大きさ"), G(u.size));
    case kPosition: return Coordinates(QStringLiteral("基準座標"), u.position, 3);
    case kRotation: return Rotation(u.rotation);
    case kDivisions: return SingleValue(DivisionsLabel(), D(u.divide));
    default: return SingleValue(QStringLiteral("不透明度"), G(u.material.diffuse[3]));
    }
}

void CKxDlgUnitImage::StoreRow(int kind, const QStringList& texts)
{
    CKxDrawUImage& u = *Unit();
    switch (kind) {
    case kSize: u.size = ReadFloat(texts.value(0)); break;
    case kPosition: StoreFloats(u.position, 3, texts); break;
    case kRotation: StoreRotation(u.rotation, texts); break;
    case kDivisions: u.divide = std::max(ReadInt(texts.value(0)), 0); break;
    default: u.material.diffuse[3] = ClampOpacity(ReadFloat(texts.value(0))); break;
    }
}

} // namespace velmor
