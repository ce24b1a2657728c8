#pragma once
// The program's main window: the menu and the view.
#include <QMainWindow>

namespace velmor {

class CVelmorView;

class CMainFrame final : public QMainWindow {
public:
    // Menu command numbers, also the object names of their actions ("cmd_N").
    enum Command { kAppExit = 57665, kApplicationSettings = 32820 };

    explicit CMainFrame(QWidget* parent = nullptr);
    CVelmorView* View() const { return view_; }

private:
    void BuildMenu();

    CVelmorView* view_;
};

} // namespace velmor
