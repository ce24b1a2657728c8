#include "dialogs/UnitDialogFrame.h"

#include "units/CKxDrawUnit.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>

namespace velmor {

UnitDialogFrame::UnitDialogFrame() = default;

void UnitDialogFrame::Create(QWidget* parent, ViewServices& services)
{
    services_ = &services;
    setParent(parent, windowFlags() | Qt::Dialog);
    setModal(false);
    BuildControls();
    // A choice's list is made when it first opens, after the key filter went
    // on the controls; made now, it has the filter too, so that Escape in an
    // open list is an Escape of the dialog, as anywhere else in it.
    for (QComboBox* choice : findChildren<QComboBox*>()) choice->view();
    hide();
}

UnitDialogFrame::NestedDialog::NestedDialog(UnitDialogFrame& frame) : frame_(frame)
{
    frame_.SetNestedDialogFlag(true);
}

UnitDialogFrame::NestedDialog::~NestedDialog()
{
    if (!frame_.isVisible()) return;
    frame_.raise();
    frame_.activateWindow();
}

void UnitDialogFrame::HideUnitDialog()
{
    hide();
    SetViewMode(ViewMode::kNormal);
}

void UnitDialogFrame::ForgetUnit()
{
    if (isVisible()) HideUnitDialog();
    unit_ = nullptr;
}

void UnitDialogFrame::BindAndShow(CKxDrawUnit* unit)
{
    unit_ = unit;
    show();
}

void UnitDialogFrame::ApplyRebuildingUnit()
{
    // A reload without a pane to show it in would build GL state for no
    // scene; the edit itself is already in the unit.
    if (unit_ == nullptr || !HasCurrentPane()) return;
    Services().WithGLContext([this] {
        unit_->Release();
        unit_->ForgetReportedFailures();
        unit_->Load();
    });
    RefreshCurrentPane();
    RenderNow();
}

void UnitDialogFrame::ApplyRedrawingOnly()
{
    if (unit_ == nullptr || !HasCurrentPane()) return;
    RefreshCurrentPane();
    RenderNow();
}

void UnitDialogFrame::OnEscape()
{
    if (nestedDialog_) {
        nestedDialog_ = false;
        return;
    }
    HideUnitDialog();
}

void UnitDialogFrame::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && !event->isAutoRepeat()) {
        event->accept();
        OnEscape();
        return;
    }
    DialogBase::keyReleaseEvent(event);
}

bool UnitDialogFrame::eventFilter(QObject* watched, QEvent* event)
{
    // The release of Escape counts as an Escape of its own, as the press
    // does; taken here so that it does not reach the dialog a second time.
    if (event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && !key->isAutoRepeat()) {
            key->accept();
            OnEscape();
            return true;
        }
    }
    return DialogBase::eventFilter(watched, event);
}

void UnitDialogFrame::moveEvent(QMoveEvent* event)
{
    DialogBase::moveEvent(event);
    RenderNow();
}

void UnitDialogFrame::closeEvent(QCloseEvent* event)
{
    event->ignore();
    HideUnitDialog();
}

} // namespace velmor
