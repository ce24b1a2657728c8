#include "app/CMainFrame.h"

#include "app/CVelmorApp.h"
#include "app/CVelmorView.h"
#include "app/FileDragGuard.h"
#include "app/QtPaths.h"
#include "app/ViewBar.h"
#include "platform/WideText.h"
#include "render/ViewControlStates.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDropEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

namespace velmor {
namespace {

// The file a drop would open: the first local one (null when none).
const QUrl* FirstLocalFile(const QList<QUrl>& urls)
{
    for (const QUrl& url : urls)
        if (url.isLocalFile()) return &url;
    return nullptr;
}

// A dropped file is only opened, so the source is told it was copied (or
// linked, when it offers no copy), never moved: a source that hears "moved"
// deletes its file. A drag that offers nothing but a move is refused.
Qt::DropAction ActionTaken(Qt::DropActions offered)
{
    if (offered.testFlag(Qt::CopyAction)) return Qt::CopyAction;
    if (offered.testFlag(Qt::LinkAction)) return Qt::LinkAction;
    return Qt::IgnoreAction;
}

// Takes `event` as `action`, or refuses it when that is none.
void Answer(QDropEvent* event, Qt::DropAction action)
{
    if (action == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
}

QAction* AddCommand(QMenu* menu, const QString& text, int id)
{
    QAction* action = menu->addAction(text);
    action->setObjectName(QStringLiteral("cmd_%1").arg(id));
    return action;
}

} // namespace

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(QStringLiteral("Velmor"));
    // The picture above, the bar of 50 pixels below it.
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("viewArea"));
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    view_ = new CVelmorView(central);
    bar_ = new ViewBar(central);
    column->addWidget(view_, 1);
    column->addWidget(bar_, 0);
    view_->SetBar(bar_);
    setCentralWidget(central);
    setAcceptDrops(true);
    qApp->installEventFilter(this);
    new FileDragGuard(this);
    BuildMenu();
    // The window never gets smaller than a 640 x 360 picture.
    view_->setMinimumSize(CVelmorView::kClientWidth / 2, CVelmorView::kClientHeight / 2);
    resize(CVelmorView::kClientWidth,
           CVelmorView::kClientHeight + ViewBar::kHeight + menuBar()->sizeHint().height());
    move(0, 0);
}

void CMainFrame::BuildMenu()
{
    fileMenu_ = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    QAction* open = AddCommand(fileMenu_, QStringLiteral("開く(&O)"), kFileOpen);
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(open, &QAction::triggered, this, [this] { if (app_) app_->OnFileOpen(); });
    connect(AddCommand(fileMenu_, QStringLiteral("閉じる(&C)"), kFileNew), &QAction::triggered, this,
            [this] { if (app_) app_->OnFileNew(); });
    connect(AddCommand(fileMenu_, QStringLiteral("ファイル情報(&I)"), kFileInfo), &QAction::triggered, view_,
            [this] { view_->Dialogs().ShowFileInfo(); });
    recentSeparator_ = fileMenu_->addSeparator();
    fileMenu_->addSeparator();
    connect(AddCommand(fileMenu_, QStringLiteral("アプリケーションの終了(&X)"), kAppExit), &QAction::triggered, this,
            &QWidget::close);

    BuildSettingsMenu();

    QMenu* tools = menuBar()->addMenu(QStringLiteral("ツール(&T)"));
    connect(AddCommand(tools, QStringLiteral("回転(&R)"), kRotateDialog), &QAction::triggered, view_,
            [this] { view_->Dialogs().ShowRotation(); });

    QMenu* help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    connect(AddCommand(help, QStringLiteral("バージョン情報(&A)"), kAppAbout), &QAction::triggered, this,
            [this] { if (app_) app_->OnAppAbout(); });
    connect(AddCommand(help, QStringLiteral("マニュアル(&M)"), kManual), &QAction::triggered, view_,
            [this] { OpenManual(*view_); });
    connect(AddCommand(help, QStringLiteral("チュートリアル(&T)"), kTutorial), &QAction::triggered, view_,
            [this] { OpenTutorial(*view_); });
    connect(AddCommand(help, QStringLiteral("Quillmarsh ウェブサイト(&W)"), kWebSite), &QAction::triggered, view_,
            [this] { OpenMakerSite(*view_); });
    // F1 works while the menu bar is hidden too, except in full screen.
    auto* helpKey = new QAction(this);
    helpKey->setObjectName(QStringLiteral("key_F1"));
    helpKey->setShortcut(QKeySequence(Qt::Key_F1));
    addAction(helpKey);
    connect(helpKey, &QAction::triggered, view_, [this] { view_->OnHelp(); });
    // Once the closing key or click has done its work in the menu bar.
    for (QMenu* menu : menuBar()->findChildren<QMenu*>())
        connect(menu, &QMenu::aboutToHide, this, &CMainFrame::ReturnKeysToView, Qt::QueuedConnection);
}

void CMainFrame::ReturnKeysToView()
{
    // A menu left with Escape keeps the menu bar holding the keys, so the
    // view's keys would do nothing until a click. Moving from one menu to
    // the next has opened that one by now.
    if (QApplication::activePopupWidget() == nullptr) view_->setFocus(Qt::PopupFocusReason);
}

void CMainFrame::BuildSettingsMenu()
{
    QMenu* settings = menuBar()->addMenu(QStringLiteral("設定(&P)"));
    connect(AddCommand(settings, QStringLiteral("描画設定(&R)"), kRenderDialog), &QAction::triggered, view_,
            [this] { view_->Dialogs().ShowRender(); });
    frameArrow_ = AddCommand(settings, QStringLiteral("枠・矢印表示(&F)"), kShowFrameArrow);
    fixClip_ = AddCommand(settings, QStringLiteral("オブジェクト回転時に切断平面を固定(&O)"), kFixClipDuringRotation);
    connectSpaces_ = AddCommand(settings, QStringLiteral("オブジェクトを連動(&C)"), kConnectViewSpace);
    for (QAction* a : {frameArrow_, fixClip_, connectSpaces_}) a->setCheckable(true);
    connect(frameArrow_, &QAction::triggered, view_, [this] { view_->OnShowFrameArrow(); });
    connect(fixClip_, &QAction::triggered, view_, [this] { view_->OnFixClipDuringRotation(); });
    connect(connectSpaces_, &QAction::triggered, view_, [this] { view_->OnConnectViewSpace(); });
    connect(AddCommand(settings, QStringLiteral("スケールバー(&I)"), kScaleBarDialog), &QAction::triggered, view_,
            [this] { view_->Dialogs().ShowScaleBar(); });
    connect(AddCommand(settings, QStringLiteral("環境設定(&Z)"), kApplicationSettings), &QAction::triggered, view_,
            [this] { view_->OnApplicationSettings(); });
    connect(settings, &QMenu::aboutToShow, this, [this] { UpdateSettingsMenu(); });
    UpdateSettingsMenu();
}

void CMainFrame::UpdateSettingsMenu()
{
    const SettingsMenuState m = ReadSettingsMenuState(view_->Renderer(), view_->SceneShown());
    frameArrow_->setEnabled(m.frameArrowEnabled);
    frameArrow_->setChecked(m.frameArrowChecked);
    fixClip_->setEnabled(m.fixClipEnabled);
    fixClip_->setChecked(m.fixClipChecked);
    connectSpaces_->setEnabled(m.linkEnabled);
    connectSpaces_->setChecked(m.linkChecked);
}

void CMainFrame::SetRecentFiles(const std::vector<std::wstring>& paths)
{
    for (QAction* a : recentActions_) {
        fileMenu_->removeAction(a);
        a->deleteLater();
    }
    recentActions_.clear();
    QAction* before = fileMenu_->actions().at(fileMenu_->actions().indexOf(recentSeparator_) + 1);
    for (size_t i = 0; i < paths.size(); ++i) {
        const QString text = QStringLiteral("&%1 %2").arg(i + 1).arg(QString::fromStdWString(PathDisplayText(paths[i])));
        auto* action = new QAction(text, fileMenu_);
        action->setObjectName(QStringLiteral("cmd_%1").arg(kFirstRecentFile + static_cast<int>(i)));
        const std::wstring path = paths[i];
        connect(action, &QAction::triggered, this, [this, path] { if (app_) app_->OpenDocumentFile(path); });
        fileMenu_->insertAction(before, action);
        recentActions_.push_back(action);
    }
}

void CMainFrame::BringToFront()
{
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    QMainWindow::closeEvent(event);
    // exit, not quit: quit would first ask every window to close, and the
    // tool windows only hide when asked, which cancels it.
    if (event->isAccepted()) QCoreApplication::exit(0);
}

bool CMainFrame::event(QEvent* event)
{
    if (event->type() == QEvent::WindowBlocked && !blocked_) blocked_.emplace();
    if (event->type() == QEvent::WindowUnblocked) blocked_.reset();
    return QMainWindow::event(event);
}

// Qt hands a window's drags to the widget that accepted the drag's entry,
// through one drop target kept for the whole program, and answers a move it
// sends no entry for with the last verdict. A drop whose handling is still
// on the stack when the next drag enters (had its file opened there, the
// load would wait in a nested loop) clears that target as it returns: the
// next drag's moves are then told "taken" without anyone being asked and its
// drop reaches nobody. A drag whose source died leaves the target and the
// verdict behind as well. Answered here, at the window, every entry, move
// and drop gets its verdict from the drag's own data.
bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != windowHandle()) return QMainWindow::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        const QList<QUrl> urls = drag->mimeData()->urls();
        const QUrl* file = FirstLocalFile(urls);
        const Qt::DropAction action = ActionTaken(drag->possibleActions());
        promised_ = app_ != nullptr && file != nullptr && action != Qt::IgnoreAction ? *file : QUrl();
        Answer(drag, promised_.isEmpty() ? Qt::IgnoreAction : action);
        return true;
    }
    case QEvent::DragLeave: promised_.clear(); return true;
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        QList<QUrl> urls = drop->mimeData()->urls();
        // A source that ends as soon as it has let go is gone before its data
        // is asked for: the file its moves were told would be taken is taken.
        if (urls.isEmpty() && !promised_.isEmpty()) urls.append(promised_);
        promised_.clear();
        const Qt::DropAction action = ActionTaken(drop->possibleActions());
        Answer(drop, action != Qt::IgnoreAction && OnDropFiles(urls) ? action : Qt::IgnoreAction);
        return true;
    }
    default: return QMainWindow::eventFilter(watched, event);
    }
}

bool CMainFrame::OnDropFiles(const QList<QUrl>& urls)
{
    const QUrl* file = FirstLocalFile(urls);   // the first file only
    return app_ != nullptr && file != nullptr && app_->OnDroppedFile(WidePathFromUrl(*file));
}

} // namespace velmor
