#include "dialogs/ViewToolDialog.h"

#include <QCloseEvent>

namespace velmor {

ViewToolDialog::ViewToolDialog(QWidget* parent) : DialogBase(parent, Qt::Tool) {}

void ViewToolDialog::OnEscape()
{
    hide();
    CallIfSet(view.redrawIfIdle);
}

void ViewToolDialog::moveEvent(QMoveEvent* event)
{
    DialogBase::moveEvent(event);
    CallIfSet(view.redrawIfIdle);
}

void ViewToolDialog::closeEvent(QCloseEvent* event)
{
    // The window lives as long as the view; closing only hides it.
    event->ignore();
    hide();
    CallIfSet(view.redrawIfIdle);
}

} // namespace velmor
