#include "app/CVelmorView.h"

#include "app/CKxDlgApplication.h"
#include "dialogs/CKxDlgFileInfo.h"

#include <QPalette>

namespace velmor {

CVelmorView::CVelmorView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("view"));
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    setAutoFillBackground(true);
}

void CVelmorView::OnApplicationSettings()
{
    KillAllTimers();
    CKxDlgApplication dialog(window());
    dialog.exec();
}

void CVelmorView::OnFileInfoDialog()
{
    if (fileInfo == nullptr) return;
    fileInfo->show();
    fileInfo->raise();
}

void CVelmorView::ShowNoScene()
{
    viewMode = ViewMode::kNoScene;
    sceneLoaded = false;
}

} // namespace velmor
