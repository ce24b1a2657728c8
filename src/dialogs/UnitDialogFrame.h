#pragma once
// What every unit property dialog shares, whatever its controls:
// - it floats over the view, is created hidden once and only ever hidden
//   again, never destroyed while the view lives (closing it hides it);
// - it edits one unit at a time and writes every edit straight into that
//   unit (there is no OK, Cancel or undo);
// - Enter is swallowed; Escape, pressed or released, wherever the keyboard
//   is in the dialog (a choice's open list too), hides the dialog and
//   returns the view to normal mode, except the one Escape that follows a
//   nested modal dialog the user cancelled (see SetNestedDialogFlag);
// - moving it redraws the view, because it floats over the picture.
//
// The view is reached only through its ViewServices; before Create hands
// them over every call goes to NoViewServices, so the dialogs work before
// the renderer exists and tests can record every call.
#include "dialogs/DialogBase.h"
#include "render/ViewServices.h"

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

    // Held by a handler for as long as it runs a nested modal dialog: sets
    // the flag, which Accepted clears. However the handler ends, the keyboard
    // comes back to this dialog while it shows: the window system hands it
    // to the nested dialog's owner (the main window) or to none, and Escape
    // would no longer reach this one.
    class NestedDialog {
    public:
        explicit NestedDialog(UnitDialogFrame& frame);
        ~NestedDialog();
        NestedDialog(const NestedDialog&) = delete;
        NestedDialog& operator=(const NestedDialog&) = delete;
        void Accepted() { frame_.SetNestedDialogFlag(false); }

    private:
        UnitDialogFrame& frame_;
    };

    // Binds the dialog to `unit` (not owned), which its controls then show.
    void BindUnit(CKxDrawUnit* unit) { unit_ = unit; }
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
    void keyReleaseEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    ViewServices* services_ = nullptr;
    CKxDrawUnit* unit_ = nullptr;
    bool nestedDialog_ = false;
};

} // namespace velmor
