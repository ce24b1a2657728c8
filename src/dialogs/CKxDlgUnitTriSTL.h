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

    CKxDlgUnitTriSTL();
    ~CKxDlgUnitTriSTL() override;

    void Create(QWidget* parent, ViewServices& services, RenderSettings* settings);
    void SetUnit(CKxDrawUTriangles* edited);
    // The clip controls follow the unit and the active pane's clip switch,
    // asked of the view as the dialog opens and reported after each frame.
    void UpdateClipControls() { UpdateClipControls(Services().CurrentPaneClipOn()); }
    void UpdateClipControls(bool activeClipOn);
    void HideUnitDialog() override;

    void OnBnClickedDataPreference();

    uint8_t refreshReady = 0;
    RenderSettings* renderSettings = nullptr;
    // The edited unit; null before the first SetUnit and after ForgetUnit.
    CKxDrawUTriangles* Unit() const;
    DataObject* data = nullptr;

protected:
    // The controls are built with the object.
    void BuildControls() override {}

private:
    std::unique_ptr<ClipSectionControls> clip_;
};

} // namespace velmor
