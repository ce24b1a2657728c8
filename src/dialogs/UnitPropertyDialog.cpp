#include "dialogs/UnitPropertyDialog.h"

#include "export/ExportNumberText.h"
#include "platform/NumberParse.h"
#include "render/GeometryRoutines.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace velmor {

UnitPropertyDialog::UnitPropertyDialog(GridIds ids) : ids_(ids) {}

float UnitPropertyDialog::ReadFloat(const QString& text)
{
    return NarrowToFloat(ParseLeadingDouble(text.toStdWString()));
}

int32_t UnitPropertyDialog::ReadInt(const QString& text) { return ParseLeadingInt32(text.toStdWString()); }

QString UnitPropertyDialog::G(double value) { return QString::fromStdString(FormatG(value)); }

QString UnitPropertyDialog::D(int32_t value) { return QString::number(value); }

void UnitPropertyDialog::StoreRotation(float rot[4], const QStringList& texts)
{
    for (int i = 0; i < 4; ++i) rot[i] = ReadFloat(texts.value(i));
    if (rot[0] == 0.0f) {
        rot[1] = 1.0f;
        rot[2] = rot[3] = 0.0f;
    } else {
        NormalizeVec3f(rot + 1);
    }
}

float UnitPropertyDialog::ClampOpacity(float value) { return std::clamp(value, 0.0f, 1.0f); }

void UnitPropertyDialog::StoreFloats(float* out, int count, const QStringList& texts)
{
    for (int i = 0; i < count; ++i) out[i] = ReadFloat(texts.value(i));
}

QString UnitPropertyDialog::JoinG(std::initializer_list<double> values, const QString& separator)
{
    QStringList parts;
    for (double v : values) parts << G(v);
    return parts.join(separator);
}

QString UnitPropertyDialog::JoinD(std::initializer_list<int32_t> values, const QString& separator)
{
    QStringList parts;
    for (int32_t v : values) parts << D(v);
    return parts.join(separator);
}

UnitPropertyDialog::RowEditors UnitPropertyDialog::SingleValue(const QString& name, const QString& value)
{
    RowEditors e;
    e.name = name;
    e.values[0] = value;
    return e;
}

UnitPropertyDialog::RowEditors UnitPropertyDialog::Coordinates(const QString& name, const float* p, int count)
{
    static const QString kAxes[] = {QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("z")};
    RowEditors e;
    e.name = name;
    e.count = count;
    for (int i = 0; i < count; ++i) {
        e.captions[i] = kAxes[i];
        e.values[i] = G(p[i]);
    }
    return e;
}

UnitPropertyDialog::RowEditors UnitPropertyDialog::Rotation(const float rot[4])
{
    RowEditors e = Coordinates(QStringLiteral("回転"), rot + 1, 3);
    e.count = 4;
    e.captions = {QStringLiteral("角度"), e.captions[0], e.captions[1], e.captions[2]};
    e.values = {G(rot[0]), e.values[0], e.values[1], e.values[2]};
    return e;
}

UnitPropertyDialog::ParamRow UnitPropertyDialog::RotationRow(int kind, const float rot[4])
{
    return {kind, QStringLiteral("回転"), JoinG({rot[0], rot[1], rot[2], rot[3]}, ",")};
}

QComboBox* UnitPropertyDialog::AddCombo(QGridLayout* grid, int row, const QString& caption, int id,
                                        const QStringList& items)
{
    grid->addWidget(new QLabel(caption, this), row, 0);
    auto* combo = new QComboBox(this);
    combo->setObjectName(ControlName(id));
    combo->addItems(items);
    grid->addWidget(combo, row, 1);
    return combo;
}

QCheckBox* UnitPropertyDialog::AddCheck(QGridLayout* grid, int row, int column, const QString& text, int id)
{
    auto* check = new QCheckBox(text, this);
    check->setObjectName(ControlName(id));
    grid->addWidget(check, row, column);
    return check;
}

void UnitPropertyDialog::SelectStartingWith(QComboBox* combo, const std::wstring& text)
{
    const QString prefix = QString::fromStdWString(text);
    for (int i = 0; i < combo->count(); ++i) {
        if (combo->itemText(i).startsWith(prefix, Qt::CaseInsensitive)) {
            combo->setCurrentIndex(i);
            return;
        }
    }
}

void UnitPropertyDialog::StoreChosenText(QComboBox* combo, std::wstring& field)
{
    field = combo->currentText().toStdWString();
    ResetRows();
    ApplyUnitEdits();
}

QGridLayout* UnitPropertyDialog::BeginControls()
{
    setWindowTitle(QStringLiteral("ユニット設定"));
    layout_ = new QVBoxLayout(this);
    auto* own = new QGridLayout;
    layout_->addLayout(own);
    return own;
}

void UnitPropertyDialog::BuildPropertyGrid()
{
    QBoxLayout* layout = layout_;
    list_ = new QTreeWidget(this);
    list_->setObjectName(ControlName(ids_.list));
    list_->setColumnCount(2);
    list_->setHeaderLabels({QStringLiteral("変数名"), QStringLiteral("値")});
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setMinimumSize(300, 120);
    const int w = 300;
    list_->setColumnWidth(0, static_cast<int>(w * static_cast<double>(0.98f) * 0.35));
    list_->setColumnWidth(1, static_cast<int>(w * static_cast<double>(0.98f) * 0.65));
    layout->addWidget(list_);
    // The chosen row is the selected one, not the current one: a list that
    // takes the focus makes its first row current without choosing it.
    connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] {
        const QList<QTreeWidgetItem*> chosen = list_->selectedItems();
        OnLvnItemchangedParamList(chosen.isEmpty() ? -1 : list_->indexOfTopLevelItem(chosen.first()));
    });

    nameCaption_ = new QLabel(QStringLiteral("param name"), this);
    nameCaption_->setObjectName(ControlName(ids_.nameCaption));
    nameCaption_->setAlignment(Qt::AlignCenter);
    layout->addWidget(nameCaption_);

    auto* grid = new QGridLayout;
    for (int i = 0; i < 4; ++i) {
        if (ids_.edits[i] == 0) continue;
        captions_[i] = new QLabel(QStringLiteral("P%1").arg(i + 1), this);
        captions_[i]->setObjectName(ControlName(ids_.captions[i]));
        captions_[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        edits_[i] = new QLineEdit(this);
        edits_[i]->setObjectName(ControlName(ids_.edits[i]));
        grid->addWidget(captions_[i], i / 2, (i % 2) * 2);
        grid->addWidget(edits_[i], i / 2, (i % 2) * 2 + 1);
    }
    layout->addLayout(grid);

    applyToList_ = new QPushButton(QStringLiteral("リストに反映"), this);
    applyToList_->setObjectName(ControlName(ids_.applyToList));
    applyToList_->setAutoDefault(false);
    layout->addWidget(applyToList_);
    connect(applyToList_, &QPushButton::clicked, this, [this] { OnBnClickedApplyToList(); });
    ShowParamEditors();
}

void UnitPropertyDialog::FillParamList()
{
    // Refilling is no change of the chosen row: the editors keep what they
    // show, and the row stays marked.
    const QSignalBlocker blocker(list_);
    list_->clear();
    if (EditedUnit() == nullptr) return;
    for (const ParamRow& row : Rows()) {
        auto* item = new QTreeWidgetItem(list_, {row.label, row.value});
        item->setData(0, Qt::UserRole, row.kind);
    }
    if (selectedRow_ >= 0 && selectedRow_ < list_->topLevelItemCount())
        list_->setCurrentItem(list_->topLevelItem(selectedRow_));
}

void UnitPropertyDialog::ShowParamEditors()
{
    nameCaption_->setEnabled(false);
    nameCaption_->clear();
    applyToList_->setEnabled(false);
    for (int i = 0; i < 4; ++i) {
        if (edits_[i] == nullptr) continue;
        captions_[i]->setEnabled(false);
        captions_[i]->clear();
        edits_[i]->setEnabled(false);
        edits_[i]->clear();
    }
    if (selectedRow_ < 0 || selectedRow_ >= list_->topLevelItemCount() || EditedUnit() == nullptr) return;

    applyToList_->setEnabled(true);
    const RowEditors editors = Editors(list_->topLevelItem(selectedRow_)->data(0, Qt::UserRole).toInt());
    nameCaption_->setEnabled(true);
    nameCaption_->setText(editors.name);
    for (int i = 0; i < editors.count && i < 4; ++i) {
        if (edits_[i] == nullptr) continue;
        if (!editors.captions[i].isEmpty()) {
            captions_[i]->setEnabled(true);
            captions_[i]->setText(editors.captions[i]);
        }
        edits_[i]->setEnabled(true);
        edits_[i]->setText(editors.values[i]);
    }
}

void UnitPropertyDialog::ResetRows()
{
    selectedRow_ = -1;
    FillParamList();
    ShowParamEditors();
}

void UnitPropertyDialog::ShowForUnit(CKxDrawUnit* unit)
{
    BindUnit(unit);
    ResetRows();
    show();
}

void UnitPropertyDialog::OnLvnItemchangedParamList(int row)
{
    if (row < 0 || row >= list_->topLevelItemCount()) row = -1;
    if (row == selectedRow_) return;
    selectedRow_ = row;
    ShowParamEditors();
}

void UnitPropertyDialog::OnBnClickedApplyToList()
{
    if (EditedUnit() == nullptr || selectedRow_ < 0 || selectedRow_ >= list_->topLevelItemCount()) return;
    const int kind = list_->topLevelItem(selectedRow_)->data(0, Qt::UserRole).toInt();
    const int count = Editors(kind).count;
    QStringList texts;
    for (int i = 0; i < count && i < 4; ++i) texts << (edits_[i] != nullptr ? edits_[i]->text() : QString());
    StoreRow(kind, texts);
    FillParamList();
    ApplyUnitEdits();
}

} // namespace velmor
