#pragma once
// The scene's head information (title, credit, date and description items)
// as read-only rich text with italic ranges. Created once, hidden, beside
// the view; its close box only hides it.
#include "dialogs/DialogBase.h"

#include "render/ViewServices.h"

class QTextEdit;

namespace velmor {

struct SceneHead;

class CKxDlgFileInfo final : public DialogBase {
public:
    enum Control { kText = 1032 };

    CKxDlgFileInfo();

    // Keeps the view and the head it shows, then makes the hidden window
    // with the view as its parent.
    virtual void Create(QWidget* view, SceneHead* head);
    // False empties and disables the text; true builds it from the head.
    void BuildFileInfoText(bool shown);

    // The view's services, for the redraw after a move or close.
    ViewServices* services = nullptr;

protected:
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void RedrawIfIdle();

    QWidget* view_ = nullptr;
    SceneHead* head_ = nullptr;
    QTextEdit* text_;
};

// The head as one text: per item its type on a line, then four spaces and
// its value; a blank line after the title, credit and date lists when they
// have items. Fills each item's italic ranges (start, length pairs counted
// from the start of the text) from its "italic" list.
QString MakeFileInfoText(SceneHead& head);

} // namespace velmor
