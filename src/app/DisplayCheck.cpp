#include "app/DisplayCheck.h"

#include <QGuiApplication>
#include <QStringList>
#include <cstdio>
#include <unistd.h>

namespace velmor {
namespace {

// The context's strings are literals of the code that logged.
struct HeldMessage {
    QtMsgType type;
    const char* file;
    int line;
    const char* function;
    const char* category;
    QString text;
};

QtMessageHandler gPrevious = nullptr;
QList<HeldMessage>* gHeld = nullptr;

QString DisplayName()
{
    const QByteArray display = qgetenv("DISPLAY");
    return display.isEmpty() ? QStringLiteral("DISPLAY is not set") : QStringLiteral("DISPLAY=%1").arg(QString::fromLocal8Bit(display));
}

void HoldMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "Velmor: no display to show the window on (%s)\n", qPrintable(DisplayName()));
        std::fflush(stderr);
        _exit(kNoDisplayStatus);
    }
    if (gHeld != nullptr) gHeld->append({type, context.file, context.line, context.function, context.category, text});
}

// Platforms whose windows cannot hold an OpenGL widget, although some of
// them make contexts.
bool PlatformHostsGLWidgets(const QString& platform)
{
    static const QStringList kWithout = {QStringLiteral("offscreen"), QStringLiteral("minimal"), QStringLiteral("linuxfb"),
                                         QStringLiteral("vnc"), QStringLiteral("vkkhrdisplay")};
    return !kWithout.contains(platform);
}

} // namespace

DisplayCheck::DisplayCheck()
{
    gHeld = new QList<HeldMessage>;
    gPrevious = qInstallMessageHandler(HoldMessage);
}

DisplayCheck::~DisplayCheck() { Done(); }

void DisplayCheck::Done()
{
    if (gHeld == nullptr) return;
    qInstallMessageHandler(gPrevious);
    for (const HeldMessage& m : *gHeld) qt_message_output(m.type, QMessageLogContext(m.file, m.line, m.function, m.category), m.text);
    delete gHeld;
    gHeld = nullptr;
}

QString DisplayCheck::WhyViewCannotShow()
{
    // No context is made here to find out: a start that only hands its file
    // over would load the driver for nothing.
    const QString platform = QGuiApplication::platformName();
    if (!PlatformHostsGLWidgets(platform))
        return QStringLiteral("the \"%1\" platform cannot show an OpenGL window").arg(platform);
    return {};
}

} // namespace velmor
