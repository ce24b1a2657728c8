#pragma once
// Finding numbered controls and answering modal dialogs from a timer while
// the code under test waits in them.
#include "app/GuiTestSupport.h"
#include "dialogs/DialogBase.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace velmor::test {

// A fixture whose members may be widgets: the application comes first.
struct GuiFixture : ::testing::Test {
    GuiFixture() { GuiApplication(); }
};

template <typename Widget>
Widget* Control(QWidget& dialog, int id)
{
    auto* widget = dialog.findChild<Widget*>(ControlName(id));
    EXPECT_NE(widget, nullptr) << "control " << id;
    return widget;
}

inline void SendKey(QWidget* target, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
}

// While it lives, hands every newly shown modal dialog once to `answer`.
class ModalAnswerer {
public:
    explicit ModalAnswerer(std::function<void(QWidget*)> answer) : answer_(std::move(answer))
    {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr || !modal->isVisible() || modal == last_.data()) return;
            last_ = modal;
            ++answered;
            answer_(modal);
        });
        timer_.start();
    }

    int answered = 0;

private:
    std::function<void(QWidget*)> answer_;
    QTimer timer_;
    QPointer<QWidget> last_;
};

} // namespace velmor::test
