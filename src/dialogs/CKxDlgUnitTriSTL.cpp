#include "dialogs/CKxDlgUnitTriSTL.h"

#include "dialogs/MeshClipControls.h"
#include "render/RenderSettings.h"
#include "scene/DataObject.h"
#include "units/CKxDrawUTriangles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

namespace velmor {

CKxDlgUnitTriSTL::CKxDlgUnitTriSTL()
{
    setWindowTitle(QStringLiteral("ユニット設定"));
    clip_ = std::make_unique<ClipSectionControls>(
        this, ClipSectionIds{kClipCoverOff, kTranslucentOff, kRenderingType, kOpacity, kOpacitySpin});
    // The cap group keeps its colour-scale and section-image buttons hidden
    // and without handlers.
    auto* capLayout = static_cast<QGridLayout*>(clip_->capGroup->layout());
    int column = 0;
    for (const auto& [id, text] : {std::pair{kColorScale, "カラースケール設定"}, std::pair{kSectionImage, "断面の保存"}}) {
        auto* button = new QPushButton(QString::fromUtf8(text), clip_->capGroup);
        button->setObjectName(ControlName(id));
        button->setEnabled(false);
        button->hide();
        capLayout->addWidget(button, 1, column++);
    }
    auto* dataPreference = new QPushButton(QStringLiteral("データ設定"), this);
    dataPreference->setObjectName(ControlName(kDataPreference));
    dataPreference->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(clip_->capGroup, 0, 0);
    grid->addWidget(clip_->translucentGroup, 1, 0);
    grid->addWidget(dataPreference, 2, 0, Qt::AlignRight);

    connect(dataPreference, &QPushButton::clicked, this, [this] { OnBnClickedDataPreference(); });
    clip_->Connect(
        this, [this] { return Unit(); }, [this] { return refreshReady != 0; }, [this] { RenderNow(); });
}

CKxDlgUnitTriSTL::~CKxDlgUnitTriSTL() = default;

void CKxDlgUnitTriSTL::Create(QWidget* parent, ViewServices& services, RenderSettings* settings)
{
    renderSettings = settings;
    refreshReady = 0;
    UnitDialogFrame::Create(parent, services);
}

CKxDrawUTriangles* CKxDlgUnitTriSTL::Unit() const { return static_cast<CKxDrawUTriangles*>(EditedUnit()); }

void CKxDlgUnitTriSTL::SetUnit(CKxDrawUTriangles* edited)
{
    BindUnit(edited);
    const UnitKind kind = Unit() != nullptr ? Unit()->Kind() : UnitKind::kPlain;
    if (kind == UnitKind::kTriIndex || kind == UnitKind::kStl || kind == UnitKind::kPointCloud) data = Unit()->data;
    UpdateClipControls();
    refreshReady = 1;
    show();
    RenderNow();
}

void CKxDlgUnitTriSTL::UpdateClipControls(bool activeClipOn)
{
    refreshReady = 0;
    clip_->Refresh(Unit(), activeClipOn, renderSettings);
    refreshReady = 1;
}

void CKxDlgUnitTriSTL::HideUnitDialog()
{
    refreshReady = 0;
    UnitDialogFrame::HideUnitDialog();
    RenderNow();
}

void CKxDlgUnitTriSTL::OnBnClickedDataPreference()
{
    if (Unit() == nullptr || data == nullptr) return;
    NestedDialog nested(*this);
    if (!Services().RunArrayDataDialog(*data)) return;
    if (Unit()->capTextured) Unit()->capTextureDirty = true;
    const CoordinateScale& scale = data->coordinateScale;
    Unit()->SetPitch(scale.scale[0], scale.scale[1], scale.scale[2], scale.unit);
    RefreshCurrentPane();
    Services().RefreshScaleBarDialog();
    RenderNow();
    nested.Accepted();
}

} // namespace velmor
