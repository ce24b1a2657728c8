#include "dialogs/UnitListDelegate.h"

namespace velmor {

UnitListDelegate::UnitListDelegate(int checkColumn, int colourColumn, QObject* parent)
    : QStyledItemDelegate(parent), checkColumn_(checkColumn), colourColumn_(colourColumn)
{
}

void UnitListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem plain(option);
    if (index.column() == checkColumn_ || index.column() == colourColumn_) plain.state &= ~QStyle::State_Selected;
    QStyledItemDelegate::paint(painter, plain, index);
}

} // namespace velmor
