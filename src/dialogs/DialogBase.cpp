#include "dialogs/DialogBase.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QSpacerItem>

namespace velmor {

QString ControlName(int id) { return QStringLiteral("ctl_%1").arg(id); }

namespace {

// Beside its text a caption holds the window's icon and its three buttons
// (minimise, maximise, close), each about as wide as the caption is high
// with a little space around it, and a window manager keeps some padding on
// either side of the text, which it cuts short rather than touch them.
constexpr int kCaptionItemWidth = 24;
constexpr int kCaptionItems = 4;
constexpr int kCaptionTextPadding = 24;
constexpr int kCaptionButtonsWidth = kCaptionItems * kCaptionItemWidth + kCaptionTextPadding;

} // namespace

int CaptionWidth(const QString& title)
{
    // Captions are commonly drawn in bold.
    QFont font = QApplication::font();
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(title) + kCaptionButtonsWidth;
}

void WidenBoxForTitle(QMessageBox& box)
{
    // The box takes the width its grid needs at least; a row of its own
    // that needs the caption's width makes it that wide.
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid == nullptr) return;
    const QMargins margins = grid->contentsMargins();
    const int width = CaptionWidth(box.windowTitle()) - margins.left() - margins.right();
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

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
    const int needed = CaptionWidth(windowTitle());
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
