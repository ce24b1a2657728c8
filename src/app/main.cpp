// Velmor: a viewer for 3-D scene documents.
#include "app/CVelmorApp.h"
#include "app/QtPaths.h"

#include <QApplication>

using namespace velmor;

int main(int argc, char** argv)
{
    QApplication qtApp(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Quillmarsh"));
    QCoreApplication::setApplicationName(QStringLiteral("Velmor"));

    CVelmorApp app;
    if (!app.InitInstance(ArgumentsOf(argc, argv))) return 0;   // handed to the running copy
    return QApplication::exec();
}
