#pragma once
// The property dialog of connectors: shape, line width or radius, and the
// moving and fixed points. Edits only redraw; the unit is not reloaded.
#include "dialogs/UnitPropertyDialog.h"

namespace velmor {

class CKxDrawUConnector;

class CKxDlgUnitConnector : public UnitPropertyDialog {
public:
    static constexpr int kShape = 1278;

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
