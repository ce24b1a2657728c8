#pragma once
// What a dialog may ask of the view: render now or when idle, the view mode,
// the control lock, the active space, the view's GL context, the bar's
// state, the light, the nested modal dialogs and the help files. The
// program's view implements it. The scene events reach the view through
// EventViewSeam instead, and the renderer reports its changes through
// RenderListener. No Qt here, so that core code and tests can use it.
//
// NoViewServices answers everything harmlessly; a dialog that has not been
// handed the view's services uses it, and tests derive their recorders from it.
#include "render/ViewMode.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace velmor {

class CKxDrawUSurfaceR;
class DataObject;
class DrawGroup;

class ViewServices {
public:
    virtual ~ViewServices() = default;
    // Renders and presents at once.
    virtual void RenderNow() = 0;
    // Rebuilds the pane pictures and presents unless an animation will.
    virtual void RedrawIfIdle() = 0;
    virtual ViewMode GetViewMode() const = 0;
    virtual void SetViewMode(ViewMode mode) = 0;
    // Around long jobs: the tool windows and the File menu are disabled.
    virtual void LockControls() = 0;
    virtual void UnlockControls(bool enableMenu) = 0;

    // The root group of the active space; null without an active space.
    virtual DrawGroup* ActiveRootGroup() = 0;
    bool HasCurrentPane() { return ActiveRootGroup() != nullptr; }
    // The active pane takes its root's centre as rotation centre again and
    // refreshes its root after a unit changed.
    virtual void RefreshCurrentPane() = 0;
    // Runs `work`, which makes or frees a unit's GL names, with the view's
    // GL context current (whichever window's was current before).
    virtual void WithGLContext(const std::function<void()>& work) { work(); }
    virtual bool CurrentPaneClipOn() = 0;
    virtual void StoreRotationStart() = 0;
    // Angle in degrees about an axis in pane coordinates.
    virtual void RotateActivePane(double angle, double x, double y, double z) = 0;
    virtual int32_t HomeAnimationSteps() const = 0;
    virtual void SetHomeAnimationSteps(int32_t steps) = 0;

    // A dialog's change reaches the other windows: the renderer reports the
    // active root's units, or the scale, again.
    virtual void RefreshUnitPanel(bool focus) = 0;
    virtual void RefreshScaleBarDialog() = 0;
    // The bar's buttons follow the active space.
    virtual void UpdateViewControls() = 0;
    // The light moved: it reaches the view's context.
    virtual void ApplyLightPosition() = 0;

    // Nested modal dialogs; true when accepted.
    virtual std::optional<uint32_t> PickColour(uint32_t initialColorRef) = 0;
    virtual bool RunVoxelDataDialog(DataObject& data) = 0;
    virtual bool RunArrayDataDialog(DataObject& data) = 0;
    virtual bool RunColorScaleDialog(CKxDrawUSurfaceR& unit) = 0;

    // A help file or web address through the desktop's opener; false when
    // it cannot be opened (the message is shown already).
    virtual bool OpenDocument(const std::wstring& pathOrAddress) = 0;
};

class NoViewServices : public ViewServices {
public:
    void RenderNow() override {}
    void RedrawIfIdle() override {}
    ViewMode GetViewMode() const override { return ViewMode::kNormal; }
    void SetViewMode(ViewMode) override {}
    void LockControls() override {}
    void UnlockControls(bool) override {}
    DrawGroup* ActiveRootGroup() override { return nullptr; }
    void RefreshCurrentPane() override {}
    bool CurrentPaneClipOn() override { return false; }
    void StoreRotationStart() override {}
    void RotateActivePane(double, double, double, double) override {}
    int32_t HomeAnimationSteps() const override { return 0; }
    void SetHomeAnimationSteps(int32_t) override {}
    void RefreshUnitPanel(bool) override {}
    void RefreshScaleBarDialog() override {}
    void UpdateViewControls() override {}
    void ApplyLightPosition() override {}
    std::optional<uint32_t> PickColour(uint32_t) override { return std::nullopt; }
    bool RunVoxelDataDialog(DataObject&) override { return false; }
    bool RunArrayDataDialog(DataObject&) override { return false; }
    bool RunColorScaleDialog(CKxDrawUSurfaceR&) override { return false; }
    bool OpenDocument(const std::wstring&) override { return false; }
};

// The services a holder was given, or a shared NoViewServices when none.
ViewServices& ServicesOrNone(ViewServices* services);

// The help menu: the manual and the tutorial beside the program, and the
// maker's web site.
void SetProgramFolder(std::wstring folder);
std::wstring ProgramFolder();
bool OpenTutorial(ViewServices& services);
bool OpenManual(ViewServices& services);
bool OpenMakerSite(ViewServices& services);
extern const wchar_t* const kMakerSiteAddress;

} // namespace velmor
