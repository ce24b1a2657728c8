// Velmor: a viewer for 3-D scene documents.
#include "app/CVelmorApp.h"
#include "app/DisplayCheck.h"
#include "app/QtPaths.h"

#include <QApplication>
#include <cstdio>

using namespace velmor;

int main(int argc, char** argv)
{
    DisplayCheck display;
    QApplication qtApp(argc, argv);
    display.Done();
    if (const QString why = DisplayCheck::WhyViewCannotShow(); !why.isEmpty()) {
        std::fprintf(stderr, "Velmor: %s\n", qPrintable(why));
        return kNoDisplayStatus;
    }
    QCoreApplication::setOrganizationName(QStringLiteral("Quillmarsh"));
    QCoreApplication::setApplicationName(QStringLiteral("Velmor"));

    CVelmorApp app;
    if (!app.InitInstance(ArgumentsOf(argc, argv))) return 0;   // handed to the running copy
    return QApplication::exec();
}
