#pragma once
// A stand-in view for the unit dialogs: it logs every seam call in order,
// and helpers that reach controls by their numbers and type into them.
#include "app/GuiTestSupport.h"
#include "dialogs/DialogBase.h"
#include "dialogs/UnitDialogFrame.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QWidget>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

// Readable failure output for Qt strings.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace velmor::test {

// Declared first among a fixture's members, so that the application exists
// before any widget member.
struct GuiFirst {
    GuiFirst() { GuiApplication(); }
};

struct RecordingUnitView : NoViewServices {
    std::vector<std::string> log;
    bool hasPane = true;
    DrawGroup* pane = reinterpret_cast<DrawGroup*>(this);   // any non-null root; never read

    ViewServices& Seams() { return *this; }
    void RenderNow() override { log.push_back("RenderNow"); }
    void SetViewMode(ViewMode mode) override { log.push_back("SetViewMode " + ViewModeText(mode)); }
    DrawGroup* ActiveRootGroup() override { return hasPane ? pane : nullptr; }
    void RefreshCurrentPane() override { log.push_back("RefreshPane"); }
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

// A unit of kind Base that logs its reloads instead of building anything.
template <typename Base>
class LoggedUnit : public Base {
public:
    explicit LoggedUnit(std::vector<std::string>& log) : Base(nullptr), log_(log) {}
    void Load() override { log_.push_back("Load"); }
    void Release() override { log_.push_back("Release"); }

private:
    std::vector<std::string>& log_;
};

// The list's rows as "label | value".
inline QStringList ListRows(QWidget& dialog, int listId)
{
    QStringList rows;
    auto* list = Control<QTreeWidget>(dialog, listId);
    for (int i = 0; list != nullptr && i < list->topLevelItemCount(); ++i)
        rows << list->topLevelItem(i)->text(0) + " | " + list->topLevelItem(i)->text(1);
    return rows;
}

inline void SelectRow(QWidget& dialog, int listId, int row)
{
    auto* list = Control<QTreeWidget>(dialog, listId);
    list->setCurrentItem(list->topLevelItem(row));
}

// The texts of the given controls (labels or edits); "-" marks a disabled
// one.
inline QStringList Texts(QWidget& dialog, std::initializer_list<int> ids)
{
    QStringList texts;
    for (int id : ids) {
        QWidget* w = dialog.findChild<QWidget*>(ControlName(id));
        EXPECT_NE(w, nullptr) << id;
        if (w == nullptr) continue;
        QString text;
        if (auto* label = qobject_cast<QLabel*>(w)) text = label->text();
        if (auto* edit = qobject_cast<QLineEdit*>(w)) text = edit->text();
        if (auto* button = qobject_cast<QPushButton*>(w)) text = button->text();
        texts << (w->isEnabled() ? text : "-" + text);
    }
    return texts;
}

// Types into the edits and presses "リストに反映".
inline void ApplyTyped(QWidget& dialog, std::initializer_list<int> editIds, QStringList texts, int applyId)
{
    int i = 0;
    for (int id : editIds) Control<QLineEdit>(dialog, id)->setText(texts.value(i++));
    Control<QPushButton>(dialog, applyId)->click();
}

// A dialog of type Dialog over a recording view, editing a logged unit
// of type Unit; `list` is the number of the dialog's property list.
template <typename Dialog, typename Unit>
class DialogFixture : public ::testing::Test {
protected:
    DialogFixture() { dialog->Create(&parent, view.Seams()); }
    ~DialogFixture() override { delete dialog; }

    void Opened()
    {
        dialog->SetUnit(&unit);
        unitLog.clear();
        view.log.clear();
    }
    // Picks a combo item as the user would.
    void Choose(int comboId, int index)
    {
        auto* combo = Control<QComboBox>(*dialog, comboId);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    void Choose(int comboId, const QString& item)
    {
        const int index = Control<QComboBox>(*dialog, comboId)->findText(item);
        ASSERT_GE(index, 0) << item.toStdString();
        Choose(comboId, index);
    }
    QStringList Labels() const
    {
        QStringList labels;
        for (const QString& row : ListRows(*dialog, list)) labels << row.section(" | ", 0, 0);
        return labels;
    }

    GuiFirst gui;
    QWidget parent;
    RecordingUnitView view;
    Dialog* dialog = new Dialog;
    std::vector<std::string> unitLog;
    LoggedUnit<Unit> unit{unitLog};
    int list = 0;
};

} // namespace velmor::test
