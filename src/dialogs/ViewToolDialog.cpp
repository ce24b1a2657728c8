#include "dialogs/ViewToolDialog.h"

#include <QCloseEvent>

namespace velmor {

ViewToolDialog::ViewToolDialog(QWidget* parent) : DialogBase(parent, Qt::Tool) {}

void ViewToolDialog::OnEscape()
{
    hide();
    Services().RedrawIfIdle();
}

void ViewToolDialog::moveEvent(QMoveEvent* event)
{
    DialogBase::moveEvent(event);
    Services().RedrawIfIdle();
}

void ViewToolDialog::closeEvent(QCloseEvent* event)
{
    // The window lives as long as the view; closing only hides it.
    event->ignore();
    hide();
    Services().RedrawIfIdle();
}

} // namespace velmor
