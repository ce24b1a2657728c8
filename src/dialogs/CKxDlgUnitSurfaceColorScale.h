#pragma once
// The modal colour-scale window of a voxel-surface unit: the table ("GRAY",
// "RGB" or "RGB2") and the value range that colour the cap of its cut
// section.
#include "dialogs/DialogBase.h"

#include <QColor>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

class QLineEdit;
class QRadioButton;

namespace velmor {

class CKxDrawUSurfaceR;

// One band of a preview gradient, from `top` (inclusive) to `bottom`, its
// colour running from `first` to `last`.
struct GradientBand {
    int top, bottom;
    QColor first, last;
};

// The bands of a table's preview over the rows top..bottom.
std::vector<GradientBand> ColorScaleBands(const std::wstring& table, int top, int bottom);

class CKxDlgUnitSurfaceColorScale : public DialogBase {
public:
    enum Control {
        kAutoSet = 1252,
        kGray = 1253,
        kMaximum = 1254,
        kMinimum = 1255,
        kGrayPreview = 1256,
        kRgbPreview = 1257,
        kRgb2Preview = 1258,
        kRgb = 1259,
        kRgb2 = 1260,
    };

    explicit CKxDlgUnitSurfaceColorScale(QWidget* parent = nullptr);

    // Filled by the caller before exec(); read back after an accepted end.
    CKxDrawUSurfaceR* unit = nullptr;
    std::wstring colorTable;
    int32_t minimum = 0, maximum = 0;
    std::string dataType = "UC";

    void OnBnClickedOk();
    void OnBnClickedAutoSet();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QRadioButton* radios_[3] = {};
    QLineEdit* minimumEdit_ = nullptr;
    QLineEdit* maximumEdit_ = nullptr;
};

// The surface dialog's colour-scale command: runs the window over the
// unit's current table and range and writes a changed choice into the unit
// (marking its cap colours for recolouring). True unless cancelled.
bool RunColorScaleDialog(CKxDrawUSurfaceR& unit);

} // namespace velmor
