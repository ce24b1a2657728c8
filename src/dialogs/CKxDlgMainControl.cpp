#include "dialogs/CKxDlgMainControl.h"

#include "app/ColorLabel.h"
#include "dialogs/CKxDlgUnitConnector.h"
#include "dialogs/CKxDlgUnitImage.h"
#include "dialogs/CKxDlgUnitLinkB.h"
#include "dialogs/CKxDlgUnitPrim.h"
#include "dialogs/CKxDlgUnitScatGraph.h"
#include "dialogs/CKxDlgUnitSurface.h"
#include "dialogs/CKxDlgUnitText.h"
#include "dialogs/CKxDlgUnitTopoMap.h"
#include "dialogs/CKxDlgUnitTriSTL.h"
#include "dialogs/CKxDlgUnitVolume.h"
#include "dialogs/UnitListDelegate.h"
#include "export/ExportJob.h"
#include "processing/MaterialPresets.h"
#include "scene/DataObject.h"
#include "units/CKxDrawUConnector.h"
#include "units/CKxDrawUImage.h"
#include "units/CKxDrawULinkBoard.h"
#include "units/CKxDrawUPrimitive.h"
#include "units/CKxDrawUScatterGraph.h"
#include "units/CKxDrawUSurfaceR.h"
#include "units/CKxDrawUText.h"
#include "units/CKxDrawUTopoMap.h"
#include "units/CKxDrawUVolumeR.h"
#include "units/DrawGroup.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cmath>
#include <cstdint>

namespace velmor {

namespace {

QString Q(const std::wstring& text) { return QString::fromStdWString(text); }

bool IsRenderingTypeClass(UnitKind kind) { return IsMeshKind(kind) || kind == UnitKind::kVolume; }

bool IsMeshClass(UnitKind kind) { return TakesMaterialPresets(kind); }

std::wstring* RenderingTypeOf(CKxDrawUnit& unit, UnitKind kind)
{
    if (kind == UnitKind::kVolume) return &static_cast<CKxDrawUVolumeR&>(unit).renderingType;
    if (IsMeshClass(kind)) return &static_cast<CKxDrawUTriangles&>(unit).renderingType;
    return nullptr;
}

const DataObject* VolumeDataOf(CKxDrawUnit& unit, UnitKind kind)
{
    if (kind == UnitKind::kVolume) return static_cast<CKxDrawUVolumeR&>(unit).volumeData;
    if (kind == UnitKind::kSurface) return static_cast<CKxDrawUSurfaceR&>(unit).data;
    return nullptr;
}

int ColourByte(float ambient)
{
    const double v = static_cast<double>(ambient) * 255.0 / 0.3;
    if (!(v <= 255.0)) return 255;
    // A negative ambient would otherwise wrap; the low byte of its truncation
    // is what a colour reference keeps.
    return static_cast<int>(static_cast<int64_t>(v) & 0xFF);
}

void RebuildPresets(CKxDrawUnit& unit, UnitKind kind)
{
    if (!IsMeshClass(kind)) return;
    auto& mesh = static_cast<CKxDrawUTriangles&>(unit);
    SetMaterialPresets(mesh.partMaterials, mesh.colorSchemeMode, mesh.material, 1, std::wstring());
}

QColor ButtonFace() { return QColor(240, 240, 240); }

// The list's first and last columns: shown or hidden, and the unit's colour.
constexpr int kShownColumn = 0;
constexpr int kColourColumn = 4;

uint32_t ColorRefOf(const QColor& c) { return uint32_t(c.red()) | uint32_t(c.green()) << 8 | uint32_t(c.blue()) << 16; }
QColor ColourOf(uint32_t colorRef) { return QColor(colorRef & 0xFF, (colorRef >> 8) & 0xFF, (colorRef >> 16) & 0xFF); }

} // namespace

std::wstring UnitTypeLabel(UnitKind unitKind)
{
    static const std::pair<UnitKind, const wchar_t*> labels[] = {
        {UnitKind::kPrimitive, L"プリミティブ"}, {UnitKind::kText, L"テキスト"},
        {UnitKind::kImage, L"画像"},            {UnitKind::kLinkBoard, L"リンク領域"},
        {UnitKind::kConnector, L"コネクター"},  {UnitKind::kTriIndex, L"サーフェイス"},
        {UnitKind::kPointCloud, L"点群"},       {UnitKind::kStl, L"STL"},
        {UnitKind::kSurface, L"ボクセルサーフェイス"}, {UnitKind::kVolume, L"ボクセル"},
        {UnitKind::kTopoMap, L"地形"},          {UnitKind::kScatterGraph, L"散布図"},
    };
    for (const auto& [kind, label] : labels)
        if (unitKind == kind) return label;
    return {};
}

QColor UnitDisplayColour(const CKxDrawUnit& unit)
{
    const float* a = unit.material.ambient;
    return QColor(ColourByte(a[0]), ColourByte(a[1]), ColourByte(a[2]));
}

CKxDlgMainControl::CKxDlgMainControl() : DialogBase(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {}

void CKxDlgMainControl::Create(QWidget* parent, ViewServices& services, UnitPropertyDialogs dialogs)
{
    services_ = &services;
    dialogs_ = dialogs;
    listReady_ = false;
    currentIndex_ = -1;
    updatingList_ = false;
    setParent(parent, windowFlags());
    BuildControls();
    hide();
}

void CKxDlgMainControl::BuildControls()
{
    auto button = [this](const QString& text, int id) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(ControlName(id));
        b->setAutoDefault(false);
        return b;
    };
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    showAll_ = button(QStringLiteral("全表示"), kShowAll);
    hideAll_ = button(QStringLiteral("全非表示"), kHideAll);
    reduced_ = new ColorLabel(this);
    reduced_->setObjectName(ControlName(kReducedLabel));
    reduced_->Init();
    reduced_->setAlignment(Qt::AlignCenter);
    reduced_->backgroundColour = ButtonFace();
    reduced_->UpdateBrush();
    reduced_->setText(QString());
    top->addWidget(showAll_);
    top->addWidget(hideAll_);
    top->addWidget(reduced_, 1);
    layout->addLayout(top);

    list_ = new QTreeWidget(this);
    list_->setObjectName(ControlName(kUnitList));
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setHeaderLabels({QStringLiteral("表示"), QStringLiteral("名前"), QStringLiteral("種別"),
                            QStringLiteral("描画方式"), QStringLiteral("色")});
    const int w = 546;
    const double fractions[] = {0.0975, 0.3625, 0.2625, 0.1725, 0.0975};
    for (int c = 0; c < 5; ++c) list_->setColumnWidth(c, static_cast<int>(fractions[c] * w));
    list_->setMinimumWidth(w);
    list_->setItemDelegate(new UnitListDelegate(kShownColumn, kColourColumn, list_));
    list_->viewport()->installEventFilter(this);
    layout->addWidget(list_);

    auto* editor = new QGridLayout;
    editor->addWidget(new QLabel(QStringLiteral("名前"), this), 0, 0);
    name_ = new QLineEdit(this);
    name_->setObjectName(ControlName(kName));
    editor->addWidget(name_, 0, 1, 1, 4);
    auto* typeCaption = new QLabel(QStringLiteral("描画方式"), this);
    typeCaption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    editor->addWidget(typeCaption, 1, 0);
    renderingType_ = new QComboBox(this);
    renderingType_->setObjectName(ControlName(kRenderingType));
    editor->addWidget(renderingType_, 1, 1);
    auto* colourCaption = new QLabel(QStringLiteral("色"), this);
    colourCaption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    editor->addWidget(colourCaption, 1, 2);
    swatch_ = new QLabel(this);
    swatch_->setObjectName(ControlName(kColour));
    swatch_->setFrameStyle(QFrame::Box);
    swatch_->setAutoFillBackground(true);
    swatch_->setMinimumSize(27, 21);
    swatch_->installEventFilter(this);
    editor->addWidget(swatch_, 1, 3);
    back_ = button(QStringLiteral("戻る"), kBack);
    editor->addWidget(back_, 1, 4);

    auto* colourGroup = new QGroupBox(QStringLiteral("全ユニットの色"), this);
    colourGroup->setObjectName(ControlName(kColourGroup));
    auto* colourRow = new QHBoxLayout(colourGroup);
    save_ = button(QStringLiteral("一時保存"), kSave);
    load_ = button(QStringLiteral("ロード"), kLoad);
    colourRow->addWidget(save_);
    colourRow->addWidget(load_);
    editor->addWidget(colourGroup, 0, 5, 2, 1);
    layout->addLayout(editor);

    auto* bottom = new QHBoxLayout;
    unitPreference_ = button(QStringLiteral("ユニット設定"), kUnitPreference);
    bottom->addWidget(unitPreference_);
    exportGroup_ = new QGroupBox(QStringLiteral("ファイル出力"), this);
    exportGroup_->setObjectName(ControlName(kExportGroup));
    auto* exportRow = new QHBoxLayout(exportGroup_);
    voxel_ = button(QStringLiteral("ボクセル出力"), kVoxel);
    polygon_ = button(QStringLiteral("ポリゴン出力"), kPolygon);
    // The box stays enabled: a disabled box would disable its buttons, which
    // follow their own enabling rules.
    exportRow->addWidget(voxel_);
    exportRow->addWidget(polygon_);
    bottom->addWidget(exportGroup_);
    layout->addLayout(bottom);

    connect(showAll_, &QPushButton::clicked, this, [this] { OnBnClickedShowAll(); });
    connect(hideAll_, &QPushButton::clicked, this, [this] { OnBnClickedHideAll(); });
    connect(list_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item, int) { OnNMClickUnitList(list_->indexOfTopLevelItem(item)); });
    // The highlighted row is the chosen unit, whether a click or the arrow
    // keys moved it.
    connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] { OnListSelectionChanged(); });
    connect(list_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) { OnItemChanged(item, column); });
    connect(name_, &QLineEdit::textChanged, this, [this](const QString& text) { OnEnChangeName(text); });
    connect(renderingType_, &QComboBox::activated, this, [this](int index) { OnCbnSelchangeRenderingType(index); });
    connect(back_, &QPushButton::clicked, this, [this] { OnBnClickedBack(); });
    connect(save_, &QPushButton::clicked, this, [this] { OnBnClickedSave(); });
    connect(load_, &QPushButton::clicked, this, [this] { OnBnClickedLoad(); });
    connect(unitPreference_, &QPushButton::clicked, this, [this] { OnBnClickedUnitPreference(); });
    connect(voxel_, &QPushButton::clicked, this, [this] { OnBnClickedVoxel(); });
    connect(polygon_, &QPushButton::clicked, this, [this] { OnBnClickedPolygon(); });

    swatchColor_ = ButtonFace();
    PaintSwatch();
    ClearUnitEditor();
    DisableMaterialButtons();
}

UnitKind CKxDlgMainControl::KindOf(int row) const
{
    if (row >= 0 && row < static_cast<int>(units_.size())) return units_[row]->Kind();
    return UnitKind::kPlain;
}

bool CKxDlgMainControl::IsVolume(int row) const { return KindOf(row) == UnitKind::kVolume; }

void CKxDlgMainControl::SetUnits(DrawGroup* group, const std::vector<CKxDrawUnit*>* units, bool focusList)
{
    shownGroup_ = group;
    listReady_ = false;
    {
        const bool was = updatingList_;
        updatingList_ = true;
        list_->clear();
        updatingList_ = was;
    }
    if (units == nullptr || units->empty()) {
        units_.clear();
        currentIndex_ = -1;
        DisablePanel();
        return;
    }
    const bool normal = Mode() == ViewMode::kNormal;
    if (normal) {
        showAll_->setEnabled(true);
        hideAll_->setEnabled(true);
        list_->setEnabled(true);
    }
    DisableMaterialButtons();
    units_ = *units;
    bool firstPlain = true;
    for (int i = 0; i < static_cast<int>(units_.size()); ++i) {
        CKxDrawUnit* unit = units_[i];
        const UnitKind kind = KindOf(i);
        updatingList_ = true;
        auto* item = new QTreeWidgetItem;
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, unit->hidden ? Qt::Unchecked : Qt::Checked);
        item->setText(1, Q(unit->note));
        const std::wstring* type = IsRenderingTypeClass(kind) ? RenderingTypeOf(*unit, kind) : nullptr;
        item->setText(3, type != nullptr ? Q(*type) : QString());
        item->setText(2, Q(UnitTypeLabel(kind)));
        list_->addTopLevelItem(item);
        updatingList_ = false;
        PaintColourCell(i);
        if (kind != UnitKind::kVolume && firstPlain) {
            firstPlain = false;
            if (normal) {
                save_->setEnabled(true);
                back_->setEnabled(unit->colorChanged);
                load_->setEnabled(unit->hasTempSave);
            }
        }
    }
    listReady_ = true;
    if (normal && currentIndex_ != -1) {
        const int rows = static_cast<int>(units_.size());
        if (currentIndex_ >= rows) currentIndex_ = rows - 1;
        OnNMClickUnitList(currentIndex_);
        SelectRow(currentIndex_, focusList);
    }
    RefreshUnitEditor();
}

void CKxDlgMainControl::PaintColourCell(int row)
{
    QTreeWidgetItem* item = list_->topLevelItem(row);
    if (item == nullptr || IsVolume(row)) return;
    const bool was = updatingList_;
    updatingList_ = true;
    item->setBackground(kColourColumn, UnitDisplayColour(*units_[row]));
    item->setForeground(kColourColumn, QColor(255, 255, 255));
    updatingList_ = was;
}

void CKxDlgMainControl::SelectRow(int row, bool focus)
{
    if (QTreeWidgetItem* item = list_->topLevelItem(row)) list_->setCurrentItem(item);
    if (focus) list_->setFocus();
}

void CKxDlgMainControl::SelectFirstUnit(bool focusList)
{
    if (units_.empty()) return;
    currentIndex_ = 0;
    OnNMClickUnitList(0);
    SelectRow(0, focusList);
}

void CKxDlgMainControl::DisablePanel()
{
    showAll_->setEnabled(false);
    hideAll_->setEnabled(false);
    list_->setEnabled(false);
    ClearUnitEditorIfEnabled();
    DisableMaterialButtons();
    ClearUnitEditor();
    reduced_->setText(QString());
}

void CKxDlgMainControl::SaveVisibility()
{
    for (CKxDrawUnit* unit : units_) unit->savedHidden = unit->hidden;
}

void CKxDlgMainControl::RestoreVisibility()
{
    for (CKxDrawUnit* unit : units_) unit->hidden = unit->savedHidden;
}

void CKxDlgMainControl::ClearUnitEditor()
{
    name_->setEnabled(false);
    renderingType_->setEnabled(false);
    swatch_->setEnabled(false);
    unitPreference_->setEnabled(false);
    voxel_->setEnabled(false);
    polygon_->setEnabled(false);
    name_->clear();
    renderingType_->setCurrentIndex(0);
    swatchColor_ = ButtonFace();
    PaintSwatch();
}

void CKxDlgMainControl::ClearUnitEditorIfEnabled()
{
    if (name_->isEnabled()) ClearUnitEditor();
}

void CKxDlgMainControl::DisableMaterialButtons()
{
    save_->setEnabled(false);
    back_->setEnabled(false);
    load_->setEnabled(false);
}

void CKxDlgMainControl::PaintSwatch()
{
    QPalette palette = swatch_->palette();
    palette.setColor(QPalette::Window, swatchColor_);
    swatch_->setPalette(palette);
    swatch_->update();
}

void CKxDlgMainControl::RefreshUnitEditor()
{
    ClearUnitEditor();
    reduced_->setText(QString());
    const ViewMode mode = Mode();
    if (mode == ViewMode::kNoScene || mode == ViewMode::kFullScreen) return;
    int n = 1;
    for (int i = 0; i < static_cast<int>(units_.size()); ++i) {
        const DataObject* data = VolumeDataOf(*units_[i], KindOf(i));
        if (data != nullptr && data->reductionStep != 1) n = data->reductionStep;
    }
    if (n != 1) {
        reduced_->SetTextColour(QColor(255, 0, 0));
        reduced_->setText(QStringLiteral("1/%1 読み込み中").arg(n));
    }
    if (mode == ViewMode::kUnitEditing || currentIndex_ < 0 || currentIndex_ >= static_cast<int>(units_.size())) return;
    CKxDrawUnit* unit = units_[currentIndex_];
    if (unit->hidden) return;
    const UnitKind kind = KindOf(currentIndex_);
    QTreeWidgetItem* item = list_->topLevelItem(currentIndex_);
    name_->setText(item->text(1));
    name_->setEnabled(true);
    const bool volume = kind == UnitKind::kVolume;
    swatch_->setEnabled(!volume);
    swatchColor_ = volume ? QColor(255, 255, 255) : UnitDisplayColour(*unit);
    PaintSwatch();
    renderingType_->clear();
    if (IsRenderingTypeClass(kind)) {
        renderingType_->setEnabled(true);
        renderingType_->addItems(volume ? QStringList{"A", "B"} : QStringList{"A", "B", "C", "D", "E"});
        renderingType_->setCurrentIndex(renderingType_->findText(item->text(3)));
    }
    unitPreference_->setEnabled(true);
    voxel_->setEnabled(volume || kind == UnitKind::kSurface);
    polygon_->setEnabled(IsMeshKind(kind));
}

void CKxDlgMainControl::SetAllHidden(bool hidden)
{
    updatingList_ = true;
    for (int i = 0; i < static_cast<int>(units_.size()); ++i) {
        if (QTreeWidgetItem* item = list_->topLevelItem(i)) item->setCheckState(0, hidden ? Qt::Unchecked : Qt::Checked);
        units_[i]->hidden = hidden;
    }
    updatingList_ = false;
    RefreshUnitEditor();
    RenderNow();
}

void CKxDlgMainControl::OnBnClickedShowAll() { SetAllHidden(false); }
void CKxDlgMainControl::OnBnClickedHideAll() { SetAllHidden(true); }

void CKxDlgMainControl::OnNMClickUnitList(int row)
{
    if (row >= 0 && row < static_cast<int>(units_.size())) {
        currentIndex_ = row;
        RefreshUnitEditor();
        return;
    }
    SelectRow(currentIndex_, true);
}

void CKxDlgMainControl::OnListSelectionChanged()
{
    if (!listReady_ || updatingList_) return;
    const QList<QTreeWidgetItem*> chosen = list_->selectedItems();
    const int row = chosen.isEmpty() ? -1 : list_->indexOfTopLevelItem(chosen.first());
    if (row >= 0 && row != currentIndex_) OnNMClickUnitList(row);
}

void CKxDlgMainControl::OnItemChanged(QTreeWidgetItem* item, int column)
{
    if (!listReady_ || updatingList_ || column != 0) return;
    const int row = list_->indexOfTopLevelItem(item);
    if (row < 0 || row >= static_cast<int>(units_.size())) return;
    CKxDrawUnit* unit = units_[row];
    const bool checked = item->checkState(0) == Qt::Checked;
    if (checked == !unit->hidden) return;
    unit->hidden = !checked;
    RenderNow();
    currentIndex_ = row;
    RefreshUnitEditor();
    SelectRow(row, true);
}

void CKxDlgMainControl::OnEnChangeName(const QString& text)
{
    if (!name_->isEnabled() || currentIndex_ < 0 || currentIndex_ >= static_cast<int>(units_.size())) return;
    const bool was = updatingList_;
    updatingList_ = true;
    list_->topLevelItem(currentIndex_)->setText(1, text);
    updatingList_ = was;
    units_[currentIndex_]->note = text.toStdWString();
}

void CKxDlgMainControl::OnCbnSelchangeRenderingType(int index)
{
    if (!renderingType_->isEnabled() || currentIndex_ < 0 || currentIndex_ >= static_cast<int>(units_.size())) return;
    static const wchar_t* letters[] = {L"A", L"B", L"C", L"D", L"E"};
    const std::wstring letter = index >= 0 && index < 5 ? letters[index] : L"";
    const bool was = updatingList_;
    updatingList_ = true;
    list_->topLevelItem(currentIndex_)->setText(3, Q(letter));
    updatingList_ = was;
    const UnitKind kind = KindOf(currentIndex_);
    if (IsRenderingTypeClass(kind)) *RenderingTypeOf(*units_[currentIndex_], kind) = letter;
    SelectRow(currentIndex_, true);
    RefreshUnitEditor();
    RenderNow();
}

void CKxDlgMainControl::OnStnClickedColor()
{
    if (currentIndex_ < 0 || currentIndex_ >= static_cast<int>(units_.size())) {
        ClearUnitEditorIfEnabled();
        return;
    }
    const std::optional<uint32_t> picked = Services().PickColour(ColorRefOf(swatchColor_));
    if (!picked) return;
    const std::optional<QColor> chosen = ColourOf(*picked);
    if (chosen->rgb() == swatchColor_.rgb()) return;
    swatchColor_ = *chosen;
    PaintSwatch();
    for (CKxDrawUnit* unit : units_) unit->undoMaterial = unit->material;
    CKxDrawUnit* current = units_[currentIndex_];
    Material& m = current->material;
    const int bytes[3] = {chosen->red(), chosen->green(), chosen->blue()};
    for (int i = 0; i < 3; ++i) {
        m.ambient[i] = static_cast<float>(bytes[i] / 255.0 * 0.3);
        m.diffuse[i] = static_cast<float>(bytes[i] / 255.0 * 0.7);
    }
    m.ambient[3] = 1.0f;
    m.diffuse[3] = 1.0f;
    const UnitKind kind = KindOf(currentIndex_);
    RebuildPresets(*current, kind);
    PaintColourCell(currentIndex_);
    back_->setEnabled(true);
    current->colorChanged = true;
    RenderNow();
}

template <typename Change>
void CKxDlgMainControl::ForPlainUnits(Change change)
{
    for (int i = 0; i < static_cast<int>(units_.size()); ++i) {
        const UnitKind kind = KindOf(i);
        if (kind == UnitKind::kVolume) continue;
        change(*units_[i]);
        RebuildPresets(*units_[i], kind);
    }
}

void CKxDlgMainControl::RefreshAfterMaterialButton()
{
    back_->setEnabled(false);
    Services().RefreshUnitPanel(false);
    RenderNow();
}

void CKxDlgMainControl::OnBnClickedBack()
{
    ForPlainUnits([](CKxDrawUnit& unit) {
        unit.material = unit.undoMaterial;
        unit.colorChanged = false;
    });
    RefreshAfterMaterialButton();
}

void CKxDlgMainControl::OnBnClickedLoad()
{
    ForPlainUnits([](CKxDrawUnit& unit) {
        unit.material = unit.tempMaterial;
        unit.hasTempSave = false;
        unit.colorChanged = false;
    });
    RefreshAfterMaterialButton();
}

void CKxDlgMainControl::OnBnClickedSave()
{
    if (units_.empty()) return;
    for (int i = 0; i < static_cast<int>(units_.size()); ++i) {
        if (IsVolume(i)) continue;
        units_[i]->tempMaterial = units_[i]->material;
        units_[i]->hasTempSave = true;
    }
    load_->setEnabled(true);
    RenderNow();
}

bool CKxDlgMainControl::OpenUnitDialog(CKxDrawUnit* unit)
{
    const UnitKind kind = unit->Kind();
    QWidget* shown = nullptr;
    auto hand = [&shown](auto* dialog, auto* typed) {
        if (dialog == nullptr) return;
        dialog->SetUnit(typed);
        shown = dialog;
    };
    if (kind == UnitKind::kSurface) hand(dialogs_.surface, static_cast<CKxDrawUSurfaceR*>(unit));
    else if (kind == UnitKind::kVolume) hand(dialogs_.volume, static_cast<CKxDrawUVolumeR*>(unit));
    // The mesh dialog takes point clouds too, so that their Unit Preference
    // does not leave the view in unit editing with no dialog to close.
    else if (kind == UnitKind::kTriIndex || kind == UnitKind::kStl || kind == UnitKind::kPointCloud)
        hand(dialogs_.triStl, static_cast<CKxDrawUTriangles*>(unit));
    else if (kind == UnitKind::kPrimitive) hand(dialogs_.primitive, static_cast<CKxDrawUPrimitive*>(unit));
    else if (kind == UnitKind::kText) hand(dialogs_.text, static_cast<CKxDrawUText*>(unit));
    else if (kind == UnitKind::kImage) hand(dialogs_.image, static_cast<CKxDrawUImage*>(unit));
    else if (kind == UnitKind::kLinkBoard) hand(dialogs_.linkBoard, static_cast<CKxDrawULinkBoard*>(unit));
    else if (kind == UnitKind::kConnector) hand(dialogs_.connector, static_cast<CKxDrawUConnector*>(unit));
    else if (kind == UnitKind::kTopoMap) hand(dialogs_.topoMap, static_cast<CKxDrawUTopoMap*>(unit));
    else if (kind == UnitKind::kScatterGraph) hand(dialogs_.scatterGraph, static_cast<CKxDrawUScatterGraph*>(unit));
    if (shown == nullptr) return false;
    shown->raise();
    return true;
}

static bool UnitHasPropertyDialog(UnitKind kind)
{
    return !UnitTypeLabel(kind).empty();
}

void CKxDlgMainControl::OnBnClickedUnitPreference()
{
    if (currentIndex_ < 0 || currentIndex_ >= static_cast<int>(units_.size())) {
        ClearUnitEditorIfEnabled();
        return;
    }
    CKxDrawUnit* unit = units_[currentIndex_];
    if (!UnitHasPropertyDialog(KindOf(currentIndex_))) return;
    Services().SetViewMode(ViewMode::kUnitEditing);
    SaveVisibility();
    unit->hidden = false;
    OpenUnitDialog(unit);
}

void CKxDlgMainControl::OnBnClickedVoxel()
{
    if (currentIndex_ < 0 || currentIndex_ >= static_cast<int>(units_.size())) return;
    DrawGroup* root = Services().ActiveRootGroup();
    if (root == nullptr) return;
    const UnitKind kind = KindOf(currentIndex_);
    CKxDrawUnit* found = nullptr;
    const VoxelGrid* grid = nullptr;
    if (kind == UnitKind::kSurface) {
        root->FindSurfaceUnit(found);
        if (found != nullptr) grid = &static_cast<CKxDrawUSurfaceR*>(found)->voxels;
    } else if (kind == UnitKind::kVolume) {
        root->FindVolumeUnit(found);
        if (found != nullptr) grid = &static_cast<CKxDrawUVolumeR*>(found)->voxels;
    }
    if (found == nullptr) return;
    Services().LockControls();
    {
        ExportJob job(grid, L"");
        if (kind == UnitKind::kSurface) job.ExportVoxels(found, nullptr);
        else job.ExportVoxels(nullptr, found);
    }
    Services().UnlockControls(true);
}

void CKxDlgMainControl::OnBnClickedPolygon()
{
    DrawGroup* root = Services().ActiveRootGroup();
    if (root == nullptr) return;
    std::vector<CKxDrawUnit*> meshes;
    root->CollectMeshUnits(meshes);
    if (meshes.empty()) return;
    ExportJob job(nullptr, L"");
    job.ExportPolygons(meshes);
}

void CKxDlgMainControl::closeEvent(QCloseEvent* event)
{
    event->ignore();
    Services().RedrawIfIdle();
}

void CKxDlgMainControl::moveEvent(QMoveEvent* event)
{
    DialogBase::moveEvent(event);
    Services().RedrawIfIdle();
}

bool CKxDlgMainControl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == swatch_ && event->type() == QEvent::MouseButtonRelease && swatch_->isEnabled()) {
        OnStnClickedColor();
        return true;
    }
    if (watched == list_->viewport() && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (list_->itemAt(mouse->position().toPoint()) == nullptr) OnNMClickUnitList(-1);
    }
    return DialogBase::eventFilter(watched, event);
}

} // namespace velmor
