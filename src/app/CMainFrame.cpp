#include "app/CMainFrame.h"

#include "app/CVelmorView.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace velmor {
namespace {

QAction* AddCommand(QMenu* menu, const QString& text, int id)
{
    QAction* action = menu->addAction(text);
    action->setObjectName(QStringLiteral("cmd_%1").arg(id));
    return action;
}

} // namespace

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent), view_(new CVelmorView(this))
{
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(QStringLiteral("Velmor"));
    setCentralWidget(view_);
    BuildMenu();
    view_->setMinimumSize(CVelmorView::kClientWidth / 2, CVelmorView::kClientHeight / 2);
    resize(CVelmorView::kClientWidth, CVelmorView::kClientHeight + menuBar()->sizeHint().height());
}

void CMainFrame::BuildMenu()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    connect(AddCommand(file, QStringLiteral("アプリケーションの終了(&X)"), kAppExit), &QAction::triggered, this,
            &QWidget::close);

    QMenu* settings = menuBar()->addMenu(QStringLiteral("設定(&P)"));
    connect(AddCommand(settings, QStringLiteral("環境設定(&Z)"), kApplicationSettings), &QAction::triggered, view_,
            [this] { view_->OnApplicationSettings(); });
}

} // namespace velmor
