#pragma once
// The program's main window: the menu, the view, dropped files.
#include "app/SceneChangeHold.h"

#include <QList>
#include <QMainWindow>
#include <QUrl>
#include <optional>
#include <string>
#include <vector>

class QMenu;

namespace velmor {

class CVelmorApp;
class CVelmorView;
class ViewBar;

class CMainFrame final : public QMainWindow {
public:
    // Menu command numbers, also the object names of their actions ("cmd_N").
    enum Command {
        kFileNew = 57600,
        kFileOpen = 57601,
        kFirstRecentFile = 57616,
        kAppAbout = 57664,
        kAppExit = 57665,
        kApplicationSettings = 32820,
        kFileInfo = 32814,
        kRenderDialog = 32818,
        kShowFrameArrow = 32828,
        kFixClipDuringRotation = 32832,
        kConnectViewSpace = 32830,
        kScaleBarDialog = 32826,
        kRotateDialog = 32834,
        kManual = 32842,
        kTutorial = 32844,
        kWebSite = 32840,
    };

    explicit CMainFrame(QWidget* parent = nullptr);
    CVelmorView* View() const { return view_; }
    ViewBar* Bar() const { return bar_; }

    // Commands that belong to the application go to it once it is set.
    void SetApplication(CVelmorApp* app) { app_ = app; }
    void SetRecentFiles(const std::vector<std::wstring>& paths);
    // Restores a minimised window and brings it to the front.
    void BringToFront();
    // Files dropped on the window: the first local one is put in line and
    // opens once the drop has ended and nothing holds the scene. True when
    // one was taken; a drag without a local file, or offering it only to be
    // moved, is refused from the start. Text fields of other windows never
    // take files (FileDragGuard).
    bool OnDropFiles(const QList<QUrl>& urls);

protected:
    bool event(QEvent* event) override;
    // Drags over the window are answered at the window itself (see the .cpp).
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The program ends with its main window, whatever tool windows are still up.
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenu();
    void BuildSettingsMenu();
    // Check marks and enabling of the settings switches, before it opens.
    void UpdateSettingsMenu();
    // After a menu closed, the view has the keys again.
    void ReturnKeysToView();

    CVelmorView* view_ = nullptr;
    ViewBar* bar_ = nullptr;
    CVelmorApp* app_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QAction* frameArrow_ = nullptr;
    QAction* fixClip_ = nullptr;
    QAction* connectSpaces_ = nullptr;
    QAction* recentSeparator_ = nullptr;
    std::vector<QAction*> recentActions_;
    // Taken while a modal window blocks this one: whoever opened it waits
    // in its nested loop and may still hold the scene's units.
    std::optional<SceneChangeHold> blocked_;
    // The file the last answer to a drag over the window said would be taken.
    QUrl promised_;
};

} // namespace velmor
