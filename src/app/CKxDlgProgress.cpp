#include "app/CKxDlgProgress.h"

#include "app/ColorLabel.h"
#include "app/ProgressEvent.h"
#include "app/SceneChangeHold.h"

#include <QAbstractEventDispatcher>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScopedValueRollback>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

namespace velmor {
namespace {

CKxDlgProgress* gInstance = nullptr;

int ClampToInt(double value)
{
    if (!(value > std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    if (value >= std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    return static_cast<int>(value);
}

QColor ColourFromValue(int64_t value)
{
    const auto v = static_cast<uint32_t>(value);
    return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}

bool IsWithin(const QObject* target, const QObject* root)
{
    for (const QObject* o = target; o != nullptr; o = o->parent())
        if (o == root) return true;
    return false;
}

bool IsWindowOf(const QObject* target, const QWidget* widget)
{
    return widget != nullptr && widget->windowHandle() != nullptr && target == static_cast<const QObject*>(widget->windowHandle());
}

} // namespace

uint32_t TickCount()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

CKxDlgProgress::CKxDlgProgress(QWidget* parent)
    : DialogBase(parent, Qt::Dialog | Qt::FramelessWindowHint),
      bar_(new QProgressBar(this)),
      label_(new ColorLabel(this)),
      cancelButton_(new QPushButton(QStringLiteral("Cancel"), this)),
      due_(new QTimer(this))
{
    setObjectName(QStringLiteral("dlg_242"));
    label_->setObjectName(ControlName(kLabel));
    label_->setText(QStringLiteral("Please wait..."));
    bar_->setObjectName(ControlName(kBar));
    bar_->setTextVisible(false);   // a plain smooth bar
    cancelButton_->setObjectName(ControlName(kCancelButton));
    cancelButton_->setAutoDefault(false);
    cancelButton_->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addWidget(bar_);
    layout->addWidget(cancelButton_, 0, Qt::AlignHCenter);
    setFixedSize(360, 110);

    label_->backgroundColour = palette().color(QPalette::Button);
    label_->UpdateBrush();
    label_->SetTextColour(palette().color(QPalette::WindowText));
    connect(cancelButton_, &QPushButton::clicked, this, [this] { OnCancel(); });
    due_->setSingleShot(true);
    connect(due_, &QTimer::timeout, this, [this] { ShowNow(); });
    gInstance = this;
}

CKxDlgProgress::~CKxDlgProgress()
{
    if (gInstance == this) gInstance = nullptr;
}

CKxDlgProgress* CKxDlgProgress::Instance() { return gInstance; }

int CKxDlgProgress::ProgressMessageBox(const std::wstring& text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Velmor"), QString::fromStdWString(text),
                    QMessageBox::Ok, parentWidget());
    box.setWindowModality(Qt::ApplicationModal);
    WidenBoxForTitle(box);
    {
        // A box may open while another waits (a worker's message): the outer
        // one is still open when the inner one closes.
        const QScopedValueRollback<QPointer<QMessageBox>> shown(box_, &box);
        const QScopedValueRollback<bool> open(messageBoxOpen, true);
        // The load or job that asks may go on with the scene afterwards.
        const SceneChangeHold hold;
        box.exec();
    }
    return 1;
}

bool CKxDlgProgress::OwnsEventTarget(const QObject* target) const
{
    return IsWithin(target, this) || IsWindowOf(target, this);
}

bool CKxDlgProgress::OwnsMessageBoxTarget(const QObject* target) const
{
    return box_ != nullptr && (IsWithin(target, box_) || IsWindowOf(target, box_));
}

bool CKxDlgProgress::event(QEvent* event)
{
    if (!ProgressEvent::IsProgressType(event->type())) return DialogBase::event(event);
    const ProgressMessage& m = static_cast<ProgressEvent*>(event)->message;
    switch (m.kind) {
    case ProgressMessage::Kind::Start: OnProgressStart(m.a, m.b); break;
    case ProgressMessage::Kind::Step: OnProgressStep(m.a); break;
    case ProgressMessage::Kind::SetPosition: OnProgressSetPosition(m.a); break;
    case ProgressMessage::Kind::End: OnProgressEnd(); break;
    case ProgressMessage::Kind::Text: OnProgressText(m.a, m.text); break;
    }
    return true;
}

void CKxDlgProgress::OnProgressStart(int64_t interval, int64_t range)
{
    CentreOnParent();
    const bool cancelAllowed = CancelAllowed();
    cancelButton_->setVisible(cancelAllowed);
    cancelButton_->setEnabled(cancelAllowed);
    cancelRequested = false;
    hide();
    label_->SetTextColour(palette().color(QPalette::WindowText));
    label_->setText(QString::fromStdWString(ProgressCaption()));
    lastStart = TickCount();
    showDelay = static_cast<int32_t>(std::clamp<int64_t>(interval, 0, std::numeric_limits<int32_t>::max()));
    position = 0.0;
    bar_->setRange(0, static_cast<int>(std::clamp<int64_t>(range, 0, std::numeric_limits<int>::max())));
    bar_->setValue(0);
    due_->start(showDelay);
}

void CKxDlgProgress::ShowWhenDue()
{
    if (TickCount() - lastStart >= static_cast<uint32_t>(showDelay)) ShowNow();
}

void CKxDlgProgress::ShowNow()
{
    if (isVisible()) return;
    bar_->setValue(0);
    show();
    // Mapping a window again leaves it where it stood in the stacking order:
    // below the main window if that was raised meanwhile (a hand-off raises
    // it), where it could be neither seen nor clicked.
    raise();
    bar_->repaint();
}

void CKxDlgProgress::OnProgressStep(int64_t steps)
{
    ShowWhenDue();
    position += static_cast<double>(steps);
    if (isVisible()) SetBarPosition();
}

void CKxDlgProgress::OnProgressSetPosition(int64_t newPosition)
{
    ShowWhenDue();
    position = static_cast<double>(newPosition);
    if (isVisible()) SetBarPosition();
}

void CKxDlgProgress::SetBarPosition()
{
    // Rounded to the nearest step and kept inside the bar, which would
    // otherwise ignore a position beyond its range.
    const int rounded = ClampToInt(std::trunc(position + 0.5));
    bar_->setValue(std::clamp(rounded, bar_->minimum(), bar_->maximum()));
}

void CKxDlgProgress::OnProgressEnd()
{
    due_->stop();
    if (!isVisible()) return;
    label_->SetTextColour(palette().color(QPalette::WindowText));
    hide();
}

void CKxDlgProgress::OnProgressText(int64_t colour, const std::wstring& text)
{
    label_->SetTextColour(ColourFromValue(colour));
    label_->setText(QString::fromStdWString(text));
}

void CKxDlgProgress::OnCancel()
{
    cancelButton_->setEnabled(false);
    cancelRequested = true;
    // The runner copies the request after every wake; make sure one comes.
    if (auto* dispatcher = QAbstractEventDispatcher::instance(thread())) dispatcher->wakeUp();
}

void CKxDlgProgress::CentreOnParent()
{
    QRect around;
    if (parentWidget() != nullptr) around = parentWidget()->window()->geometry();
    else if (QScreen* screen = QGuiApplication::primaryScreen()) around = screen->availableGeometry();
    else return;
    move(around.left() + around.width() / 2 - width() / 2, around.top() + around.height() / 2 - height() / 2);
}

} // namespace velmor
