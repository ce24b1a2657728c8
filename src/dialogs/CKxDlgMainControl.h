#pragma once
// The unit panel: a modeless tool window listing every unit of the active
// space, with show/hide, name, rendering type and colour of the current unit
// written straight into the units, and the commands that open a unit's
// property dialog and start the voxel and polygon exports.
//
// The view is reached only through its ViewServices; before Create hands
// them over, NoViewServices answers (view mode 1, no active space), so the
// panel works before the view and tests can record every call.
#include "dialogs/DialogBase.h"
#include "render/ViewServices.h"
#include "units/CKxDrawUnit.h"

#include <QColor>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace velmor {

class CKxDrawUnit;
class ColorLabel;
class DrawGroup;
class CKxDlgUnitSurface;
class CKxDlgUnitVolume;
class CKxDlgUnitTriSTL;
class CKxDlgUnitPrim;
class CKxDlgUnitText;
class CKxDlgUnitImage;
class CKxDlgUnitLinkB;
class CKxDlgUnitConnector;
class CKxDlgUnitTopoMap;
class CKxDlgUnitScatGraph;

// The property dialogs the view owns, one per unit kind; a missing one
// makes Unit Preference do nothing for that kind.
struct UnitPropertyDialogs {
    CKxDlgUnitSurface* surface = nullptr;
    CKxDlgUnitVolume* volume = nullptr;
    CKxDlgUnitTriSTL* triStl = nullptr;
    CKxDlgUnitPrim* primitive = nullptr;
    CKxDlgUnitText* text = nullptr;
    CKxDlgUnitImage* image = nullptr;
    CKxDlgUnitLinkB* linkBoard = nullptr;
    CKxDlgUnitConnector* connector = nullptr;
    CKxDlgUnitTopoMap* topoMap = nullptr;
    CKxDlgUnitScatGraph* scatterGraph = nullptr;
};

// The type label of a unit kind; empty for the kinds the panel does not name.
std::wstring UnitTypeLabel(UnitKind kind);
// The colour shown for a unit that is not a volume unit: each ambient
// component x 255 / 0.3, at most 255 (not a number gives 255), truncated.
QColor UnitDisplayColour(const CKxDrawUnit& unit);

class CKxDlgMainControl final : public DialogBase {
public:
    enum Control {
        kShowAll = 1089, kHideAll = 1088, kReducedLabel = 1111, kUnitList = 1105, kName = 1100,
        kRenderingType = 1108, kColour = 1091, kBack = 1112, kColourGroup = 1092, kSave = 1109,
        kLoad = 1096, kUnitPreference = 1107, kExportGroup = 1095, kVoxel = 1115, kPolygon = 1104,
    };

    CKxDlgMainControl();
    // Keeps the view's services and builds the hidden panel over `parent`.
    void Create(QWidget* parent, ViewServices& services, UnitPropertyDialogs dialogs = {});

    void SetUnits(DrawGroup* group, const std::vector<CKxDrawUnit*>* units, bool focusList);
    void SelectFirstUnit(bool focusList);
    void DisablePanel();
    void SaveVisibility();
    void RestoreVisibility();

    const std::vector<CKxDrawUnit*>& Units() const { return units_; }
    int CurrentIndex() const { return currentIndex_; }
    QColor SwatchColour() const { return swatchColor_; }

    void OnBnClickedShowAll();
    void OnBnClickedHideAll();
    void OnNMClickUnitList(int row);
    void OnStnClickedColor();
    void OnBnClickedBack();
    void OnBnClickedSave();
    void OnBnClickedLoad();
    void OnBnClickedUnitPreference();
    void OnBnClickedVoxel();
    void OnBnClickedPolygon();

protected:
    void OnEscape() override {}
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void RefreshUnitEditor();
    void ClearUnitEditor();
    void ClearUnitEditorIfEnabled();
    void DisableMaterialButtons();
    void SetAllHidden(bool hidden);
    void OnItemChanged(QTreeWidgetItem* item, int column);
    void OnListSelectionChanged();
    void OnEnChangeName(const QString& text);
    void OnCbnSelchangeRenderingType(int index);
    void SelectRow(int row, bool focus);
    void PaintColourCell(int row);
    // Each non-volume unit gets `change`; mesh units then rebuild their
    // part materials.
    template <typename Change>
    void ForPlainUnits(Change change);
    void RefreshAfterMaterialButton();
    void PaintSwatch();
    ViewMode Mode() const { return Services().GetViewMode(); }
    void RenderNow() const { Services().RenderNow(); }
    UnitKind KindOf(int row) const;
    bool IsVolume(int row) const;
    // Hands the unit to the dialog of its kind; false when none takes it.
    bool OpenUnitDialog(CKxDrawUnit* unit);

    ViewServices* services_ = nullptr;
    ViewServices& Services() const { return ServicesOrNone(services_); }
    UnitPropertyDialogs dialogs_;
    DrawGroup* shownGroup_ = nullptr;
    std::vector<CKxDrawUnit*> units_;
    bool listReady_ = false;
    bool updatingList_ = false;
    int currentIndex_ = -1;
    QColor swatchColor_;

    QPushButton* showAll_ = nullptr;
    QPushButton* hideAll_ = nullptr;
    ColorLabel* reduced_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QLineEdit* name_ = nullptr;
    QComboBox* renderingType_ = nullptr;
    QLabel* swatch_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* load_ = nullptr;
    QPushButton* unitPreference_ = nullptr;
    QGroupBox* exportGroup_ = nullptr;
    QPushButton* voxel_ = nullptr;
    QPushButton* polygon_ = nullptr;
};

} // namespace velmor
