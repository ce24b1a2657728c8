#include "GuiTestSupport.h"

#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QOpenGLWidget>
#include <QWidget>

namespace velmor::test {

QApplication& GuiApplication()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "tests_app";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing Qt down among the other static objects at
    // exit crashes, and the process ends right after the tests anyway.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

QPointF Centre(const QWidget* widget) { return {widget->width() / 2.0, widget->height() / 2.0}; }

void PostClick(QWidget* widget, QPointF at)
{
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
        QCoreApplication::postEvent(widget, new QMouseEvent(type, at, at, Qt::LeftButton, held, Qt::NoModifier));
    }
}

QImage ScreenPicture(QOpenGLWidget* widget)
{
    QImage image = widget->grabFramebuffer();
    if (image.format() == QImage::Format_ARGB32_Premultiplied || image.format() == QImage::Format_ARGB32)
        image.reinterpretAsFormat(QImage::Format_RGB32);
    else if (image.format() == QImage::Format_RGBA8888_Premultiplied || image.format() == QImage::Format_RGBA8888)
        image.reinterpretAsFormat(QImage::Format_RGBX8888);
    return image;
}

void ProcessEventsFor(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

bool WaitUntil(const std::function<bool()>& done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

} // namespace velmor::test
