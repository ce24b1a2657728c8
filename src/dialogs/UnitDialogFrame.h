#pragma once
// What every unit property dialog shares, whatever its controls:
// - it floats over the view, is created hidden once and only ever hidden
//   again, never destroyed while the view lives (closing it hides it);
// - it edits one unit at a time and writes every edit straight into that
//   unit, so that the picture shows it at once;
// - OK keeps the edits; Cancel, Escape (pressed or released) and the close
//   box put the unit back as it was when the dialog opened; each hides the
//   dialog and returns the view to normal mode, except the one Escape that
//   follows a nested modal dialog the user cancelled (see
//   SetNestedDialogFlag). Enter is swallowed;
// - moving it redraws the view, because it floats over the picture.
//
// The view is reached only through its ViewServices; before Create hands
// them over every call goes to NoViewServices, so the dialogs work before
// the renderer exists and tests can record every call.
#include "dialogs/DialogBase.h"
#include "render/ViewServices.h"
#include "units/UnitRecord.h"

class QWidget;

namespace velmor {

class CKxDrawUnit;

class UnitDialogFrame : public DialogBase {
public:
    UnitDialogFrame();

    // Called once by the view right after construction: keeps the view's
    // services, builds the controls and leaves the dialog hidden over `parent`.
    void Create(QWidget* parent, ViewServices& services);

    // Hides the dialog and sets the view back to normal mode. Dialogs that
    // keep more state while shown extend it and call this one.
    virtual void HideUnitDialog();
    // OK: the edits stay. Cancel: the unit gets back what it held when the
    // dialog opened and is shown so again; then the dialog hides.
    void AcceptUnitDialog();
    void CancelUnitDialog();

    // The scene's units are about to be destroyed: a shown dialog hides,
    // and the dialog lets go of its unit so that no later edit reaches it.
    void ForgetUnit();

    // The unit being edited, null before the first SetUnit or after
    // ForgetUnit.
    CKxDrawUnit* EditedUnit() const { return unit_; }

    // Set before a nested modal dialog opens and cleared by the handler when
    // that dialog is accepted. While set, the next Escape only clears it: the
    // release of the Escape that cancelled the nested dialog reaches this one.
    void SetNestedDialogFlag(bool set) { nestedDialog_ = set; }
    bool NestedDialogFlag() const { return nestedDialog_; }

    ViewServices& Services() const { return ServicesOrNone(services_); }

protected:
    // Builds the dialog's controls; called once by Create.
    virtual void BuildControls() = 0;

    // Binds the dialog to `unit` (not owned), which its controls then show.
    // A unit newly opened is recorded for Cancel; the unit the dialog shows
    // already keeps the record taken when it opened.
    void BindUnit(CKxDrawUnit* unit);
    // Shows the unit that Cancel has just put back: by default reloaded, as
    // the rebuilding edits do.
    virtual void ShowRestoredUnit() { ApplyRebuildingUnit(); }
    // Binds and shows; the derived dialogs fill their controls first.
    void BindAndShow(CKxDrawUnit* unit);

    void RenderNow() const { Services().RenderNow(); }
    void SetViewMode(ViewMode mode) const { Services().SetViewMode(mode); }
    bool HasCurrentPane() const { return Services().HasCurrentPane(); }
    void RefreshCurrentPane() const { Services().RefreshCurrentPane(); }

    // The two ways a dialog applies an edit: both refresh the current pane
    // and redraw; the rebuilding one first releases and reloads the unit.
    // Without a unit or a current pane nothing happens.
    void ApplyRebuildingUnit();
    void ApplyRedrawingOnly();

    void OnEscape() override;
    void reject() override { CancelUnitDialog(); }
    void keyReleaseEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    ViewServices* services_ = nullptr;
    void AddCloseButtons();

    CKxDrawUnit* unit_ = nullptr;
    UnitRecord record_;
    bool nestedDialog_ = false;
};

} // namespace velmor
