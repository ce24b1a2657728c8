#include "app/WindowPlacer.h"

#include "app/CMainFrame.h"
#include "app/CVelmorView.h"
#include "app/ViewBar.h"
#include "dialogs/UnitDialogFrame.h"

#include <QApplication>
#include <QEvent>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <QSet>
#include <QTimer>
#include <QWidget>

namespace velmor {

namespace {

WindowRect ToRect(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

FrameMargins MarginsOf(const QWidget& window)
{
    const QRect frame = window.frameGeometry();
    const QRect client = window.geometry();
    return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
            frame.bottom() - client.bottom()};
}

WindowSize ToSize(const QSize& s) { return {s.width(), s.height()}; }

// A window manager frames a window without telling Qt of a move: the frame
// shows in the window's geometry by the time it is painted or activated.
const QSet<QEvent::Type> kFramingSigns = {QEvent::Move, QEvent::Resize, QEvent::Paint, QEvent::WindowActivate};

} // namespace

WindowPlacer::WindowPlacer(CMainFrame& main, std::function<QWidget*()> panel) : main_(main), panel_(std::move(panel))
{
    qApp->installEventFilter(this);
}

WindowPlacer::~WindowPlacer() { qApp->removeEventFilter(this); }

void WindowPlacer::PlaceMainWindows()
{
    QScreen* screen = main_.screen();
    if (screen == nullptr) return;
    QWidget* panel = panel_();
    MainWindowsRequest r;
    r.work = ToRect(screen->availableGeometry());
    r.mainFrame = MarginsOf(main_);
    r.panelFrame = panel != nullptr ? MarginsOf(*panel) : FrameMargins{};
    // Placed before the window manager framed them (if there is one): once
    // it has, they are placed again with their real frames.
    placedUnframed_ = r.mainFrame == FrameMargins{} || (panel != nullptr && r.panelFrame == FrameMargins{});
    r.picture = {CVelmorView::kClientWidth, CVelmorView::kClientHeight};
    r.smallestPicture = {CVelmorView::kClientWidth / 2, CVelmorView::kClientHeight / 2};
    r.barsHeight = main_.menuBar()->sizeHint().height() + ViewBar::kHeight;
    if (panel != nullptr) {
        r.panel = ToSize(panel->sizeHint().expandedTo(panel->minimumSizeHint()));
        r.panelLeastHeight = panel->minimumSizeHint().height();
    }
    const MainWindowsPlace p = velmor::PlaceMainWindows(r);

    // A window that may not shrink to its place would run off the screen.
    main_.View()->setMinimumSize(p.smallestPicture.width, p.smallestPicture.height);
    // Now, not when the posted layout requests arrive: the resize below
    // is bounded by the window's minimum.
    for (QWidget* w : {main_.centralWidget(), static_cast<QWidget*>(&main_)}) {
        if (w == nullptr || w->layout() == nullptr) continue;
        w->layout()->invalidate();
        w->layout()->activate();
    }
    main_.resize(p.main.width, p.main.height);
    const WindowRect mainFrame = FrameAround(p.main, r.mainFrame);
    main_.move(mainFrame.x, mainFrame.y);
    if (panel != nullptr) {
        panel->setMinimumHeight(std::min(panel->minimumHeight(), p.panel.height));
        panel->resize(p.panel.width, p.panel.height);
        const WindowRect panelFrame = FrameAround(p.panel, r.panelFrame);
        panel->move(panelFrame.x, panelFrame.y);
    }
}

bool WindowPlacer::IsDialogWindow(const QObject* object) const
{
    if (!object->isWidgetType()) return false;
    const auto* widget = static_cast<const QWidget*>(object);
    if (!widget->isWindow() || widget == &main_ || widget == panel_()) return false;
    const Qt::WindowType type = widget->windowType();
    return type == Qt::Dialog || type == Qt::Tool;
}

void WindowPlacer::PlaceDialogWindow(QWidget* dialog)
{
    QScreen* screen = main_.screen();
    if (screen == nullptr) return;
    FrameMargins margins = MarginsOf(*dialog);
    const bool framed = margins != FrameMargins{};
    // Not framed yet: as the window manager frames its kind of window.
    QWidget* panel = panel_();
    if (!framed)
        margins = MarginsOf(dialog->windowType() == Qt::Tool && panel != nullptr ? *panel : static_cast<QWidget&>(main_));
    const WindowRect work = ToRect(screen->availableGeometry());
    const WindowRect mainFrame = ToRect(main_.frameGeometry());
    MainWindowArea mainArea{mainFrame, MainWindowControls(), {}, {}};
    // A unit's dialog spares the space whose unit it edits.
    if (dynamic_cast<const UnitDialogFrame*>(dialog) != nullptr)
        main_.View()->FindShownSpaces(mainArea.activeSpace, mainArea.otherSpaces);
    std::vector<WindowRect> keepClear;
    for (QWidget* other : QApplication::topLevelWidgets()) {
        const bool counts = other == panel || IsDialogWindow(other);
        if (other != dialog && counts && other->isVisible()) keepClear.push_back(ToRect(other->frameGeometry()));
    }

    const WindowRect now = FrameAround(ToRect(dialog->geometry()), margins);
    bool clear = work.Contains(now) && !now.Intersects(mainFrame);
    for (const WindowRect& r : keepClear) clear = clear && !now.Intersects(r);
    if (clear) return;   // where the user (or an earlier showing) put it

    const QSize least = dialog->minimumSizeHint().expandedTo(dialog->minimumSize());
    const WindowRect at = PlaceDialog(work, mainArea, keepClear, {now.width, now.height},
                                      {least.width() + margins.Width(), least.height() + margins.Height()});
    if (at.width < now.width || at.height < now.height) dialog->resize(at.width - margins.Width(), at.height - margins.Height());
    // A window not framed yet is placed by its client area, which the
    // window manager keeps where it is asked to be.
    const FrameMargins offset = framed ? FrameMargins{} : margins;
    dialog->move(at.x + offset.left, at.y + offset.top);
}

std::vector<WindowRect> WindowPlacer::MainWindowControls() const
{
    std::vector<WindowRect> controls;
    if (!main_.isVisible()) return controls;
    // The caption with its buttons, and the menu under it while it shows.
    const QRect frame = main_.frameGeometry();
    const QMenuBar* menu = main_.menuBar();
    const int top = menu->isVisible() ? menu->mapToGlobal(QPoint(0, menu->height())).y() : main_.geometry().top();
    if (top > frame.top()) controls.push_back({frame.x(), frame.y(), frame.width(), top - frame.top()});
    if (const ViewBar* bar = main_.Bar(); bar != nullptr && bar->isVisible()) {
        const QRect area = bar->ControlsArea();
        controls.push_back(ToRect(QRect(bar->mapToGlobal(area.topLeft()), area.size())));
    }
    return controls;
}

bool WindowPlacer::FramedSincePlaced() const
{
    if (!placedUnframed_) return false;
    QWidget* panel = panel_();
    const auto framed = [](const QWidget& w) { return MarginsOf(w) != FrameMargins{}; };
    return framed(main_) && (panel == nullptr || !panel->isVisible() || framed(*panel));
}

bool WindowPlacer::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::Show && IsDialogWindow(watched)) {
        if (FramedSincePlaced()) PlaceMainWindows();
        PlaceDialogWindow(static_cast<QWidget*>(watched));
    } else if (kFramingSigns.contains(type) && (watched == &main_ || watched == panel_()) && !replacing_ &&
               FramedSincePlaced()) {
        // Once the events of this framing have run.
        replacing_ = true;
        QTimer::singleShot(0, this, [this] {
            replacing_ = false;
            if (FramedSincePlaced()) PlaceMainWindows();
        });
    }
    return QObject::eventFilter(watched, event);
}

} // namespace velmor
