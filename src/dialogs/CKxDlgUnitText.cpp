#include "dialogs/CKxDlgUnitText.h"

#include "dialogs/CKxDlgUnitTextFont.h"
#include "units/CKxDrawUText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace velmor {

namespace {

enum TextRow { kReference = 0, kFixed = 1, kPixelSize = 2, kSize = 3, kRotation = 4 };

QString Point3(const float p[3]) { return UnitPropertyDialog::JoinG({p[0], p[1], p[2]}, ", "); }

} // namespace

CKxDlgUnitText::CKxDlgUnitText()
    : UnitPropertyDialog(
          {kList, kNameCaption, {kCaption1, kCaption2, kCaption3, kCaption4}, {kEdit1, kEdit2, kEdit3, kEdit4}, kApplyToList})
{
}

CKxDrawUText* CKxDlgUnitText::Unit() const { return static_cast<CKxDrawUText*>(EditedUnit()); }

void CKxDlgUnitText::BuildControls()
{
    QGridLayout* own = BeginControls();

    type_ = AddCombo(own, 0, QStringLiteral("タイプ"), kType,
                     {QStringLiteral("正面を向き大きさ固定"), QStringLiteral("正面を向き大きさ可変"),
                      QStringLiteral("回転し大きさ可変"), QStringLiteral("位置固定大きさ固定")});

    own->addWidget(new QLabel(QStringLiteral("文字"), this), 1, 0);
    text_ = new QLineEdit(this);
    text_->setObjectName(ControlName(kText));
    own->addWidget(text_, 1, 1);
    auto* applyText = new QPushButton(QStringLiteral("適用"), this);
    applyText->setObjectName(ControlName(kApplyText));
    applyText->setAutoDefault(false);
    own->addWidget(applyText, 1, 2);

    own->addWidget(new QLabel(QStringLiteral("フォント"), this), 2, 0);
    font_ = new QLineEdit(this);
    font_->setObjectName(ControlName(kFont));
    font_->setReadOnly(true);
    own->addWidget(font_, 2, 1);
    auto* select = new QPushButton(QStringLiteral("選択"), this);
    select->setObjectName(ControlName(kSelectFont));
    select->setAutoDefault(false);
    own->addWidget(select, 2, 2);

    bold_ = AddCheck(own, 3, 1, QStringLiteral("bold"), kBold);
    italic_ = AddCheck(own, 3, 2, QStringLiteral("italic"), kItalic);

    BuildPropertyGrid();

    connect(type_, &QComboBox::activated, this, [this] { OnCbnSelchangeType(); });
    connect(applyText, &QPushButton::clicked, this, [this] { OnBnClickedApplyText(); });
    connect(select, &QPushButton::clicked, this, [this] { OnBnClickedSelectFont(); });
    connect(bold_, &QCheckBox::clicked, this, [this] { OnBnClickedBold(); });
    connect(italic_, &QCheckBox::clicked, this, [this] { OnBnClickedItalic(); });
}

void CKxDlgUnitText::SetUnit(CKxDrawUText* unit)
{
    BindUnit(unit);
    type_->setCurrentIndex(unit->mode < type_->count() ? unit->mode : -1);
    text_->setText(QString::fromStdWString(unit->text));
    font_->setText(QString::fromStdWString(unit->fontName));
    bold_->setChecked(unit->bold);
    italic_->setChecked(unit->italic);
    ShowForUnit(unit);
}

std::vector<UnitPropertyDialog::ParamRow> CKxDlgUnitText::Rows() const
{
    const CKxDrawUText& u = *Unit();
    std::vector<ParamRow> rows;
    if (u.mode != 3) rows.push_back({kReference, QStringLiteral("基準座標"), Point3(u.coordinate)});
    if (u.mode == 3) rows.push_back({kFixed, QStringLiteral("固定座標"), Point3(u.fixPoint)});
    if (u.mode == 0 || u.mode == 3) rows.push_back({kPixelSize, QStringLiteral("ピクセルサイズ"), G(u.fontSize)});
    if (u.mode == 1 || u.mode == 2) rows.push_back({kSize, QStringLiteral("サイズ"), G(u.textScale)});
    if (u.mode == 2) rows.push_back(RotationRow(kRotation, u.rot));
    return rows;
}

UnitPropertyDialog::RowEditors CKxDlgUnitText::Editors(int kind) const
{
    const CKxDrawUText& u = *Unit();
    switch (kind) {
    case kReference: return Coordinates(QStringLiteral("基準座標"), u.coordinate, 3);
    case kFixed: return Coordinates(QStringLiteral("固定座標"), u.fixPoint, 3);
    case kPixelSize: return SingleValue(QStringLiteral("ピクセルサイズ"), G(u.fontSize));
    case kSize: return SingleValue(QStringLiteral("サイズ"), G(u.textScale));
    default: return Rotation(u.rot);
    }
}

void CKxDlgUnitText::StoreRow(int kind, const QStringList& texts)
{
    CKxDrawUText& u = *Unit();
    switch (kind) {
    case kReference: StoreFloats(u.coordinate, 3, texts); break;
    case kFixed: StoreFloats(u.fixPoint, 3, texts); break;
    case kPixelSize: u.fontSize = ReadFloat(texts.value(0)); break;
    case kSize: u.textScale = ReadFloat(texts.value(0)); break;
    default: StoreRotation(u.rot, texts); break;
    }
}

void CKxDlgUnitText::OnCbnSelchangeType()
{
    if (Unit() == nullptr || type_->currentIndex() < 0) return;
    Unit()->mode = static_cast<uint8_t>(type_->currentIndex());
    ResetRows();
    ApplyUnitEdits();
}

void CKxDlgUnitText::OnBnClickedApplyText()
{
    if (Unit() == nullptr) return;
    Unit()->text = text_->text().toStdWString();
    ApplyUnitEdits();
}

void CKxDlgUnitText::OnBnClickedBold()
{
    if (Unit() == nullptr) return;
    Unit()->bold = bold_->isChecked();
    ApplyUnitEdits();
}

void CKxDlgUnitText::OnBnClickedItalic()
{
    if (Unit() == nullptr) return;
    Unit()->italic = italic_->isChecked();
    ApplyUnitEdits();
}

void CKxDlgUnitText::OnBnClickedSelectFont()
{
    CKxDlgUnitTextFont dialog;
    NestedDialog nested(*this);
    if (dialog.exec() == QDialog::Rejected) return;   // the flag eats the Escape release
    nested.Accepted();
    if (dialog.result.isEmpty() || Unit() == nullptr) return;
    Unit()->fontName = dialog.result.toStdWString();
    font_->setText(QString::fromStdWString(Unit()->fontName));
    ApplyUnitEdits();
}

} // namespace velmor
