#pragma once
// The strip under the picture: the caption text, the twelve view buttons
// and the friend text, on the view's background colour. It shows the button
// states the view's rule computes (ViewControlStates) and keeps the states
// it shows, so that only groups that changed touch their buttons.
#include "render/ViewControlStates.h"

#include <QWidget>

#include <cstdint>

namespace velmor {

class ColorLabel;
class ViewBarButton;

class ViewBar : public QWidget {
public:
    static constexpr int kHeight = 50;
    static constexpr int kButtonSize = 48;
    static constexpr int kButtonCount = 12;

    explicit ViewBar(QWidget* parent);
    // A COLORREF: red in the low byte, then green and blue.
    void SetBackgroundColor(uint32_t colorRef);
    uint32_t BackgroundColor() const { return backgroundColor_; }

    // Null for a number that is not one of the bar's buttons.
    ViewBarButton* Button(int id) const;
    ColorLabel* Caption() const { return caption_; }
    ColorLabel* FriendText() const { return friendText_; }
    // Where the buttons and the friend text (a click on it is one on the
    // friend button) lie in the bar.
    QRect ControlsArea() const;

    // After a reset every group counts as changed at the next refresh; both
    // labels go back to their start font and colours.
    void ForgetStates();
    // Shows `now`; returns what changed (the caller switches the pick mode
    // off when asked).
    ViewControlChanges ShowStates(const ViewControlStates& now);
    // The friend text: empty and disabled without a friend group, else the
    // group's label, enabled only when the friend group can be taken.
    void ShowFriendText(FriendState friendState, const QString& label);
    void ShowCaption(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LayOut();

    uint32_t backgroundColor_ = 0;
    ViewControlStates shown_;
    ViewBarButton* buttons_[kButtonCount] = {};
    ColorLabel* caption_ = nullptr;
    ColorLabel* friendText_ = nullptr;
    int friendTextExtent_ = 0;
    bool friendShown_ = false;
};

// Where the bar's parts go in a bar `width` pixels wide: the caption takes
// 70 % of what the buttons leave, the friend text at most the other 30 %.
struct ViewBarLayout {
    int captionWidth = 0;
    int friendWidth = 0;
    int buttonsLeft = 0;
    int friendTextX = 0;
};
ViewBarLayout LayOutViewBar(int width);

} // namespace velmor
