#include "dialogs/ClipSectionControls.h"

#include "dialogs/DialogBase.h"
#include "dialogs/MeshClipControls.h"
#include "platform/NumberParse.h"
#include "render/RenderSettings.h"
#include "units/CKxDrawUTriangles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>

namespace velmor {

ClipSectionControls::ClipSectionControls(QWidget* owner, const ClipSectionIds& ids)
{
    capGroup = new QGroupBox(QStringLiteral("断面にふたをする"), owner);
    auto* capLayout = new QGridLayout(capGroup);
    capOff = new QCheckBox(QStringLiteral("強制 off"), capGroup);
    capOff->setObjectName(ControlName(ids.capOff));
    capOff->setEnabled(false);
    capLayout->addWidget(capOff, 0, 0, 1, 2);

    translucentGroup = new QGroupBox(QStringLiteral("切断された領域を半透明表示"), owner);
    auto* layout = new QGridLayout(translucentGroup);
    translucentOff = new QCheckBox(QStringLiteral("強制 off"), translucentGroup);
    translucentOff->setObjectName(ControlName(ids.translucentOff));
    translucentOff->setEnabled(false);
    renderingType = new QComboBox(translucentGroup);
    renderingType->setObjectName(ControlName(ids.renderingType));
    renderingType->addItems({QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")});
    opacity = new QLineEdit(translucentGroup);
    opacity->setObjectName(ControlName(ids.opacity));
    opacity->setMaxLength(3);
    opacity->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), opacity));
    opacitySpin = new QSpinBox(translucentGroup);
    opacitySpin->setObjectName(ControlName(ids.opacitySpin));
    opacitySpin->setRange(1, 100);
    opacitySpin->setGroupSeparatorShown(false);
    layout->addWidget(translucentOff, 0, 0, 1, 3);
    layout->addWidget(new QLabel(QStringLiteral("描画方式"), translucentGroup), 1, 0);
    layout->addWidget(renderingType, 1, 1);
    layout->addWidget(new QLabel(QStringLiteral("透明度(%)"), translucentGroup), 2, 0);
    layout->addWidget(opacity, 2, 1);
    layout->addWidget(opacitySpin, 2, 2);

    SelectRenderingType(QStringLiteral("C"));
    opacitySpin->setValue(100);
    opacity->setText(QStringLiteral("100"));
    ShowTranslucentControls(false);
    // The spin sets its buddy's number; typing moves the spin along.
    QObject::connect(opacitySpin, &QSpinBox::valueChanged, opacity, [this](int value) {
        if (opacity->text() != QString::number(value)) opacity->setText(QString::number(value));
    });
    QObject::connect(opacity, &QLineEdit::textChanged, opacitySpin, [this](const QString& text) {
        const int value = ParseLeadingInt32(text.toStdWString());
        if (value >= 1 && value <= 100 && opacitySpin->value() != value) {
            const QSignalBlocker block(opacitySpin);
            opacitySpin->setValue(value);
        }
    });
}

void ClipSectionControls::SetSectionButtons(bool enabled)
{
    if (colorScale != nullptr) colorScale->setEnabled(enabled);
    if (sectionImage != nullptr) sectionImage->setEnabled(enabled);
}

void ClipSectionControls::ShowTranslucentControls(bool enabled)
{
    renderingType->setEnabled(enabled);
    opacity->setEnabled(enabled);
    opacitySpin->setEnabled(enabled);
}

void ClipSectionControls::SelectRenderingType(const QString& type)
{
    // The first item that begins with the text, as a list box selects.
    for (int i = 0; i < renderingType->count(); ++i) {
        if (!type.isEmpty() && renderingType->itemText(i).startsWith(type)) {
            renderingType->setCurrentIndex(i);
            return;
        }
    }
}

void ClipSectionControls::Show(const ClipControlState& state)
{
    capOff->setEnabled(state.capCheckEnabled);
    SetSectionButtons(state.sectionButtonsEnabled);
    if (state.capCheckEnabled) capOff->setChecked(state.capForcedOff);
    translucentOff->setEnabled(state.translucentCheckEnabled);
    ShowTranslucentControls(false);
    if (state.translucentCheckEnabled) translucentOff->setChecked(state.translucentForcedOff);
    if (state.translucentControlsEnabled) {
        renderingType->setEnabled(true);
        SelectRenderingType(QString::fromStdWString(state.renderingType));
        opacity->setEnabled(true);
        opacitySpin->setEnabled(true);
        opacity->setText(QString::number(state.opacityPercent));
    }
}

void ClipSectionControls::Refresh(const CKxDrawUTriangles* unit, bool paneClipOn, const RenderSettings* settings)
{
    if (unit == nullptr || settings == nullptr) {
        Show(ClipControlState{});
        return;
    }
    Show(ComputeClipControls(*unit, paneClipOn, settings->clipCap != 0, settings->transparencyClip != 0));
}

void ClipSectionControls::Connect(QObject* context, std::function<CKxDrawUTriangles*()> unit,
                                  std::function<bool()> ready, std::function<void()> changed)
{
    auto take = [unit, changed](auto step) {
        return [unit, changed, step] {
            if (CKxDrawUTriangles* edited = unit(); edited != nullptr && step(*edited)) changed();
        };
    };
    QObject::connect(capOff, &QCheckBox::clicked, context, take([this](CKxDrawUTriangles& u) {
        TakeCapOff(u);
        return true;
    }));
    QObject::connect(translucentOff, &QCheckBox::clicked, context, take([this](CKxDrawUTriangles& u) {
        TakeTranslucentOff(u);
        return true;
    }));
    QObject::connect(renderingType, &QComboBox::activated, context, take([this](CKxDrawUTriangles& u) {
        TakeRenderingType(u);
        return true;
    }));
    QObject::connect(opacity, &QLineEdit::textChanged, context,
                     take([this, ready](CKxDrawUTriangles& u) { return ready() && TakeOpacity(u); }));
}

void ClipSectionControls::TakeCapOff(CKxDrawUTriangles& unit)
{
    SetSectionButtons(false);
    if (!capOff->isChecked()) {
        unit.innerDraw = true;
        if (unit.capTextured) SetSectionButtons(true);
    } else {
        unit.innerDraw = false;
    }
}

void ClipSectionControls::TakeTranslucentOff(CKxDrawUTriangles& unit)
{
    ShowTranslucentControls(false);
    if (!translucentOff->isChecked()) {
        unit.translucentClip = true;
        renderingType->setEnabled(true);
        SelectRenderingType(QString::fromStdWString(unit.translucentType));
        opacity->setEnabled(true);
        opacitySpin->setEnabled(true);
        opacity->setText(QString::number(OpacityPercent(unit.translucentOpacity)));
    } else {
        unit.translucentClip = false;
    }
}

void ClipSectionControls::TakeRenderingType(CKxDrawUTriangles& unit)
{
    unit.translucentType = renderingType->currentText().toStdWString();
}

bool ClipSectionControls::TakeOpacity(CKxDrawUTriangles& unit)
{
    if (!opacity->isEnabled()) return false;
    unit.translucentOpacity = static_cast<float>(ParseLeadingDouble(opacity->text().toStdWString()) / 100.0);
    return true;
}

} // namespace velmor
