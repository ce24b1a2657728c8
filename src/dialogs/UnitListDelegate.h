#pragma once
// The cells of the unit panel's list: on the chosen row only the name, type
// and rendering-type cells show the selection; the check box keeps the
// window's colours and the colour cell the unit's colour, with no focus
// frame over either.
#include <QStyledItemDelegate>

namespace velmor {

class UnitListDelegate final : public QStyledItemDelegate {
public:
    // The columns painted as if their row were not selected.
    UnitListDelegate(int checkColumn, int colourColumn, QObject* parent);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int checkColumn_;
    int colourColumn_;
};

} // namespace velmor
