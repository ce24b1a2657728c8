// Velmor: a viewer for 3-D scene documents.
#include "app/CKxDlgApplication.h"
#include "app/CKxDlgProgress.h"
#include "app/CMainFrame.h"
#include "app/QtFolderChooser.h"
#include "app/QtJobHost.h"
#include "app/QtMessageSink.h"

#include <QApplication>

using namespace velmor;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Quillmarsh"));
    QCoreApplication::setApplicationName(QStringLiteral("Velmor"));

    // A scene path on the command line is accepted; opening scenes is still to come.
    CMainFrame frame;
    CKxDlgProgress progress(&frame);
    QtJobHost jobHost(&progress);
    QtMessageSink messageSink;
    InstallQtFolderChooser(&frame);
    CKxDlgApplication::LoadApplicationSettings(false);

    frame.show();
    return QApplication::exec();
}
