#pragma once
// A stand-in view for the unit dialogs: it logs every seam call in order,
// and helpers that reach controls by their numbers and type into them.
#include "app/GuiTestSupport.h"
#include "dialogs/DialogBase.h"
#include "dialogs/UnitDialogFrame.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmor::test {

// Declared first among a fixture's members, so that the application exists
// before any widget member.
struct GuiFirst {
    GuiFirst() { GuiApplication(); }
};

struct RecordingUnitView {
    std::vector<std::string> log;
    bool hasPane = true;

    UnitDialogView Seams()
    {
        UnitDialogView view;
        view.renderNow = [this] { log.push_back("RenderNow"); };
        view.setViewMode = [this](int mode) { log.push_back("SetViewMode " + std::to_string(mode)); };
        view.hasCurrentPane = [this] { return hasPane; };
        view.refreshCurrentPane = [this] { log.push_back("RefreshPane"); };
        return view;
    }
    int Count(const std::string& entry) const
    {
        int n = 0;
        for (const auto& e : log) n += e == entry ? 1 : 0;
        return n;
    }
};

template <typename Widget>
Widget* Control(QWidget& dialog, int id)
{
    auto* widget = dialog.findChild<Widget*>(ControlName(id));
    EXPECT_NE(widget, nullptr) << "control " << id;
    return widget;
}

inline void SendKey(QWidget* target, QEvent::Type type, int key)
{
    QKeyEvent event(type, key, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

inline void PressAndRelease(QWidget* target, int key)
{
    SendKey(target, QEvent::KeyPress, key);
    SendKey(target, QEvent::KeyRelease, key);
}

} // namespace velmor::test
