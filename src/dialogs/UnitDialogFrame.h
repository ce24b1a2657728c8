#pragma once
// The frame that the surface, mesh and volume dialogs share: modeless over
// the view, hidden (never destroyed) on close and Escape, the view redrawn
// when the dialog moves, and the nested-dialog flag that keeps the Escape
// which closed a nested dialog from also hiding this one.
#include "dialogs/DialogBase.h"
#include "dialogs/UnitDialogSeams.h"

#include <cstdint>

namespace velmor {

class CVelmorView;

class UnitDialogFrame : public DialogBase {
public:
    explicit UnitDialogFrame(QWidget* parent = nullptr);

    // Hides the dialog and returns the view to ViewMode 1.
    virtual void HideUnitDialog();

    UnitDialogSeams seams;
    CVelmorView* view = nullptr;
    uint8_t nestedDialog = 0;
    uint8_t refreshReady = 0;

protected:
    // Stores the view; parent and window kind are the view's.
    void AttachView(CVelmorView* owner);
    void RenderNow();
    void OnEscape() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    // Marks a nested modal dialog as open; the flag is consumed by the next
    // Escape that reaches this dialog unless the handler clears it.
    void BeginNestedDialog() { nestedDialog = 1; }

private:
    // The key-up of the Escape that closed a nested dialog arrives here.
    bool TakeEscapeRelease(QKeyEvent* event);
};

} // namespace velmor
