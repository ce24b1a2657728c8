#pragma once
// Small helpers the dialogs share when they build their controls in code.
#include "dialogs/DialogBase.h"

#include <QString>
#include <functional>

class QComboBox;
class QDialog;
class QHBoxLayout;
class QLineEdit;
class QWidget;

namespace velmor {

// Gives `widget` the object name of control `id` and returns it.
template <typename Widget>
Widget* Numbered(Widget* widget, int id)
{
    widget->setObjectName(ControlName(id));
    return widget;
}

// Gives a dialog the size of its template, given in dialog units of its
// font (a quarter of the average character width, an eighth of the height).
void ResizeInDialogUnits(QWidget* dialog, int width, int height);

// Keeps an edit wide enough to show `widest` whole, so that a layout cannot
// squeeze it into showing only the end of its text.
void WideEnoughFor(QLineEdit* edit, const QString& widest);

// The right-aligned "OK" and "キャンセル" buttons of a modal dialog:
// OK runs `onOk`, Cancel rejects the dialog.
QHBoxLayout* OkCancelRow(QDialog* dialog, std::function<void()> onOk);

// The length units the data-preference lists offer, in list order.
void AddLengthUnits(QComboBox* list);

// Selects the list entry for a length unit: "m" by its index, since a
// search by text would find "mm" first; any other text selects the first
// entry that begins with it, ignoring case, or none.
void SelectLengthUnit(QComboBox* list, const QString& unit);

} // namespace velmor
