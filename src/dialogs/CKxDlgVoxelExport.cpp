#include "dialogs/CKxDlgVoxelExport.h"

#include "dialogs/DialogControls.h"
#include "platform/NumberParse.h"
#include "render/RenderSettings.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace velmor {
namespace {

constexpr int64_t kSignedShift = 32768;

int64_t TypedValue(const QLineEdit* edit) { return ParseLeadingInt32(edit->text().toStdWString()); }

} // namespace

CKxDlgVoxelExport::CKxDlgVoxelExport(QWidget* parent, VoxelExportSettings* settings)
    : DialogBase(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      values_{Numbered(new QLineEdit, kCurrent1), Numbered(new QLineEdit, kExport1), Numbered(new QLineEdit, kCurrent2),
              Numbered(new QLineEdit, kExport2)},
      downTo8Bit_(Numbered(new QCheckBox(QStringLiteral("8bit 画像に変換")), kDownTo8Bit)),
      reverse_(Numbered(new QCheckBox(QStringLiteral("画像の出力順を逆にする")), kReverse)),
      settings_(settings != nullptr ? settings : &CurrentRenderSettings().voxelExport)
{
    setObjectName(QStringLiteral("dlg_282"));
    setWindowTitle(QStringLiteral("  ボクセル出力設定"));
    setWindowModality(Qt::ApplicationModal);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("現在")), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("出力")), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("対応画素値 1")), 1, 0);
    grid->addWidget(values_[0], 1, 1);
    grid->addWidget(values_[1], 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("対応画素値 2")), 2, 0);
    grid->addWidget(values_[2], 2, 1);
    grid->addWidget(values_[3], 2, 2);

    auto* ok = Numbered(new QPushButton(QStringLiteral("OK")), kOk);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(downTo8Bit_);
    layout->addWidget(reverse_);
    layout->addWidget(ok, 0, Qt::AlignRight);

    connect(ok, &QPushButton::clicked, this, [this] { OnBnClickedOk(); });
}

void CKxDlgVoxelExport::SetDataInfo(uint32_t bytesPerVoxel, bool isSigned, bool reverseOffered)
{
    bytesPerVoxel_ = bytesPerVoxel;
    isSigned_ = isSigned;
    reverseOffered_ = reverseOffered;
}

void CKxDlgVoxelExport::SetMapValue(int index, int64_t value)
{
    // The export reads the points back as signed 32-bit numbers, so a
    // negative typed value keeps its meaning through the wrap-around.
    settings_->colorControlPoints[index] = static_cast<uint32_t>(value + (isSigned_ ? kSignedShift : 0));
}

int64_t CKxDlgVoxelExport::GetMapValue(int index) const
{
    const auto stored = static_cast<int32_t>(settings_->colorControlPoints[index]);
    return stored - (isSigned_ ? kSignedShift : 0);
}

void CKxDlgVoxelExport::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) OnShowWindow();
    DialogBase::showEvent(event);
}

void CKxDlgVoxelExport::OnShowWindow()
{
    for (int i = 0; i < 4; ++i) values_[i]->setText(QString::number(GetMapValue(i)));
    const bool wide = bytesPerVoxel_ == 2;
    downTo8Bit_->setEnabled(wide);
    if (!wide) downTo8Bit_->setChecked(false);
    reverse_->setEnabled(reverseOffered_);
    reverse_->setChecked(reverseOffered_);
}

void CKxDlgVoxelExport::OnBnClickedOk()
{
    settings_->downTo8Bit = downTo8Bit_->isChecked() ? 1 : 0;
    settings_->reverseZ = reverse_->isChecked() ? 1 : 0;
    if (settings_->downTo8Bit) {
        // The export values are 8-bit output values: they take no shift.
        SetMapValue(0, TypedValue(values_[0]));
        SetMapValue(2, TypedValue(values_[2]));
        settings_->colorControlPoints[1] = static_cast<uint32_t>(TypedValue(values_[1]));
        settings_->colorControlPoints[3] = static_cast<uint32_t>(TypedValue(values_[3]));
    } else {
        for (int i = 0; i < 4; ++i) SetMapValue(i, TypedValue(values_[i]));
    }
    accept();
}

} // namespace velmor
