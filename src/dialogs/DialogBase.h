#pragma once
// The key policies every dialog of the program shares: Enter never ends a
// dialog unless it says so (it is swallowed before any control sees it, so a
// focused button or edit does not act on it either), and Escape goes to one
// overridable handler. A dialog opens at least as wide as the window
// manager's caption needs to show its whole title.
#include <QDialog>

class QKeyEvent;
class QMessageBox;

namespace velmor {

// The object name of the control numbered `id`, so that controls can be
// found by the number they carry.
QString ControlName(int id);

// The width a window needs for the window manager's caption to show `title`
// whole beside the caption's icon and buttons.
int CaptionWidth(const QString& title);
// A message box sizes itself by its text and buttons alone: this keeps it
// at least as wide as its caption needs.
void WidenBoxForTitle(QMessageBox& box);

// The numbers that every modal dialog gives its OK and Cancel buttons.
namespace StandardControl {
enum Id { kOk = 1, kCancel = 2 };
}

class DialogBase : public QDialog {
public:
    explicit DialogBase(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

protected:
    // Escape: closes the dialog as cancelled unless a dialog says otherwise.
    virtual void OnEscape();
    // Enter: nothing, unless a dialog says otherwise.
    virtual void OnEnter() {}

    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool HandleDialogKey(QKeyEvent* event);
    void WidenForTitle();
};

} // namespace velmor
