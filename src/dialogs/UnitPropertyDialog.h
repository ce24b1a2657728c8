#pragma once
// The list-grid shape that most unit dialogs share: a two-column list of
// the unit's editable properties, up to four captioned edits below it that
// show the selected row's values, and "リストに反映" which writes the typed
// values into the unit, refills the list and applies the edit. The dialog
// keeps no copy of the unit's fields: everything shown is read from the unit.
#include "dialogs/UnitDialogFrame.h"

#include <QString>
#include <QStringList>

#include <array>
#include <initializer_list>
#include <string>
#include <vector>

class QBoxLayout;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace velmor {

class UnitPropertyDialog : public UnitDialogFrame {
public:
    // The numbers of the grid's controls, which each dialog names in its
    // Control enum (kList, kNameCaption, kCaptionN, kEditN, kApplyToList);
    // unused slots are 0.
    struct GridIds {
        int list = 0;
        int nameCaption = 0;
        std::array<int, 4> captions{};
        std::array<int, 4> edits{};
        int applyToList = 0;
    };

    // One row of the list: its kind (kept as the row's data), label and the
    // value column's text.
    struct ParamRow {
        int kind = 0;
        QString label;
        QString value;
    };

    // What the editors show for a row kind; a caption of "" stays empty.
    struct RowEditors {
        QString name;
        int count = 1;
        std::array<QString, 4> captions;
        std::array<QString, 4> values;
    };

    int SelectedRow() const { return selectedRow_; }

    // Lenient reading of a typed number: leading blanks skipped, the longest
    // number prefix read, no number gives 0; floats stay finite.
    static float ReadFloat(const QString& text);
    static int32_t ReadInt(const QString& text);
    // printf "%g" and "%d" whatever the locale.
    static QString G(double value);
    static QString D(int32_t value);
    // Stores angle and axis; an angle of exactly 0 sets the axis to (1, 0, 0),
    // any other angle normalises the axis.
    static void StoreRotation(float rot[4], const QStringList& texts);
    // Opacity rows keep the diffuse alpha within 0..1.
    static float ClampOpacity(float value);
    // Stores the first `count` texts as floats.
    static void StoreFloats(float* out, int count, const QStringList& texts);
    // Values joined by `separator`, each "%g" (or "%d").
    static QString JoinG(std::initializer_list<double> values, const QString& separator);
    static QString JoinD(std::initializer_list<int32_t> values, const QString& separator);

    // Editor layouts that several dialogs share.
    static RowEditors SingleValue(const QString& name, const QString& value);
    // Captions "x", "y" (and "z") over the first `count` values of `p`.
    static RowEditors Coordinates(const QString& name, const float* p, int count);
    // "角度", "x", "y", "z" over angle and axis.
    static RowEditors Rotation(const float rot[4]);
    // The row of a rotation: "回転" with "%g,%g,%g,%g".
    static ParamRow RotationRow(int kind, const float rot[4]);

protected:
    explicit UnitPropertyDialog(GridIds ids);

    // Titles the dialog and gives the area for its own controls, above the
    // list; BuildPropertyGrid then adds the list and the editors below.
    QGridLayout* BeginControls();
    void BuildPropertyGrid();

    virtual std::vector<ParamRow> Rows() const = 0;
    virtual RowEditors Editors(int kind) const = 0;
    // Stores the texts of the kind's edits into the unit.
    virtual void StoreRow(int kind, const QStringList& texts) = 0;
    // Rebuilding or redrawing only, as the unit kind needs.
    virtual void ApplyUnitEdits() = 0;

    void FillParamList();
    void ShowParamEditors();
    // After the rows changed: refill, no row selected, empty editors.
    void ResetRows();
    // The common end of SetUnit: list, no selection, editors, shown.
    void ShowForUnit(CKxDrawUnit* unit);

    // Own controls above the list, on `grid`, numbered and connected by the
    // dialog.
    QComboBox* AddCombo(QGridLayout* grid, int row, const QString& caption, int id, const QStringList& items);
    QCheckBox* AddCheck(QGridLayout* grid, int row, int column, const QString& text, int id);
    // Selects the first item that begins with `text`, ignoring case; no
    // match leaves the selection as it was.
    static void SelectStartingWith(QComboBox* combo, const std::wstring& text);
    // A combo choice stored into a string of the unit: the rows may change,
    // so they are refilled unselected, then the edit is applied.
    void StoreChosenText(QComboBox* combo, std::wstring& field);

    void OnLvnItemchangedParamList(int row);
    void OnBnClickedApplyToList();

private:
    GridIds ids_;
    QBoxLayout* layout_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QLabel* nameCaption_ = nullptr;
    std::array<QLabel*, 4> captions_{};
    std::array<QLineEdit*, 4> edits_{};
    QPushButton* applyToList_ = nullptr;
    int selectedRow_ = -1;
};

} // namespace velmor
