#include "app/ToolDialogHost.h"

#include "dialogs/CKxDlgDataArray.h"
#include "dialogs/CKxDlgDataVoxel.h"
#include "dialogs/CKxDlgFileInfo.h"
#include "dialogs/CKxDlgRender.h"
#include "dialogs/CKxDlgRotEx.h"
#include "dialogs/CKxDlgScaleBar.h"
#include "dialogs/CKxDlgUnitConnector.h"
#include "dialogs/CKxDlgUnitImage.h"
#include "dialogs/CKxDlgUnitLinkB.h"
#include "dialogs/CKxDlgUnitPrim.h"
#include "dialogs/CKxDlgUnitScatGraph.h"
#include "dialogs/CKxDlgUnitSurface.h"
#include "dialogs/CKxDlgUnitSurfaceColorScale.h"
#include "dialogs/CKxDlgUnitText.h"
#include "dialogs/CKxDlgUnitTopoMap.h"
#include "dialogs/CKxDlgUnitTriSTL.h"
#include "dialogs/CKxDlgUnitVolume.h"
#include "render/RenderSettings.h"
#include "render/ViewServices.h"

#include <QColorDialog>
#include <QWidget>

namespace velmor {

ToolDialogHost::ToolDialogHost(QWidget* view, ViewServices& services, RenderSettings& settings)
    : view_(view), services_(services), settings_(settings)
{
}

void ToolDialogHost::CreateToolDialogs(SceneHead& head)
{
    if (Created()) return;
    // The progress window comes first in this order; the application makes
    // it together with its job host.
    fileInfo = new CKxDlgFileInfo;
    fileInfo->services = &services_;
    fileInfo->Create(view_, &head);
    fileInfo->BuildFileInfoText(false);
    render = new CKxDlgRender(view_);
    render->Create(services_, &settings_);
    scaleBar = new CKxDlgScaleBar(view_);
    scaleBar->Create(services_, &settings_);
    rotation = new CKxDlgRotEx(view_);
    rotation->Create(services_);
    unitPanel = new CKxDlgMainControl;
    UnitPropertyDialogs& u = units;
    u.surface = new CKxDlgUnitSurface;
    u.volume = new CKxDlgUnitVolume;
    u.triStl = new CKxDlgUnitTriSTL;
    u.primitive = new CKxDlgUnitPrim;
    u.text = new CKxDlgUnitText;
    u.image = new CKxDlgUnitImage;
    u.linkBoard = new CKxDlgUnitLinkB;
    u.connector = new CKxDlgUnitConnector;
    u.topoMap = new CKxDlgUnitTopoMap;
    u.scatterGraph = new CKxDlgUnitScatGraph;
    // The panel keeps the unit dialogs it opens: they are all constructed
    // before it is created, and created over the view after it.
    // Titled first: a window made without a title carries the program's bare
    // name, which is the main window's until a scene is open.
    unitPanel->setWindowTitle(QStringLiteral("ユニット"));
    unitPanel->Create(view_, services_, units);
    u.surface->Create(view_, services_, &settings_);
    u.volume->Create(view_, services_);
    u.triStl->Create(view_, services_, &settings_);
    for (UnitDialogFrame* dialog : std::initializer_list<UnitDialogFrame*>{u.primitive, u.text, u.image, u.linkBoard,
                                                                          u.connector, u.topoMap, u.scatterGraph})
        dialog->Create(view_, services_);
    unitPanel->show();
}

std::vector<UnitDialogFrame*> ToolDialogHost::UnitDialogs() const
{
    if (!Created()) return {};
    const UnitPropertyDialogs& u = units;
    return {u.surface, u.volume, u.triStl, u.primitive, u.text, u.image, u.linkBoard, u.connector, u.topoMap,
            u.scatterGraph};
}

std::vector<QWidget*> ToolDialogHost::ToolWindows() const
{
    if (!Created()) return {};
    return {fileInfo, render, scaleBar, rotation, unitPanel};
}

void ToolDialogHost::HideToolDialogs(bool hideTools)
{
    if (hideTools)
        for (QWidget* window : ToolWindows()) window->hide();
    // Only an open dialog goes back: hiding a hidden one would switch the
    // view to normal mode under a dialog that is just being opened.
    for (UnitDialogFrame* dialog : UnitDialogs())
        if (dialog->isVisible()) dialog->HideUnitDialog();
}

void ToolDialogHost::EnableToolDialogs(bool enable)
{
    for (QWidget* window : ToolWindows()) window->setEnabled(enable);
    for (UnitDialogFrame* dialog : UnitDialogs()) dialog->setEnabled(enable);
}

void ToolDialogHost::SceneInfoChanged(bool shown)
{
    if (!Created()) return;
    fileInfo->BuildFileInfoText(shown);
    render->UpdateFromSettings(shown);
}

void ToolDialogHost::UnitsChanged(DrawGroup* root, const std::vector<CKxDrawUnit*>& units, bool focus)
{
    if (unitPanel != nullptr) unitPanel->SetUnits(root, &units, focus);
}

void ToolDialogHost::SelectFirstUnit(bool focus)
{
    if (unitPanel != nullptr) unitPanel->SelectFirstUnit(focus);
}

void ToolDialogHost::ScaleChanged(const std::optional<FrameSize>& frame)
{
    if (scaleBar != nullptr) scaleBar->UpdateFromSettings(frame);
}

void ToolDialogHost::ActivePaneChanged(bool present)
{
    if (rotation != nullptr) rotation->EnableRotateButtons(present);
}

void ToolDialogHost::FrameComposed(bool activeClipOn)
{
    if (units.surface != nullptr && units.surface->isVisible())
        units.surface->UpdateClipControls(activeClipOn);
    else if (units.triStl != nullptr && units.triStl->isVisible())
        units.triStl->UpdateClipControls(activeClipOn);
}

void ToolDialogHost::ForgetUnits()
{
    for (UnitDialogFrame* dialog : UnitDialogs()) dialog->ForgetUnit();
    if (unitPanel != nullptr) unitPanel->SetUnits(nullptr, nullptr, false);
}

namespace {

void ShowOnTop(QWidget* window)
{
    if (window == nullptr) return;
    window->showNormal();
    window->raise();
    window->activateWindow();
}

} // namespace

void ToolDialogHost::ShowFileInfo() { ShowOnTop(fileInfo); }
void ToolDialogHost::ShowRender() { ShowOnTop(render); }
void ToolDialogHost::ShowScaleBar() { ShowOnTop(scaleBar); }
void ToolDialogHost::ShowRotation() { ShowOnTop(rotation); }

std::optional<uint32_t> ToolDialogHost::PickColour(uint32_t initial)
{
    const QColor start(initial & 0xFF, (initial >> 8) & 0xFF, (initial >> 16) & 0xFF);
    const QColor chosen = QColorDialog::getColor(start, view_ != nullptr ? view_->window() : nullptr);
    if (!chosen.isValid()) return std::nullopt;
    return uint32_t(chosen.red()) | uint32_t(chosen.green()) << 8 | uint32_t(chosen.blue()) << 16;
}

bool ToolDialogHost::RunVoxelDataDialog(DataObject& data)
{
    CKxDlgDataVoxel dialog(view_ != nullptr ? view_->window() : nullptr);
    dialog.dataObject = &data;
    return dialog.exec() == QDialog::Accepted;
}

bool ToolDialogHost::RunArrayDataDialog(DataObject& data)
{
    CKxDlgDataArray dialog(view_ != nullptr ? view_->window() : nullptr);
    dialog.dataObject = &data;
    return dialog.exec() == QDialog::Accepted;
}

bool ToolDialogHost::RunColorScaleDialog(CKxDrawUSurfaceR& unit) { return velmor::RunColorScaleDialog(unit); }

} // namespace velmor
