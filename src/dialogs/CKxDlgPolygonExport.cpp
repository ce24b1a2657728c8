#include "dialogs/CKxDlgPolygonExport.h"

#include "dialogs/DialogControls.h"
#include "export/ExportJob.h"
#include "platform/MessageSink.h"
#include "platform/NumberParse.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

namespace velmor {

CKxDlgPolygonExport::CKxDlgPolygonExport(QWidget* parent)
    : DialogBase(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      format_(Numbered(new QComboBox, kFormat)),
      magnification_(Numbered(new QLineEdit, kMagnification))
{
    setObjectName(QStringLiteral("dlg_234"));
    setWindowTitle(QStringLiteral("  ポリゴン出力設定"));
    setWindowModality(Qt::ApplicationModal);
    format_->addItems({QStringLiteral("STL"), QStringLiteral("OBJ")});
    auto* ok = Numbered(new QPushButton(QStringLiteral("OK")), kOk);

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("出力形式")), 0, 0);
    layout->addWidget(format_, 0, 1);
    layout->addWidget(new QLabel(QStringLiteral("倍率")), 1, 0);
    layout->addWidget(magnification_, 1, 1);
    layout->addWidget(ok, 2, 1, Qt::AlignRight);
    ResizeInDialogUnits(this, 123, 77);

    connect(ok, &QPushButton::clicked, this, [this] { OnBnClickedOk(); });
}

void CKxDlgPolygonExport::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) OnShowWindow();
    DialogBase::showEvent(event);
}

void CKxDlgPolygonExport::OnShowWindow()
{
    format_->setCurrentIndex(0);
    magnification_->setText(QStringLiteral("1"));
}

void CKxDlgPolygonExport::OnBnClickedOk()
{
    // Zero, negative or overflowing factors would write a flat, mirrored or
    // infinite solid: the user corrects the number, the job stays untouched.
    const std::optional<float> magnification = ParsePositiveFloat(magnification_->text().toStdWString());
    if (!magnification) {
        ShowMessage(L"invalid value.");
        magnification_->setFocus();
        return;
    }
    if (exportJob_ != nullptr) {
        exportJob_->format = format_->currentText().toStdWString();
        exportJob_->magnification = *magnification;
    }
    accept();
}

} // namespace velmor
