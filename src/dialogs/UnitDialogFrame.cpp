#include "dialogs/UnitDialogFrame.h"

#include "app/CVelmorView.h"

#include <QCloseEvent>
#include <QKeyEvent>

namespace velmor {

UnitDialogFrame::UnitDialogFrame(QWidget* parent) : DialogBase(parent, Qt::Tool)
{
    setModal(false);
}

void UnitDialogFrame::AttachView(CVelmorView* owner)
{
    view = owner;
    if (owner != nullptr) setParent(owner, windowFlags());
}

void UnitDialogFrame::RenderNow()
{
    if (seams.renderNow) seams.renderNow();
}

void UnitDialogFrame::HideUnitDialog()
{
    hide();
    if (seams.setViewMode) seams.setViewMode(1);
    else if (view != nullptr) view->viewMode = ViewMode::kNormal;
}

void UnitDialogFrame::OnEscape()
{
    if (nestedDialog != 0) {
        nestedDialog = 0;
        return;
    }
    HideUnitDialog();
}

bool UnitDialogFrame::TakeEscapeRelease(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Escape || event->isAutoRepeat() || nestedDialog == 0) return false;
    nestedDialog = 0;
    event->accept();
    return true;
}

bool UnitDialogFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyRelease && TakeEscapeRelease(static_cast<QKeyEvent*>(event))) return true;
    return DialogBase::eventFilter(watched, event);
}

void UnitDialogFrame::keyReleaseEvent(QKeyEvent* event)
{
    if (!TakeEscapeRelease(event)) DialogBase::keyReleaseEvent(event);
}

void UnitDialogFrame::closeEvent(QCloseEvent* event)
{
    event->ignore();
    HideUnitDialog();
}

void UnitDialogFrame::moveEvent(QMoveEvent* event)
{
    DialogBase::moveEvent(event);
    // The dialog floats over the GL picture, which does not repaint itself.
    if (isVisible()) RenderNow();
}

} // namespace velmor
