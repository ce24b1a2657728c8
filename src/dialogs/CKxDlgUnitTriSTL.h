#pragma once
// The property dialog of a triangle-index or STL mesh unit: the cut-section
// controls and the data preference of its coordinate data.
#include "dialogs/ClipSectionControls.h"
#include "dialogs/UnitDialogFrame.h"

#include <memory>

namespace velmor {

class CKxDrawUTriangles;
class DataObject;
struct RenderSettings;

class CKxDlgUnitTriSTL final : public UnitDialogFrame {
public:
    enum Control {
        kColorScale = 1261,
        kRenderingType = 1262,
        kSectionImage = 1263,
        kClipCoverOff = 1264,
        kOpacity = 1265,
        kTranslucentOff = 1266,
        kOpacitySpin = 1267,
        kDataPreference = 1268,
    };

    explicit CKxDlgUnitTriSTL(QWidget* parent = nullptr);
    ~CKxDlgUnitTriSTL() override;

    void Create(CVelmorView* owner, RenderSettings* settings);
    void SetUnit(CKxDrawUTriangles* edited);
    void UpdateClipControls();
    void HideUnitDialog() override;

    void OnBnClickedDataPreference();

    RenderSettings* renderSettings = nullptr;
    CKxDrawUTriangles* unit = nullptr;
    DataObject* data = nullptr;

private:
    std::unique_ptr<ClipSectionControls> clip_;
};

} // namespace velmor
