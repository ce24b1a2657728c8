#pragma once
// The property dialog of connectors: shape, line width or radius, and the
// moving and fixed points. Edits only redraw; the unit is not reloaded.
#include "dialogs/UnitPropertyDialog.h"

namespace velmor {

class CKxDrawUConnector;

class CKxDlgUnitConnector : public UnitPropertyDialog {
public:
    enum Control {
        kApplyToList = 1269,
        kList = 1270,
        kEdit1 = 1271,
        kCaption1 = 1272,
        kEdit2 = 1273,
        kCaption2 = 1274,
        kEdit3 = 1275,
        kCaption3 = 1276,
        kNameCaption = 1277,
        kShape = 1278,
    };

    CKxDlgUnitConnector();

    void SetUnit(CKxDrawUConnector* unit);
    void OnCbnSelchangeShape();

protected:
    void BuildControls() override;
    std::vector<ParamRow> Rows() const override;
    RowEditors Editors(int kind) const override;
    void StoreRow(int kind, const QStringList& texts) override;
    void ApplyUnitEdits() override { ApplyRedrawingOnly(); }

private:
    CKxDrawUConnector* Unit() const;

    QComboBox* shape_ = nullptr;
};

} // namespace velmor
