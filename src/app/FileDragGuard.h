#pragma once
// Files are taken by the main window alone, which answers its own drags
// (see CMainFrame). A drag carrying files or links that reaches a widget of
// any other window (the unit panel, a tool window, a dialog) is refused
// there: a text field would otherwise make the file's address its text.
// Dragged text still drops into text fields as text.
#include <QObject>

namespace velmor {

class FileDragGuard final : public QObject {
public:
    // Watches the drags of every widget of the program while it lives.
    explicit FileDragGuard(QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace velmor
