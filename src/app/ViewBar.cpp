#include "app/ViewBar.h"

#include "app/ColorLabel.h"
#include "app/ViewButtonPictures.h"
#include "dialogs/DialogBase.h"

#include <QColor>
#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace velmor {

namespace {

// Left to right, with the picture each button starts with and what its tip says.
constexpr struct {
    int id;
    ButtonPicture picture;
    const char* tip;
} kOrder[ViewBar::kButtonCount] = {
    {kHomeButton, ButtonPicture::kHome, "ホーム (F2)"},
    {kRotateMinusButton, ButtonPicture::kRotateMinus, "-5° 回転 (F3)"},
    {kRotatePlusButton, ButtonPicture::kRotatePlus, "+5° 回転 (F4)"},
    {kClipButton, ButtonPicture::kClipOff, "切断平面 (F5)"},
    {kClipHandleButton, ButtonPicture::kHandleOff, "切断平面ハンドル (F6)"},
    {kPickCentreButton, ButtonPicture::kPickOn, "回転中心 (F7)"},
    {kNextSpaceButton, ButtonPicture::kNextSpace, "次の空間：アクティブな空間を空にし、次の空間をアクティブにします"},
    {kTimeBackButton, ButtonPicture::kTimeBack, "戻る"},
    {kPlayButton, ButtonPicture::kPlay, "再生 / 一時停止"},
    {kStopButton, ButtonPicture::kStop, "停止"},
    {kTimeForwardButton, ButtonPicture::kTimeForward, "進む"},
    {kFriendButton, ButtonPicture::kFriend, "フレンドグループ (F8)"},
};

QColor FromColorRef(uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

} // namespace

ViewBarLayout LayOutViewBar(int width)
{
    ViewBarLayout l;
    const int buttons = ViewBar::kButtonCount * ViewBar::kButtonSize;
    const int rest = std::max(0, width - buttons);
    l.captionWidth = static_cast<int>(rest * 0.7);
    l.friendWidth = static_cast<int>(rest * 0.3);
    l.buttonsLeft = l.captionWidth;
    l.friendTextX = l.captionWidth + buttons;
    return l;
}

ViewBar::ViewBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("viewBar"));
    setFixedHeight(kHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    caption_ = new ColorLabel(this);
    caption_->setObjectName(ControlName(kCaptionText));
    friendText_ = new ColorLabel(this);
    friendText_->setObjectName(ControlName(kFriendText));
    friendText_->installEventFilter(this);
    for (int i = 0; i < kButtonCount; ++i) {
        buttons_[i] = new ViewBarButton(kOrder[i].id, kOrder[i].picture, kButtonSize, this);
        buttons_[i]->setToolTip(QString::fromUtf8(kOrder[i].tip));
    }
    ForgetStates();
    LayOut();
}

ViewBarButton* ViewBar::Button(int id) const
{
    for (int i = 0; i < kButtonCount; ++i)
        if (kOrder[i].id == id) return buttons_[i];
    return nullptr;
}

QRect ViewBar::ControlsArea() const
{
    QRect area = friendText_->geometry();
    for (const ViewBarButton* button : buttons_) area = area.united(button->geometry());
    return area;
}

void ViewBar::SetBackgroundColor(uint32_t colorRef)
{
    if (colorRef == backgroundColor_) return;
    backgroundColor_ = colorRef;
    update();
}

void ViewBar::ForgetStates()
{
    shown_ = ViewControlStates{};
    for (ColorLabel* label : {caption_, friendText_}) label->Init();
    caption_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    friendText_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

ViewControlChanges ViewBar::ShowStates(const ViewControlStates& now)
{
    ViewControlChanges changes = ChangesBetween(shown_, now);
    for (const ButtonChange& c : changes.buttons) {
        ViewBarButton* button = Button(c.button);
        if (button == nullptr) continue;
        if (c.picture) button->SetPicture(*c.picture);
        if (c.enabled) button->setEnabled(*c.enabled);
        button->update();
    }
    shown_ = now;
    return changes;
}

void ViewBar::ShowFriendText(FriendState friendState, const QString& label)
{
    friendShown_ = friendState != FriendState::kNone;
    if (!friendShown_) {
        friendText_->clear();
        friendText_->setEnabled(false);
        friendTextExtent_ = 0;
    } else {
        friendTextExtent_ = QFontMetrics(friendText_->font()).horizontalAdvance(label) + 5;
        friendText_->setText(label);
        friendText_->setEnabled(friendState == FriendState::kAvailable);
    }
    LayOut();
}

void ViewBar::ShowCaption(const QString& text) { caption_->setText(text); }

void ViewBar::LayOut()
{
    const ViewBarLayout l = LayOutViewBar(width());
    caption_->setGeometry(0, 0, l.captionWidth, kHeight);
    for (int i = 0; i < kButtonCount; ++i) buttons_[i]->move(l.buttonsLeft + i * kButtonSize, 1);
    const int friendWidth = friendShown_ ? std::min(friendTextExtent_, l.friendWidth) : l.friendWidth;
    friendText_->setGeometry(l.friendTextX, 0, friendWidth, kHeight);
}

void ViewBar::resizeEvent(QResizeEvent*) { LayOut(); }

void ViewBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), FromColorRef(backgroundColor_));
}

bool ViewBar::eventFilter(QObject* watched, QEvent* event)
{
    // A click on the friend text is a click on the friend button, which does
    // nothing while that button is disabled.
    if (watched == friendText_ && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Button(kFriendButton)->click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace velmor
