#include "dialogs/CKxDlgUnitPrim.h"

#include "units/CKxDrawUPrimitive.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>

namespace velmor {

namespace {

bool Is(const std::wstring& shape, std::initializer_list<const wchar_t*> names)
{
    for (const wchar_t* name : names)
        if (shape == name) return true;
    return false;
}

QStringList Pair(const char* first, const char* second) { return {QString::fromUtf8(first), QString::fromUtf8(second)}; }

} // namespace

CKxDlgUnitPrim::CKxDlgUnitPrim()
    : UnitPropertyDialog(
          {kList, kNameCaption, {kCaption1, kCaption2, kCaption3, kCaption4}, {kEdit1, kEdit2, kEdit3, kEdit4}, kApplyToList})
{
}

CKxDrawUPrimitive* CKxDlgUnitPrim::Unit() const { return static_cast<CKxDrawUPrimitive*>(EditedUnit()); }

void CKxDlgUnitPrim::BuildControls()
{
    QGridLayout* own = BeginControls();
    shape_ = AddCombo(own, 0, QStringLiteral("形状"), kShape,
                      {"point", "line", "triangle", "bar", "square", "rectangle", "cube", "cuboid", "circle", "oval",
                       "sphere", "ellipsoid", "cone", "cylinder"});
    fill_ = AddCheck(own, 1, 0, QStringLiteral("塗りつぶす"), kFill);
    marker_ = AddCheck(own, 1, 1, QStringLiteral("マーカー"), kMarker);
    BuildPropertyGrid();
    connect(shape_, &QComboBox::activated, this, [this] { OnCbnSelchangeShape(); });
    connect(fill_, &QCheckBox::clicked, this, [this] { OnBnClickedFill(); });
    connect(marker_, &QCheckBox::clicked, this, [this] { OnBnClickedMarker(); });
}

void CKxDlgUnitPrim::SetUnit(CKxDrawUPrimitive* unit)
{
    BindUnit(unit);
    SelectStartingWith(shape_, unit->shape);
    UpdateStyleChecks();
    ShowForUnit(unit);
}

void CKxDlgUnitPrim::UpdateStyleChecks()
{
    const CKxDrawUPrimitive& u = *Unit();
    const bool noMarker = Is(u.shape, {L"point", L"line", L"triangle"});
    marker_->setEnabled(!noMarker);
    if (!noMarker) marker_->setChecked(u.marker);
    const bool noFill = Is(u.shape, {L"point", L"line", L"bar"});
    fill_->setEnabled(!noFill);
    if (!noFill) fill_->setChecked(u.filled);
}

void CKxDlgUnitPrim::OnCbnSelchangeShape()
{
    if (Unit() == nullptr) return;
    Unit()->shape = shape_->currentText().toStdWString();
    UpdateStyleChecks();
    StoreChosenText(shape_, Unit()->shape);
}

void CKxDlgUnitPrim::OnBnClickedFill()
{
    if (Unit() == nullptr) return;
    Unit()->filled = fill_->isChecked();
    ApplyUnitEdits();
}

void CKxDlgUnitPrim::OnBnClickedMarker()
{
    if (Unit() == nullptr) return;
    Unit()->marker = marker_->isChecked();
    ApplyUnitEdits();
}

std::vector<int> CKxDlgUnitPrim::RowKindsOf(const std::wstring& shape)
{
    if (shape == L"point") return {0, 1};
    if (shape == L"line") return {0, 1, 2};
    if (shape == L"triangle") return {0, 1, 2, 3};
    if (Is(shape, {L"bar", L"square", L"cube"})) return {0, 1, 4, 5};
    if (shape == L"rectangle") return {0, 1, 4, 6};
    if (shape == L"cuboid") return {0, 1, 4, 7};
    if (shape == L"circle") return {0, 1, 4, 9, 12, 14};
    if (shape == L"sphere") return {0, 1, 4, 9, 13, 14};
    if (shape == L"oval") return {0, 1, 4, 10, 12, 14};
    if (shape == L"ellipsoid") return {0, 1, 4, 11, 13, 14};
    if (shape == L"cone") return {0, 1, 4, 9, 8, 12, 14};
    if (shape == L"cylinder") return {0, 1, 4, 10, 8, 12, 14};
    return {0, 1, 4};
}

QString CKxDlgUnitPrim::Label(int kind) const
{
    const std::wstring& shape = Unit()->shape;
    switch (kind) {
    case 0: return shape == L"point" ? QStringLiteral("点の大きさ") : QStringLiteral("線の幅");
    case 1:
        if (shape == L"point") return QStringLiteral("座標");
        return Is(shape, {L"line", L"triangle"}) ? QStringLiteral("座標 1") : QStringLiteral("中心座標");
    case 2: return QStringLiteral("座標 2");
    case 3: return QStringLiteral("座標 3");
    case 4: return QStringLiteral("回転");
    case 5: return shape == L"bar" ? QStringLiteral("長さ") : QStringLiteral("辺の長さ");
    case 6:
    case 7: return QStringLiteral("辺の長さ");
    case 8: return QStringLiteral("高さ");
    case 9:
    case 10:
    case 11: return QStringLiteral("半径");
    case 12: return QStringLiteral("円の分割数");
    case 13: return QStringLiteral("球の分割数");
    default: return QStringLiteral("線の数");
    }
}

int CKxDlgUnitPrim::LineCountIndex() const { return Is(Unit()->shape, {L"sphere", L"ellipsoid"}) ? 2 : 1; }

std::vector<UnitPropertyDialog::ParamRow> CKxDlgUnitPrim::Rows() const
{
    const CKxDrawUPrimitive& u = *Unit();
    std::vector<ParamRow> rows;
    for (int kind : RowKindsOf(u.shape)) {
        QString value;
        switch (kind) {
        case 0: value = G(u.pixelSize); break;
        case 1:
        case 2:
        case 3: {
            const float* p = u.points[kind - 1];
            value = JoinG({p[0], p[1], p[2]}, ", ");
            break;
        }
        case 4: rows.push_back(RotationRow(kind, u.rot)); continue;
        case 5:
        case 9: value = G(u.size[0]); break;
        case 6:
        case 10: value = JoinG({u.size[0], u.size[1]}, ","); break;
        case 7:
        case 11: value = JoinG({u.size[0], u.size[1], u.size[2]}, ","); break;
        case 8: value = G(u.size[u.shape == L"cone" ? 1 : 2]); break;
        case 12: value = D(u.parameter[0]); break;
        case 13: value = JoinD({u.parameter[0], u.parameter[1]}, ","); break;
        default: {
            const int i = LineCountIndex();
            value = JoinD({u.parameter[i], u.parameter[i + 1]}, ",");
            break;
        }
        }
        rows.push_back({kind, Label(kind), value});
    }
    return rows;
}

UnitPropertyDialog::RowEditors CKxDlgUnitPrim::Editors(int kind) const
{
    const CKxDrawUPrimitive& u = *Unit();
    const QString name = Label(kind);
    RowEditors e;
    switch (kind) {
    case 0: return SingleValue(name, G(u.pixelSize));
    case 1:
    case 2:
    case 3: return Coordinates(name, u.points[kind - 1], 3);
    case 4: return Rotation(u.rot);
    case 5:
    case 9: return SingleValue(name, G(u.size[0]));
    case 6:
    case 10:
        e = Coordinates(name, u.size, 2);
        if (u.shape == L"cylinder" && kind == 10) e.captions = {"base", "top"};
        return e;
    case 7:
    case 11: return Coordinates(name, u.size, 3);
    case 8: return SingleValue(name, G(u.size[u.shape == L"cone" ? 1 : 2]));
    case 12: return SingleValue(name, D(u.parameter[0]));
    default: break;
    }
    const int first = kind == 13 ? 0 : LineCountIndex();
    QStringList captions = Pair("xy plane", "z axis");
    if (kind == 14 && first == 1)
        captions = Is(u.shape, {L"cone", L"cylinder"}) ? Pair("arc", "height") : Pair("arc", "radius");
    e.name = name;
    e.count = 2;
    e.captions = {captions[0], captions[1]};
    e.values = {D(u.parameter[first]), D(u.parameter[first + 1])};
    return e;
}

void CKxDlgUnitPrim::StoreRow(int kind, const QStringList& texts)
{
    CKxDrawUPrimitive& u = *Unit();
    switch (kind) {
    case 0: u.pixelSize = ReadFloat(texts.value(0)); break;
    case 1:
    case 2:
    case 3: StoreFloats(u.points[kind - 1], 3, texts); break;
    case 4: StoreRotation(u.rot, texts); break;
    case 5:
    case 9: StoreFloats(u.size, 1, texts); break;
    case 6:
    case 10: StoreFloats(u.size, 2, texts); break;
    case 7:
    case 11: StoreFloats(u.size, 3, texts); break;
    case 8: u.size[u.shape == L"cone" ? 1 : 2] = ReadFloat(texts.value(0)); break;
    case 12: u.parameter[0] = ReadInt(texts.value(0)); break;
    default: {
        const int first = kind == 13 ? 0 : LineCountIndex();
        u.parameter[first] = ReadInt(texts.value(0));
        u.parameter[first + 1] = ReadInt(texts.value(1));
        break;
    }
    }
}

} // namespace velmor
