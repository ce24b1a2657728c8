#include "dialogs/UnitDialogFrame.h"

#include "dialogs/DialogControls.h"
#include "units/CKxDrawUnit.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>

namespace velmor {

UnitDialogFrame::UnitDialogFrame() = default;

void UnitDialogFrame::Create(QWidget* parent, ViewServices& services)
{
    services_ = &services;
    setParent(parent, windowFlags() | Qt::Dialog);
    setModal(false);
    BuildControls();
    AddCloseButtons();
    hide();
}

void UnitDialogFrame::AddCloseButtons()
{
    QHBoxLayout* row = OkCancelRow(this, [this] { AcceptUnitDialog(); });
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addLayout(row, grid->rowCount(), 0, 1, grid->columnCount());
    else if (auto* box = qobject_cast<QBoxLayout*>(layout()))
        box->addLayout(row);
}

void UnitDialogFrame::BindUnit(CKxDrawUnit* unit)
{
    if (unit != unit_ || !isVisible()) record_ = unit != nullptr ? UnitRecord(*unit) : UnitRecord();
    unit_ = unit;
}

void UnitDialogFrame::AcceptUnitDialog()
{
    record_ = UnitRecord();
    HideUnitDialog();
}

void UnitDialogFrame::CancelUnitDialog()
{
    if (isVisible() && unit_ != nullptr && !record_.Unchanged()) {
        record_.Restore();
        ShowRestoredUnit();
    }
    record_ = UnitRecord();
    HideUnitDialog();
}

void UnitDialogFrame::HideUnitDialog()
{
    hide();
    SetViewMode(ViewMode::kNormal);
}

void UnitDialogFrame::ForgetUnit()
{
    record_ = UnitRecord();
    if (isVisible()) HideUnitDialog();
    unit_ = nullptr;
}

void UnitDialogFrame::BindAndShow(CKxDrawUnit* unit)
{
    BindUnit(unit);
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
    CancelUnitDialog();
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
    CancelUnitDialog();
}

} // namespace velmor
