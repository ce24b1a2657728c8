#pragma once
// The property dialog of an iso-surface unit: the histogram of its voxel
// values with the two thresholds, Apply rebuilding the surface (the previous
// one comes back when the rebuild fails), the cut-section controls, the data
// preference, the colour scale of the cap, the section-image save and the
// histogram export.
#include "dialogs/ClipSectionControls.h"
#include "dialogs/ThresholdHistogramDialog.h"

#include <memory>

class QPushButton;

namespace velmor {

class CKxDrawUSurfaceR;
struct RenderSettings;

class CKxDlgUnitSurface final : public ThresholdHistogramDialog {
public:
    enum Control {
        kApply = 1235,
        kColorScale = 1236,
        kMagnification = 1237,
        kRenderingType = 1238,
        kLowerLimit = 1239,
        kUpperLimit = 1240,
        kCopyPolygon = 1241,
        kExportHistogram = 1242,
        kHistogram = 1243,
        kSectionImage = 1244,
        kMaximumLabel = 1245,
        kMinimumLabel = 1246,
        kClipCoverOff = 1247,
        kOpacity = 1248,
        kTranslucentOff = 1249,
        kOpacitySpin = 1250,
        kDataPreference = 1251,
    };

    CKxDlgUnitSurface();
    ~CKxDlgUnitSurface() override;

    void Create(QWidget* parent, ViewServices& services, RenderSettings* settings);
    void SetUnit(CKxDrawUSurfaceR* edited);
    // The clip controls follow the unit and the active pane's clip switch,
    // asked of the view as the dialog opens and reported after each frame.
    void UpdateClipControls() { UpdateClipControls(Services().CurrentPaneClipOn()); }
    void UpdateClipControls(bool activeClipOn);
    void ShowValueRange();
    bool RebuildSurface();
    void HideUnitDialog() override;

    void OnBnClickedApply();
    void OnBnClickedExportHistogram();
    void OnBnClickedColorScalePreference();
    void OnBnClickedSaveSectionImage();
    void OnBnClickedDataPreference();

    RenderSettings* renderSettings = nullptr;
    // The edited unit; null before the first SetUnit and after ForgetUnit.
    CKxDrawUSurfaceR* Unit() const;

protected:
    const DataObject* HistogramData() const override;

private:
    std::unique_ptr<ClipSectionControls> clip_;
    QPushButton* apply_;
};

} // namespace velmor
