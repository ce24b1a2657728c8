// The view's answers to ViewServices beyond the scene events, its view-mode
// switch, the menu switches and help, and the bar under the picture.
#include "app/CVelmorView.h"

#include "app/ColorLabel.h"
#include "app/DesktopOpener.h"
#include "app/ViewBar.h"
#include "app/ViewButtonPictures.h"
#include "dialogs/CKxDlgMainControl.h"
#include "scene/CVelmorDoc.h"
#include "units/DrawGroup.h"

#include <QMainWindow>
#include <QMenuBar>

namespace velmor {

void CVelmorView::SetViewMode(ViewMode mode)
{
    // A unit dialog this switch hides asks for normal mode on its way out;
    // the switch in progress decides.
    if (switchingViewMode_) return;
    switchingViewMode_ = true;
    StoreViewMode(mode);
    CKxDlgMainControl* panel = dialogs_.unitPanel;
    switch (mode) {
    case ViewMode::kNormal:
        EnableFileMenu(true);
        if (panel != nullptr) {
            if (!panel->isVisible()) panel->show();
            panel->RestoreVisibility();
        }
        RefreshUnitPanel(false);
        break;
    case ViewMode::kFullScreen:
        dialogs_.HideToolDialogs(true);
        if (panel != nullptr) panel->SaveVisibility();
        break;
    case ViewMode::kUnitEditing:
        EnableFileMenu(false);
        dialogs_.HideToolDialogs(false);
        if (panel != nullptr) panel->DisablePanel();
        break;
    case ViewMode::kNoScene: break;
    }
    // The friend and next-space buttons follow the mode.
    UpdateViewControls();
    switchingViewMode_ = false;
}

void CVelmorView::EnableFileMenu(bool enable)
{
    auto* frame = qobject_cast<QMainWindow*>(window());
    if (frame == nullptr) return;
    const QList<QAction*> menus = frame->menuBar()->actions();
    if (!menus.isEmpty()) menus.first()->setEnabled(enable);
}

void CVelmorView::LockControls()
{
    dialogs_.EnableToolDialogs(false);
    EnableFileMenu(false);
}

void CVelmorView::UnlockControls(bool enableMenu)
{
    dialogs_.EnableToolDialogs(true);
    if (enableMenu) EnableFileMenu(true);
}

DrawGroup* CVelmorView::ActiveRootGroup()
{
    ScenePane* pane = renderer_.Pane(renderer_.activeSpace);
    return pane != nullptr ? pane->root : nullptr;
}

void CVelmorView::RefreshCurrentPane()
{
    ScenePane* pane = renderer_.Pane(renderer_.activeSpace);
    if (pane == nullptr) return;
    ContextGuard gl(*this);
    pane->ResetRotationCentre();
    pane->UpdateRoot();
}

bool CVelmorView::CurrentPaneClipOn() { return renderer_.ActiveClipOn(); }

void CVelmorView::RotateActivePane(double angle, double x, double y, double z)
{
    motion_.RotateActivePane(angle, x, y, z);
}

void CVelmorView::RefreshUnitPanel(bool focus) { renderer_.ReportActiveUnits(focus); }

void CVelmorView::RefreshScaleBarDialog()
{
    renderer_.ReportScale();
    // A unit's new length unit may make the scale bar (and so the pick
    // button) available or not.
    UpdateViewControls();
}

bool CVelmorView::OpenDocument(const std::wstring& pathOrAddress) { return OpenWithDesktop(pathOrAddress); }

void CVelmorView::OpenUrl(const std::wstring& url)
{
    // A scene may send the reader to a web page, never make the desktop run
    // a local file.
    if (ClassifyOpenTarget(url) == OpenTarget::kWebAddress) OpenWithDesktop(url);
}

bool CVelmorView::OnHelp()
{
    if (viewMode_ == ViewMode::kFullScreen) return false;
    OpenManual(*this);
    return true;
}

void CVelmorView::OnShowFrameArrow()
{
    renderer_.ToggleFrameAndArrow();
    RenderNow();
}

void CVelmorView::OnFixClipDuringRotation()
{
    renderer_.fixClipDuringRotation = renderer_.fixClipDuringRotation != 0 ? 0 : 1;
}

void CVelmorView::OnConnectViewSpace()
{
    renderer_.linkPanes = renderer_.linkPanes != 0 ? 0 : 1;
    // Linked panes take over the active space's clip switch.
    if (const ScenePane* active = renderer_.Pane(renderer_.activeSpace))
        renderer_.SetClipSwitch(renderer_.activeSpace, active->clipOn);
    RedrawIfIdle();
}

namespace {

// The view buttons' commands, whether clicked or run by their keys.
using ButtonCommand = void (CVelmorView::*)();
constexpr std::pair<int, ButtonCommand> kButtonCommands[] = {
    {kHomeButton, &CVelmorView::OnHome},           {kRotateMinusButton, &CVelmorView::OnRotateZMinus},
    {kRotatePlusButton, &CVelmorView::OnRotateZPlus}, {kClipButton, &CVelmorView::OnClipToggle},
    {kClipHandleButton, &CVelmorView::OnClipHandleToggle}, {kPickCentreButton, &CVelmorView::OnPickRotationCentre},
    {kNextSpaceButton, &CVelmorView::OnNextSpace},  {kTimeBackButton, &CVelmorView::OnTimeBack},
    {kPlayButton, &CVelmorView::OnTimePlay},        {kStopButton, &CVelmorView::OnTimeStop},
    {kTimeForwardButton, &CVelmorView::OnTimeForward}, {kFriendButton, &CVelmorView::OnFriendGroup},
};

} // namespace

void CVelmorView::SetBar(ViewBar* bar)
{
    bar_ = bar;
    if (bar_ == nullptr) return;
    bar_->SetBackgroundColor(kBarColour);
    for (const auto& [id, command] : kButtonCommands)
        connect(bar_->Button(id), &QAbstractButton::clicked, this, [this, id = id] { RunButtonCommand(id); });
    UpdateViewControls();
}

void CVelmorView::RunButtonCommand(int button)
{
    for (const auto& [id, command] : kButtonCommands)
        if (id == button) (this->*command)();
}

void CVelmorView::UpdateViewControls()
{
    if (bar_ == nullptr) return;
    const ViewControlInputs in =
        ReadViewControlInputs(renderer_, SceneShown(), viewMode_, rotationCentrePickMode_,
                              motion_.Playing());
    const ViewControlStates now = ComputeViewControlStates(in);
    if (bar_->ShowStates(now).pickModeOff) rotationCentrePickMode_ = false;
    const DrawGroup* root = SceneShown() ? ActiveRootGroup() : nullptr;
    bar_->ShowFriendText(now.friendGroup, root != nullptr ? QString::fromStdWString(root->friendLabel) : QString());
    bar_->ShowCaption(root != nullptr ? QStringLiteral(" ") + QString::fromStdWString(root->caption) : QString());
}

namespace {

ColorLabel* LabelOf(ViewBar* bar, EventLabel label)
{
    if (bar == nullptr) return nullptr;
    return label == EventLabel::Caption ? bar->Caption() : bar->FriendText();
}

} // namespace

void CVelmorView::SetLabelFont(EventLabel label, double pointSize, const std::wstring& face)
{
    ColorLabel* target = LabelOf(bar_, label);
    if (target == nullptr) return;
    target->pointSize = static_cast<float>(pointSize);
    target->faceName = QString::fromStdWString(face);
    target->CreateLabelFont();
}

void CVelmorView::SetLabelColor(EventLabel label, uint32_t colorRef)
{
    if (ColorLabel* target = LabelOf(bar_, label))
        target->SetTextColour(QColor(colorRef & 0xFF, (colorRef >> 8) & 0xFF, (colorRef >> 16) & 0xFF));
}

bool CVelmorView::ButtonEnabled(int control) const
{
    const ViewBarButton* button = bar_ != nullptr ? bar_->Button(control) : nullptr;
    return button != nullptr ? button->isEnabled() : SceneShown();
}

void CVelmorView::EnableButton(int control, bool enable)
{
    if (ViewBarButton* button = bar_ != nullptr ? bar_->Button(control) : nullptr) button->setEnabled(enable);
}

} // namespace velmor
