#include "app/CKxDlgApplication.h"

#include "app/Profile.h"
#include "dialogs/DialogControls.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace velmor {
namespace {

// One "When the voxel data exceed [edit] MB, scale down ..." line.
void AddScaleRow(QGridLayout* grid, int row, QCheckBox* check, QLineEdit* edit, const QString& tail)
{
    grid->addWidget(check, row, 0);
    grid->addWidget(edit, row, 1);
    grid->addWidget(new QLabel(tail), row, 2);
}

} // namespace

CKxDlgApplication::CKxDlgApplication(QWidget* parent)
    : DialogBase(parent),
      halfUse_(Numbered(new QCheckBox(QStringLiteral("When the voxel data exceed")), kHalfUse)),
      halfSize_(Numbered(new QLineEdit, kHalfSize)),
      quarterUse_(Numbered(new QCheckBox(QStringLiteral("When the voxel data exceed")), kQuarterUse)),
      quarterSize_(Numbered(new QLineEdit, kQuarterSize)),
      noVbo_(Numbered(new QCheckBox(QStringLiteral("Turn off VBO (Vertex Buffer Object)")), kNoVbo))
{
    setObjectName(QStringLiteral("dlg_204"));
    setWindowTitle(QStringLiteral("Application Preference"));

    auto* scaleGroup = new QGroupBox(QStringLiteral("scale down in data reading"));
    auto* grid = new QGridLayout(scaleGroup);
    AddScaleRow(grid, 0, halfUse_, halfSize_, QStringLiteral("MB, scale down all three axes to 1/2"));
    AddScaleRow(grid, 1, quarterUse_, quarterSize_, QStringLiteral("MB, scale down all three axes to 1/4"));
    // Sizes in megabytes: room for a few terabytes shown whole.
    for (QLineEdit* size : {halfSize_, quarterSize_}) WideEnoughFor(size, QStringLiteral("0000000"));

    auto* glGroup = new QGroupBox(QStringLiteral("Open GL"));
    (new QVBoxLayout(glGroup))->addWidget(noVbo_);

    auto* ok = Numbered(new QPushButton(QStringLiteral("OK")), kOk);
    auto* cancel = Numbered(new QPushButton(QStringLiteral("Cancel")), kCancel);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scaleGroup);
    layout->addWidget(glGroup);
    layout->addWidget(new QLabel(QStringLiteral("Please reopen this file to apply new preference.")));
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, [this] { OnBnClickedOk(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CKxDlgApplication::LoadApplicationSettings(bool vboAvailable)
{
    const auto profile = OpenProfile();
    SetApplicationSettings(ReadApplicationSettings(GroupLookup(profile.get(), kApplicationGroup), vboAvailable));
}

void CKxDlgApplication::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) OnShowWindow();
    DialogBase::showEvent(event);
}

void CKxDlgApplication::OnShowWindow()
{
    const auto profile = OpenProfile();
    const ApplicationPreferenceForm form = ReadPreferenceForm(GroupLookup(profile.get(), kApplicationGroup));
    halfUse_->setChecked(form.half);
    halfSize_->setText(QString::fromStdWString(form.halfSize));
    quarterUse_->setChecked(form.quarter);
    quarterSize_->setText(QString::fromStdWString(form.quarterSize));
    noVbo_->setChecked(form.noVbo);
}

void CKxDlgApplication::OnBnClickedOk()
{
    ApplicationPreferenceForm form;
    form.half = halfUse_->isChecked();
    form.halfSize = halfSize_->text().toStdWString();
    form.quarter = quarterUse_->isChecked();
    form.quarterSize = quarterSize_->text().toStdWString();
    form.noVbo = noVbo_->isChecked();
    const auto profile = OpenProfile();
    WriteProfileEntries(profile.get(), kApplicationGroup, PreferenceFormEntries(form));
    accept();
}

} // namespace velmor
