#pragma once
// The property dialog of a volume-rendering unit: the histogram of its voxel
// values with the displayed value window, brightness and contrast with their
// sliders, Apply recolouring the display volumes, the histogram export and
// the data preference.
#include "dialogs/ThresholdHistogramDialog.h"

class QPushButton;
class QSlider;

namespace velmor {

class CKxDrawUVolumeR;

class CKxDlgUnitVolume final : public ThresholdHistogramDialog {
public:
    enum Control {
        kApply = 1367,
        kMagnification = 1368,
        kBrightness = 1369,
        kContrast = 1370,
        kLowerLimit = 1371,
        kUpperLimit = 1372,
        kExportHistogram = 1373,
        kHistogram = 1374,
        kBrightnessSlider = 1375,
        kContrastSlider = 1376,
        kMaximumLabel = 1377,
        kMinimumLabel = 1378,
        kDataPreference = 1379,
    };

    CKxDlgUnitVolume();

    void Create(QWidget* parent, ViewServices& services);
    void SetUnit(CKxDrawUVolumeR* edited);
    void ShowBrightnessContrast();
    void ShowValueRange();
    void HideUnitDialog() override;

    void OnBnClickedApply();
    void OnBnClickedExportHistogram();
    void OnBnClickedDataPreference();
    void OnBrightnessSlider(int position);
    void OnContrastSlider(int position);
    void OnEnChangeBrightness();
    void OnEnChangeContrast();

    // The edited unit; null before the first SetUnit and after ForgetUnit.
    CKxDrawUVolumeR* Unit() const;

protected:
    const DataObject* HistogramData() const override;

private:
    QLineEdit* brightness_;
    QLineEdit* contrast_;
    QSlider* brightnessSlider_;
    QSlider* contrastSlider_;
    QPushButton* apply_;
};

} // namespace velmor
