#include "dialogs/DialogControls.h"

#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

namespace velmor {

void ResizeInDialogUnits(QWidget* dialog, int width, int height)
{
    const QFontMetrics metrics(dialog->font());
    static const QString kAlphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const double averageWidth = metrics.horizontalAdvance(kAlphabet) / 52.0;
    dialog->resize(static_cast<int>(width * averageWidth / 4 + 0.5), static_cast<int>(height * metrics.height() / 8.0 + 0.5));
}

void WideEnoughFor(QLineEdit* edit, const QString& widest)
{
    // An edit keeps a little room on either side of its text and one pixel
    // for the cursor; a few pixels spare cover styles that keep more.
    constexpr int kTextRoom = 2 * 2 + 1 + 4;
    const QMargins margins = edit->textMargins();
    const int frame = edit->hasFrame() ? 2 * edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit) : 0;
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(widest) + kTextRoom + margins.left() + margins.right() + frame);
}

QHBoxLayout* OkCancelRow(QDialog* dialog, std::function<void()> onOk)
{
    auto* ok = Numbered(new QPushButton(QStringLiteral("OK")), StandardControl::kOk);
    auto* cancel = Numbered(new QPushButton(QStringLiteral("キャンセル")), StandardControl::kCancel);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    QObject::connect(ok, &QPushButton::clicked, dialog, std::move(onOk));
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return row;
}

void AddLengthUnits(QComboBox* list)
{
    list->addItems({QStringLiteral("um"), QStringLiteral("mm"), QStringLiteral("cm"), QStringLiteral("m")});
}

void SelectLengthUnit(QComboBox* list, const QString& unit)
{
    if (unit == QStringLiteral("m")) {
        list->setCurrentIndex(3);
        return;
    }
    for (int i = 0; i < list->count(); ++i) {
        if (list->itemText(i).startsWith(unit, Qt::CaseInsensitive)) {
            list->setCurrentIndex(i);
            return;
        }
    }
    list->setCurrentIndex(-1);
}

} // namespace velmor
