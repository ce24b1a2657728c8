#include "dialogs/DialogBase.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>

namespace velmor {

QString ControlName(int id) { return QStringLiteral("ctl_%1").arg(id); }

namespace {

// Beside its text a caption holds the window's icon and its buttons.
constexpr int kCaptionButtonsWidth = 96;

} // namespace

DialogBase::DialogBase(QWidget* parent, Qt::WindowFlags flags) : QDialog(parent, flags) {}

void DialogBase::OnEscape() { reject(); }

void DialogBase::showEvent(QShowEvent* event)
{
    // Buttons act on Enter themselves, so the filter has to sit on every
    // control; installing again is harmless.
    for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
    WidenForTitle();
    QDialog::showEvent(event);
}

void DialogBase::WidenForTitle()
{
    // Captions are commonly drawn in bold.
    QFont font = QApplication::font();
    font.setBold(true);
    const int needed = QFontMetrics(font).horizontalAdvance(windowTitle()) + kCaptionButtonsWidth;
    if (width() < needed && maximumWidth() >= needed) resize(needed, height());
}

void DialogBase::keyPressEvent(QKeyEvent* event)
{
    if (!HandleDialogKey(event)) QDialog::keyPressEvent(event);
}

bool DialogBase::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && HandleDialogKey(static_cast<QKeyEvent*>(event))) return true;
    return QDialog::eventFilter(watched, event);
}

bool DialogBase::HandleDialogKey(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        OnEnter();
        return true;
    case Qt::Key_Escape:
        event->accept();
        OnEscape();
        return true;
    default:
        return false;
    }
}

} // namespace velmor
