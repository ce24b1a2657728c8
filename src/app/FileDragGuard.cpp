#include "app/FileDragGuard.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>

namespace velmor {
namespace {

bool IsDrag(QEvent::Type type)
{
    return type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop;
}

} // namespace

FileDragGuard::FileDragGuard(QObject* parent) : QObject(parent)
{
    QCoreApplication::instance()->installEventFilter(this);
}

bool FileDragGuard::eventFilter(QObject* watched, QEvent* event)
{
    // The main window's own drags never get this far: its window answers them.
    if (!watched->isWidgetType() || !IsDrag(event->type())) return false;
    auto* drag = static_cast<QDropEvent*>(event);
    if (!drag->mimeData()->hasUrls()) return false;
    drag->ignore();
    return true;
}

} // namespace velmor
