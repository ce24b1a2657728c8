#pragma once
// What the program's widget tests share: one QApplication for the process
// (offscreen unless the environment says otherwise) and synthetic clicks
// that may be posted from any thread.
#include "render/ViewMode.h"

#include <QApplication>
#include <QPoint>

#include <array>
#include <functional>
#include <string>

class QImage;
class QOpenGLWidget;
class QWidget;

namespace velmor::test {

QApplication& GuiApplication();

QPointF Centre(const QWidget* widget);
// Posts a left click at `at` (in the widget's coordinates), as the window
// system would deliver it; safe from a worker thread.
void PostClick(QWidget* widget, QPointF at);

// What the widget shows on the screen: the window is opaque, whatever alpha
// the composition leaves (a volume's slices leave 0).
QImage ScreenPicture(QOpenGLWidget* widget);

// Lets queued events run for up to `ms` milliseconds.
void ProcessEventsFor(int ms);
// How long a test waits for a state before it fails: generous, since the
// sanitizer build on a loaded machine draws and loads many times slower
// (a state that comes returns the wait at once).
constexpr int kStateDeadlineMs = 60000;
// Lets events run until `done` holds, at most `ms` milliseconds; its last answer.
bool WaitUntil(const std::function<bool()>& done, int ms = kStateDeadlineMs);

// The view mode as the recorders of the dialog tests log it.
inline std::string ViewModeText(ViewMode mode)
{
    return std::array{"no scene", "normal", "full screen", "unit editing"}.at(static_cast<size_t>(mode));
}

} // namespace velmor::test
