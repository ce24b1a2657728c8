#pragma once
// Builds and keeps the view's modeless windows: the file information, the
// render, scale-bar and rotation tools, the unit panel and one property
// dialog per unit kind, in the order the renderer creates them, each handed
// the view's services and, where it edits them, the renderer's settings. It
// decides which windows follow what the renderer reports, hides and enables
// them for the view, and runs the nested modal dialogs (colour picker, data
// preferences, colour scale).
#include "dialogs/CKxDlgMainControl.h"
#include "render/RenderListener.h"

#include <cstdint>
#include <optional>
#include <vector>

class QWidget;

namespace velmor {

class CKxDlgFileInfo;
class CKxDlgRender;
class CKxDlgRotEx;
class CKxDlgScaleBar;
class CKxDrawUnit;
class CKxDrawUSurfaceR;
class DataObject;
class DrawGroup;
class UnitDialogFrame;
class ViewServices;
struct RenderSettings;
struct SceneHead;

class ToolDialogHost final : public RenderListener {
public:
    // The windows are children of `view` (deleted with it).
    ToolDialogHost(QWidget* view, ViewServices& services, RenderSettings& settings);

    // Once the document whose head the file information shows is known.
    void CreateToolDialogs(SceneHead& head);
    bool Created() const { return fileInfo != nullptr; }

    void HideToolDialogs(bool hideTools);
    void EnableToolDialogs(bool enable);
    void SelectFirstUnit(bool focus);

    // What the renderer reports: the file information and render options
    // follow the scene, the rotation window the active pane, the scale-bar
    // window the scale, the panel the units, and the mesh dialogs' clip
    // controls every frame.
    void SceneInfoChanged(bool shown) override;
    void ActivePaneChanged(bool present) override;
    void ScaleChanged(const std::optional<FrameSize>& frame) override;
    void UnitsChanged(DrawGroup* root, const std::vector<CKxDrawUnit*>& units, bool focus) override;
    void ShownGroupChanged() override { SelectFirstUnit(false); }
    void FrameComposed(bool activeClipOn) override;
    // The scene's units are about to go: no dialog may keep one.
    void ForgetUnits();

    // Menu commands: show the window and bring it to the top.
    void ShowFileInfo();
    void ShowRender();
    void ShowScaleBar();
    void ShowRotation();

    std::optional<uint32_t> PickColour(uint32_t initialColorRef);
    bool RunVoxelDataDialog(DataObject& data);
    bool RunArrayDataDialog(DataObject& data);
    bool RunColorScaleDialog(CKxDrawUSurfaceR& unit);

    CKxDlgFileInfo* fileInfo = nullptr;
    CKxDlgRender* render = nullptr;
    CKxDlgScaleBar* scaleBar = nullptr;
    CKxDlgRotEx* rotation = nullptr;
    CKxDlgMainControl* unitPanel = nullptr;
    UnitPropertyDialogs units;

    // The unit dialogs in creation order.
    std::vector<UnitDialogFrame*> UnitDialogs() const;
    // The four view tools and the unit panel.
    std::vector<QWidget*> ToolWindows() const;

private:
    QWidget* view_;
    ViewServices& services_;
    RenderSettings& settings_;
};

} // namespace velmor
