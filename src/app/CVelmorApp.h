#pragma once
// The application: start-up, the one running copy, and the ways a scene
// file arrives (command line, open dialog, recent files, drops, later starts).
#include "app/RecentFileList.h"
#include "app/SingleInstance.h"
#include "scene/CVelmorDoc.h"

#include <QStringList>
#include <QTranslator>
#include <deque>
#include <memory>
#include <string>

namespace velmor {

class CKxDlgProgress;
class CMainFrame;
class QtJobHost;
class QtMessageSink;
class WindowPlacer;

class CVelmorApp {
public:
    CVelmorApp();
    ~CVelmorApp();

    // False when the program should end at once (another copy took the path).
    bool InitInstance(const QStringList& arguments, const QString& instanceFolder = QString());

    // The command-line file: the first argument that is not an option.
    static std::wstring FileFromCommandLine(const QStringList& arguments);

    void OnFileOpen();
    void OnFileNew();
    void OnAppAbout();
    // Opens a scene; only files that opened go into the recent-file list.
    void OpenDocumentFile(const std::wstring& path);
    // A path from a later start (empty: only come to the front).
    void OnHandOff(const std::wstring& path);
    // A file dropped on the window; true when it was taken. It waits in line
    // even when nothing holds the scene: the drop ends before the open runs
    // its nested loops, so that the next drag meets a window done with this one.
    bool OnDroppedFile(const std::wstring& path);
    // While something holds the scene (a job, an open, a modal dialog or
    // message box, a unit being edited), arriving files wait: the scene they
    // would replace is still in use.
    bool Busy() const;

    CMainFrame* Frame() const { return frame_.get(); }
    CVelmorDoc& Document() { return document_; }
    QtJobHost* JobHost() const { return jobHost_.get(); }
    const RecentFileList& RecentFiles() const { return recent_; }

    std::wstring fileToOpen;
    std::wstring productName = L"Velmor";
    std::wstring productVersion;
    std::wstring legalNotice;

private:
    void ReadVersionInfo();
    // Qt's own dialogs (files, folders, colours, message-box buttons) speak
    // the program's Japanese.
    void LoadQtTranslations();
    // "<file> - Velmor" while a scene file is shown, else the product name.
    void UpdateTitle(const std::wstring& scenePath);
    // Opens `path` now, or when the scene is free and the files that came
    // before it have opened.
    void OpenInTurn(const std::wstring& path);
    // Opens the files that arrived while busy, one at a time and in order.
    void OpenWaitingFile();
    void ScheduleWaitingFiles();

    QTranslator qtTranslations_;
    CVelmorDoc document_;
    RecentFileList recent_;
    std::unique_ptr<SingleInstance> instance_;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<CKxDlgProgress> progress_;
    std::unique_ptr<QtJobHost> jobHost_;
    std::unique_ptr<QtMessageSink> messageSink_;
    std::unique_ptr<WindowPlacer> placer_;
    std::deque<std::wstring> waitingFiles_;
};

} // namespace velmor
