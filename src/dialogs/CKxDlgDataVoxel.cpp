#include "dialogs/CKxDlgDataVoxel.h"

#include "dialogs/DialogControls.h"
#include "export/ExportNumberText.h"
#include "platform/MessageSink.h"
#include "platform/NumberParse.h"
#include "scene/DataObject.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>
#include <QVBoxLayout>

namespace velmor {

CKxDlgDataVoxel::CKxDlgDataVoxel(QWidget* parent)
    : DialogBase(parent),
      note_(Numbered(new QLabel(QStringLiteral("1/n読み込み")), kNote)),
      group_(Numbered(new QGroupBox(QStringLiteral("ボクセル情報")), kGroup)),
      size_(Numbered(new QLineEdit, kSize)),
      pitch_{Numbered(new QLineEdit, kPitchX), Numbered(new QLineEdit, kPitchY), Numbered(new QLineEdit, kPitchZ)},
      unit_(Numbered(new QComboBox, kUnit))
{
    setObjectName(QStringLiteral("dlg_286"));
    setWindowTitle(QStringLiteral("　データ設定"));
    size_->setReadOnly(true);
    AddLengthUnits(unit_);

    auto* grid = new QGridLayout(group_);
    grid->addWidget(new QLabel(QStringLiteral("サイズ :")), 0, 0);
    grid->addWidget(size_, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("1ボクセルの大きさ")), 1, 0, 1, 3);
    const QString axes[3] = {QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("z")};
    for (int k = 0; k < 3; ++k) {
        pitch_[k]->setAlignment(Qt::AlignRight);
        grid->addWidget(new QLabel(axes[k]), 2 + k, 1, Qt::AlignRight);
        grid->addWidget(pitch_[k], 2 + k, 2);
    }
    grid->addWidget(new QLabel(QStringLiteral("単位")), 5, 1, Qt::AlignRight);
    grid->addWidget(unit_, 5, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note_);
    layout->addWidget(group_);
    layout->addLayout(OkCancelRow(this, [this] { OnBnClickedOk(); }));
    ResizeInDialogUnits(this, 143, 128);
}

void CKxDlgDataVoxel::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) OnShowWindow();
    DialogBase::showEvent(event);
}

void CKxDlgDataVoxel::OnShowWindow()
{
    if (dataObject == nullptr) return;
    const DataObject& d = *dataObject;
    size_->setText(QStringLiteral("%1 x %2 x %3")
                       .arg(static_cast<qlonglong>(d.sizeX))
                       .arg(static_cast<qlonglong>(d.sizeY))
                       .arg(static_cast<qlonglong>(d.sizeZ)));
    for (int k = 0; k < 3; ++k)
        pitch_[k]->setText(QString::fromStdString(FormatG(static_cast<double>(d.voxelPitch.pitch[k]))));
    SelectLengthUnit(unit_, QString::fromStdWString(d.voxelPitch.unit));
    const int n = d.reductionStep;
    if (n == 1) {
        note_->clear();
        group_->setTitle(QStringLiteral("ボクセル情報"));
    } else {
        note_->setText(QStringLiteral("1/%1 読み込み中").arg(n));
        group_->setTitle(QStringLiteral("ボクセル情報（1/%1 読み込み前）").arg(n));
    }
}

void CKxDlgDataVoxel::OnBnClickedOk()
{
    // A voxel of no size, of negative size or beyond float's range would
    // collapse, mirror or blow up the unit: nothing is written until all
    // three are lengths.
    std::optional<float> typed[3];
    for (int k = 0; k < 3; ++k) {
        typed[k] = ParsePositiveFloat(pitch_[k]->text().toStdWString());
        if (!typed[k]) {
            ShowMessage(L"invalid value.");
            pitch_[k]->setFocus();
            return;
        }
    }
    if (dataObject != nullptr) {
        VoxelPitch& p = dataObject->voxelPitch;
        // With no entry selected (a unit the list does not offer) the unit
        // stays as it was rather than becoming empty.
        if (unit_->currentIndex() >= 0) p.unit = unit_->currentText().toStdWString();
        const auto n = static_cast<float>(dataObject->reductionStep);
        for (int k = 0; k < 3; ++k) {
            if (*typed[k] != p.pitch[k]) {
                p.pitch[k] = *typed[k];
                p.loadedPitch[k] = *typed[k] * n;
            }
        }
    }
    accept();
}

} // namespace velmor
