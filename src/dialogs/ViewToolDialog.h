#pragma once
// The common behaviour of the view's floating tool windows: they are only
// shown and hidden, and the GL picture under them is redrawn after a move,
// a close or Escape.
#include "dialogs/DialogBase.h"
#include "render/ViewServices.h"

namespace velmor {

class ViewToolDialog : public DialogBase {
public:
    explicit ViewToolDialog(QWidget* parent = nullptr);

    // The view's services; none until the view creates the window.
    ViewServices* services = nullptr;
    ViewServices& Services() const { return ServicesOrNone(services); }

protected:
    void OnEscape() override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};

} // namespace velmor
