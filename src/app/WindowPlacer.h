#pragma once
// Puts the program's windows where WindowPlacement says: the main window and
// the unit panel at the start (and once more when a window manager has
// framed them, as it does only after they are shown), and every dialog,
// message box and the progress window each time it is shown, unless it
// already stands whole on the screen clear of the others; a unit's dialog
// also spares the picture's active space, whose unit it edits.
#include "render/WindowPlacement.h"

#include <QObject>

#include <functional>

class QWidget;

namespace velmor {

class CMainFrame;

class WindowPlacer final : public QObject {
public:
    // `panel` answers the unit panel once it exists (null before).
    WindowPlacer(CMainFrame& main, std::function<QWidget*()> panel);
    ~WindowPlacer() override;

    void PlaceMainWindows();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool IsDialogWindow(const QObject* object) const;
    void PlaceDialogWindow(QWidget* dialog);
    // The main window's caption and menu and the bar's controls, on the screen.
    std::vector<WindowRect> MainWindowControls() const;
    // The main window and the panel were placed without frames, and the
    // window manager has framed both since.
    bool FramedSincePlaced() const;

    CMainFrame& main_;
    std::function<QWidget*()> panel_;
    bool placedUnframed_ = false;
    bool replacing_ = false;
};

} // namespace velmor
