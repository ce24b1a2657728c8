#include "dialogs/UnitListDelegate.h"

namespace velmor {

UnitListDelegate::UnitListDelegate(int checkColumn, int colourColumn, QObject* parent)
    : QStyledItemDelegate(parent), checkColumn_(checkColumn), colourColumn_(colourColumn)
{
}

void UnitListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem plain(option);
    // A style tints the current cell with its focus frame, which would blend
    // into the unit's colour.
    if (index.column() == checkColumn_ || index.column() == colourColumn_)
        plain.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus | QStyle::State_MouseOver);
    QStyledItemDelegate::paint(painter, plain, index);
}

} // namespace velmor
