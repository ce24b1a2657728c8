#pragma once
// The property dialog of link boards: size, corner and rotation. A board
// is drawn in the view only while its dialog is open, so showing and hiding
// the dialog switch the board's editing flag. Edits only redraw.
#include "dialogs/UnitPropertyDialog.h"

namespace velmor {

class CKxDrawULinkBoard;

class CKxDlgUnitLinkB : public UnitPropertyDialog {
public:
    CKxDlgUnitLinkB();

    void SetUnit(CKxDrawULinkBoard* unit);
    void HideUnitDialog() override;

protected:
    void BuildControls() override;
    std::vector<ParamRow> Rows() const override;
    RowEditors Editors(int kind) const override;
    void StoreRow(int kind, const QStringList& texts) override;
    void ApplyUnitEdits() override { ApplyRedrawingOnly(); }

private:
    CKxDrawULinkBoard* Unit() const;
};

} // namespace velmor
