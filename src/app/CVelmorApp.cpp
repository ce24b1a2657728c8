#include "app/CVelmorApp.h"

#include "app/CAboutDlg.h"
#include "app/CKxDlgApplication.h"
#include "app/CKxDlgProgress.h"
#include "app/CMainFrame.h"
#include "app/CVelmorView.h"
#include "app/Profile.h"
#include "app/QtFolderChooser.h"
#include "app/QtJobHost.h"
#include "app/QtMessageSink.h"
#include "app/QtPaths.h"
#include "app/SceneChangeHold.h"
#include "app/WindowPlacer.h"
#include "dialogs/QtExportDialogs.h"
#include "dialogs/UnitExportAccess.h"
#include "platform/WideText.h"
#include "scene/PathParts.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLibraryInfo>
#include <cstdio>
#include <filesystem>

#ifndef VELMOR_VERSION
#define VELMOR_VERSION ""
#endif

namespace velmor {

namespace {

// Qt's own texts in Japanese, as Debian installs them beside Qt.
constexpr const char* kQtCatalogue = "qtbase_ja";

} // namespace

CVelmorApp::CVelmorApp() = default;

// The frame and the dialogs go before the job host and the message sink
// they use. The document outlives the frame, so it must forget the view
// first: clearing its scene at the end would otherwise call the dead view.
CVelmorApp::~CVelmorApp()
{
    // Nothing opens any more, whatever hold ends on the way out (a copy
    // that handed its file over never set the hook).
    if (frame_) SceneChangeHold::SetReleasedHook(nullptr);
    // The scene's units free their GL names in the view's context.
    if (frame_) document_.ResetScene();
    document_.AttachView(nullptr);
    document_.View = nullptr;
    placer_.reset();
    messageSink_.reset();
    jobHost_.reset();
    progress_.reset();
    frame_.reset();
}

std::wstring CVelmorApp::FileFromCommandLine(const QStringList& arguments)
{
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (!a.isEmpty() && !a.startsWith(QLatin1Char('-'))) return WidePathFromQt(a);
    }
    return {};
}

bool CVelmorApp::InitInstance(const QStringList& arguments, const QString& instanceFolder)
{
    fileToOpen = FileFromCommandLine(arguments);
    // A relative path must still mean the same file to the copy that opens it.
    if (!fileToOpen.empty()) {
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(PathFromWide(fileToOpen), ec);
        if (!ec) fileToOpen = WideFromPathBytes(absolute.native());
    }

    instance_ = std::make_unique<SingleInstance>(instanceFolder);
    if (!instance_->BecomeFirst()) {
        if (instance_->HandToRunning(fileToOpen)) return false;
        // The lock is held but nobody takes the file (the copy is stopped or
        // hung): a window of our own, even for a start without a file, rather
        // than none at all. The lock stays with its holder.
        std::fprintf(stderr, "Velmor: the running copy does not answer; %s\n",
                     fileToOpen.empty() ? "this copy runs on its own"
                                        : ("this copy opens " + PathBytesFromWide(fileToOpen) + " itself").c_str());
    }
    instance_->SetReceiver([this](const std::wstring& path) { OnHandOff(path); });
    // The manual and the tutorial lie beside the program.
    SetProgramFolder((QCoreApplication::applicationDirPath() + QLatin1Char('/')).toStdWString());

    LoadQtTranslations();
    const auto profile = OpenProfile();
    if (profile) recent_.Load(*profile);
    frame_ = std::make_unique<CMainFrame>();
    frame_->SetApplication(this);
    progress_ = std::make_unique<CKxDlgProgress>(frame_.get());
    jobHost_ = std::make_unique<QtJobHost>(progress_.get());
    // After a job, the view's frame or event run goes on in its own context.
    jobHost_->SetJobHooks(nullptr, [this] { frame_->View()->RebindAfterJob(); });
    // Files that arrived while the scene was held open once nothing holds it.
    SceneChangeHold::SetReleasedHook([this] { ScheduleWaitingFiles(); });
    messageSink_ = std::make_unique<QtMessageSink>();
    placer_ = std::make_unique<WindowPlacer>(*frame_, [this]() -> QWidget* { return frame_->View()->Dialogs().unitPanel; });
    InstallQtFolderChooser(frame_.get());
    InstallQtExportDialogs(frame_.get());
    InstallUnitExportAccess();

    document_.AttachView(frame_->View());
    document_.OnNewDocument();
    frame_->View()->OnInitialUpdate(&document_);
    frame_->SetRecentFiles(recent_.Entries());
    UpdateTitle(L"");
    frame_->show();
    // Keys go to the view (Tab, F2 to F11).
    frame_->View()->setFocus();
    placer_->PlaceMainWindows();
    if (!profile) ReportUnusableProfile();
    ReadVersionInfo();
    if (!fileToOpen.empty()) OpenDocumentFile(fileToOpen);
    return true;
}

void CVelmorApp::LoadQtTranslations()
{
    // Without the catalogue Qt's dialogs stay in English; the program works all the same.
    if (qtTranslations_.load(QLatin1String(kQtCatalogue), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTranslations_);
}

void CVelmorApp::ReadVersionInfo()
{
    productName = L"Velmor";
    productVersion = Utf8ToWide(VELMOR_VERSION);
    legalNotice = L"Copyright (C) 2026 Quillmarsh";
}

void CVelmorApp::OnFileOpen()
{
    const QString path = QFileDialog::getOpenFileName(frame_.get(), QString(), QString::fromStdWString(SceneFolder),
                                                      QStringLiteral("data file(*.vlm)"));
    // Behind any file that arrived while the dialog was open.
    if (!path.isEmpty()) OpenInTurn(WidePathFromDialog(path));
}

void CVelmorApp::OnFileNew()
{
    document_.OnNewDocument();
    frame_->View()->OnInitialUpdate(&document_);
    UpdateTitle(L"");
}

void CVelmorApp::OpenDocumentFile(const std::wstring& path)
{
    // A file arriving during this open (while its data load or a message box
    // waits) is opened after it, never in the middle of it.
    const SceneChangeHold opening;
    document_.OnOpenDocument(path);
    // A file that could not even be read leaves the shown scene as it was:
    // setting the view up again would throw its panes away.
    if (document_.LastOpenOutcome() != OpenOutcome::PreviousSceneKept) frame_->View()->OnInitialUpdate(&document_);
    if (document_.LastOpenOutcome() == OpenOutcome::Opened) {
        recent_.Add(path);
        if (auto profile = OpenProfile()) recent_.Save(*profile);
        else ReportUnusableProfile();
        frame_->SetRecentFiles(recent_.Entries());
    }
    UpdateTitle(ScenePath);
}

bool CVelmorApp::Busy() const { return SceneChangeHold::Active(); }

void CVelmorApp::ScheduleWaitingFiles()
{
    if (waitingFiles_.empty()) return;
    // Posted, so that whoever held the scene has finished with it before it
    // is replaced.
    if (frame_) QMetaObject::invokeMethod(frame_.get(), [this] { OpenWaitingFile(); }, Qt::QueuedConnection);
}

void CVelmorApp::OpenWaitingFile()
{
    if (waitingFiles_.empty() || Busy()) return;
    const std::wstring path = waitingFiles_.front();
    waitingFiles_.pop_front();
    OpenDocumentFile(path);
}

bool CVelmorApp::OnDroppedFile(const std::wstring& path)
{
    waitingFiles_.push_back(path);
    ScheduleWaitingFiles();
    return true;
}

void CVelmorApp::OpenInTurn(const std::wstring& path)
{
    if (Busy() || !waitingFiles_.empty()) {
        waitingFiles_.push_back(path);
        ScheduleWaitingFiles();
        return;
    }
    OpenDocumentFile(path);
}

void CVelmorApp::OnHandOff(const std::wstring& path)
{
    frame_->BringToFront();
    if (path.empty()) return;
    OpenInTurn(path);
}

void CVelmorApp::OnAppAbout()
{
    CAboutDlg dialog(productName, L"Version " + productVersion, legalNotice, frame_.get());
    frame_->View()->RunModalBox(dialog);
}

void CVelmorApp::UpdateTitle(const std::wstring& scenePath)
{
    const std::wstring name = scenePath.empty() ? std::wstring() : GetFileNamePart(scenePath) + GetExtensionPart(scenePath);
    frame_->setWindowTitle(QString::fromStdWString(name.empty() ? productName : PathDisplayText(name) + L" - " + productName));
}

} // namespace velmor
