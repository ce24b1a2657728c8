#include "dialogs/CKxDlgDataArray.h"

#include "dialogs/DialogControls.h"
#include "export/ExportNumberText.h"
#include "scene/DataObject.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QShowEvent>
#include <QVBoxLayout>

namespace velmor {

QString CoordinateRangeText(const DataObject& data)
{
    static const char* const kAxes[3] = {"x", "y", "z"};
    QString text;
    for (int k = 0; k < 3; ++k) {
        const double scale = data.coordinateScale.scale[k];
        const QString axis = QString::fromLatin1(kAxes[k]);
        text += axis + QStringLiteral(" 最小値： ") + QString::fromStdString(FormatFixed6(data.boundsMin[k] * scale)) +
                QStringLiteral("\r\n");
        text += axis + QStringLiteral(" 最大値： ") + QString::fromStdString(FormatFixed6(data.boundsMax[k] * scale)) +
                QStringLiteral("\r\n");
    }
    return text;
}

CKxDlgDataArray::CKxDlgDataArray(QWidget* parent)
    : DialogBase(parent), range_(Numbered(new QPlainTextEdit, kRange)), unit_(Numbered(new QComboBox, kUnit))
{
    setObjectName(QStringLiteral("dlg_288"));
    setWindowTitle(QStringLiteral("　データ設定"));
    range_->setReadOnly(true);
    AddLengthUnits(unit_);

    auto* group = new QGroupBox(QStringLiteral("座標範囲"));
    (new QVBoxLayout(group))->addWidget(range_);

    auto* unitRow = new QHBoxLayout;
    unitRow->addStretch();
    unitRow->addWidget(new QLabel(QStringLiteral("単位")));
    unitRow->addWidget(unit_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(unitRow);
    layout->addLayout(OkCancelRow(this, [this] { OnBnClickedOk(); }));
    ResizeInDialogUnits(this, 143, 128);
}

void CKxDlgDataArray::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) OnShowWindow();
    DialogBase::showEvent(event);
}

void CKxDlgDataArray::OnShowWindow()
{
    if (dataObject == nullptr) return;
    SelectLengthUnit(unit_, QString::fromStdWString(dataObject->coordinateScale.unit));
    // The edit control breaks lines at "\n"; a left-over "\r" would show.
    range_->setPlainText(CoordinateRangeText(*dataObject).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void CKxDlgDataArray::OnBnClickedOk()
{
    // With no entry selected the unit stays as it was rather than becoming empty.
    if (dataObject != nullptr && unit_->currentIndex() >= 0)
        dataObject->coordinateScale.unit = unit_->currentText().toStdWString();
    accept();
}

} // namespace velmor
