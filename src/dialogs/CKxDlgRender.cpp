#include "dialogs/CKxDlgRender.h"

#include "dialogs/DialogControls.h"
#include "render/RenderSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

namespace velmor {

namespace {

QComboBox* List(int id, const QStringList& entries)
{
    auto* combo = Numbered(new QComboBox, id);
    combo->addItems(entries);
    return combo;
}

// The combo's select-by-text lookup: the first entry that begins with the
// label, ignoring case, so the empty label picks the first entry. An index
// without a label (a stored value the lists do not know) selects nothing.
void SelectLabel(QComboBox* combo, const QStringList& labels, uint32_t index)
{
    if (index >= static_cast<uint32_t>(labels.size())) {
        combo->setCurrentIndex(-1);
        return;
    }
    for (int i = 0; i < combo->count(); ++i) {
        if (combo->itemText(i).startsWith(labels[static_cast<int>(index)], Qt::CaseInsensitive)) {
            combo->setCurrentIndex(i);
            return;
        }
    }
    combo->setCurrentIndex(-1);
}

// A list showing nothing leaves its stored value as it was, so an unknown
// value read from a scene survives a change of another control.
template <typename Field>
void StoreLabelIndex(QComboBox* combo, const QStringList& labels, Field& field)
{
    if (combo->currentIndex() < 0) return;
    const int index = CKxDlgRender::FindLabelIndex(labels, combo->currentText());
    if (index >= 0) field = static_cast<Field>(index);
}

} // namespace

CKxDlgRender::CKxDlgRender(QWidget* parent) : ViewToolDialog(parent) {}

int CKxDlgRender::FindLabelIndex(const QStringList& labels, const QString& text)
{
    return static_cast<int>(labels.indexOf(text));
}

void CKxDlgRender::Create(ViewServices& v, RenderSettings* s)
{
    services = &v;
    settings = s;
    rangeLabels = {QString(), QStringLiteral("小"), QStringLiteral("中"), QStringLiteral("大")};
    cutEdgeLabels = {QStringLiteral("なし"), QStringLiteral("小"), QStringLiteral("大")};
    projectionLabels = {QStringLiteral("正投影"), QStringLiteral("透視投影")};
    lightLabels = {QStringLiteral("右上"), QStringLiteral("左上"), QStringLiteral("右下"), QStringLiteral("左下")};
    homeAnimationLabels.clear();
    for (int i = 0; i <= 50; ++i) homeAnimationLabels << QString();
    homeAnimationLabels[0] = QStringLiteral("なし");
    homeAnimationLabels[8] = QStringLiteral("高速");
    homeAnimationLabels[20] = QStringLiteral("中速");
    homeAnimationLabels[50] = QStringLiteral("低速");

    setWindowTitle(QStringLiteral("  描画設定"));
    cut_ = Numbered(new QCheckBox(QStringLiteral("回転中心より奥と手前を表示しない")), kNearFarCut);
    range_ = List(kNearFarRange, {QStringLiteral("小"), QStringLiteral("中"), QStringLiteral("大")});
    cap_ = Numbered(new QCheckBox(QStringLiteral("断面にふたをする")), kClipCap);
    shadow_ = Numbered(new QCheckBox(QStringLiteral("影を表示")), kShadow);
    fog_ = Numbered(new QCheckBox(QStringLiteral("デプスキュー（フォグ）有効")), kFog);
    clipped_ = Numbered(new QCheckBox(QStringLiteral("切断された領域を半透明表示")), kClippedTranslucent);
    cutEdge_ = List(kCutEdge, {QStringLiteral("なし"), QStringLiteral("小"), QStringLiteral("大")});
    projection_ = List(kProjection, {QStringLiteral("透視投影"), QStringLiteral("正投影")});
    light_ = List(kLightPosition, lightLabels);
    home_ = List(kHomeAnimation, {QStringLiteral("なし"), QStringLiteral("高速"), QStringLiteral("中速"), QStringLiteral("低速")});

    auto* grid = new QGridLayout(this);
    grid->addWidget(cut_, 0, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("適用範囲")), 1, 0);
    grid->addWidget(range_, 1, 1);
    grid->addWidget(cap_, 2, 0, 1, 2);
    grid->addWidget(shadow_, 3, 0, 1, 2);
    grid->addWidget(fog_, 4, 0, 1, 2);
    grid->addWidget(clipped_, 5, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("オブジェクト連動時に上下左右をカット")), 6, 0);
    grid->addWidget(cutEdge_, 6, 1);
    grid->addWidget(new QLabel(QStringLiteral("投影法")), 7, 0);
    grid->addWidget(projection_, 7, 1);
    grid->addWidget(new QLabel(QStringLiteral("光源の位置")), 8, 0);
    grid->addWidget(light_, 8, 1);
    grid->addWidget(new QLabel(QStringLiteral("ホームボタンアニメーション")), 9, 0);
    grid->addWidget(home_, 9, 1);

    // Only user changes apply: a refresh from the settings must not write back.
    for (QComboBox* combo : {home_, cutEdge_, light_, range_, projection_})
        connect(combo, qOverload<int>(&QComboBox::activated), this, [this] { ApplyToSettings(); });
    for (QCheckBox* check : {clipped_, fog_, shadow_})
        connect(check, &QCheckBox::clicked, this, [this] { ApplyToSettings(); });
    connect(cap_, &QCheckBox::clicked, this, [this] {
        UpdateShadowCheck();
        ApplyToSettings();
    });
    connect(cut_, &QCheckBox::clicked, this, [this] {
        UpdateCutControls();
        UpdateShadowCheck();
        ApplyToSettings();
    });
}

void CKxDlgRender::UpdateFromSettings(bool enable)
{
    if (settings == nullptr) return;
    if (enable) {
        if (settings->shadow > 0) settings->shadow = 1;
        cut_->setChecked(settings->nearFarRestrict != 0);
        UpdateCutControls();
        UpdateShadowCheck();
        fog_->setChecked(settings->fog != 0);
        clipped_->setChecked(settings->transparencyClip != 0);
        SelectLabel(cutEdge_, cutEdgeLabels, settings->squareRestrict);
        SelectLabel(projection_, projectionLabels, settings->projection);
        SelectLabel(light_, lightLabels, settings->lightPosition);
        SelectLabel(home_, homeAnimationLabels, static_cast<uint32_t>(Services().HomeAnimationSteps()));
    } else {
        range_->setEnabled(false);
        cap_->setEnabled(false);
        shadow_->setEnabled(false);
    }
    for (QWidget* control : std::initializer_list<QWidget*>{cut_, fog_, clipped_, cutEdge_, projection_, light_, home_})
        control->setEnabled(enable);
}

void CKxDlgRender::UpdateCutControls()
{
    if (!cut_->isChecked()) {
        range_->setEnabled(false);
        SelectLabel(range_, rangeLabels, 2);
        cap_->setEnabled(true);
        cap_->setChecked(settings != nullptr && settings->clipCap != 0);
    } else {
        range_->setEnabled(true);
        SelectLabel(range_, rangeLabels, settings != nullptr ? settings->nearFarRestrict : 0);
        cap_->setEnabled(false);
        cap_->setChecked(false);
    }
}

void CKxDlgRender::UpdateShadowCheck()
{
    const bool capped = cap_->isChecked();
    shadow_->setEnabled(capped);
    shadow_->setChecked(capped && settings != nullptr && settings->shadow != 0);
}

void CKxDlgRender::ApplyToSettings()
{
    if (settings == nullptr) return;
    if (!cut_->isChecked())
        settings->nearFarRestrict = 0;
    else
        StoreLabelIndex(range_, rangeLabels, settings->nearFarRestrict);
    settings->clipCap = cap_->isChecked() ? 1 : 0;
    settings->shadow = shadow_->isChecked() ? 1 : 0;
    settings->fog = fog_->isChecked() ? 1 : 0;
    settings->transparencyClip = clipped_->isChecked() ? 1 : 0;
    StoreLabelIndex(cutEdge_, cutEdgeLabels, settings->squareRestrict);
    StoreLabelIndex(projection_, projectionLabels, settings->projection);
    StoreLabelIndex(light_, lightLabels, settings->lightPosition);
    Services().ApplyLightPosition();
    int32_t steps = Services().HomeAnimationSteps();
    StoreLabelIndex(home_, homeAnimationLabels, steps);
    Services().SetHomeAnimationSteps(steps);
    Services().RefreshScaleBarDialog();
    Services().RefreshUnitPanel(false);
    Services().RedrawIfIdle();
}

} // namespace velmor
