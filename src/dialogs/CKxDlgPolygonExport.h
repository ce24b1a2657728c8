#pragma once
// The polygon-export preference: file format and magnification of the
// export job it is given. OK is the only way out; Escape and the window's
// close request are ignored, so the job always leaves with a format.
#include "dialogs/DialogBase.h"

class QComboBox;
class QLineEdit;

namespace velmor {

class ExportJob;

class CKxDlgPolygonExport final : public DialogBase {
public:
    enum Control {
        kOk = 1166,
        kFormat = 1167,
        kMagnification = 1168,
    };

    explicit CKxDlgPolygonExport(QWidget* parent = nullptr);
    void SetExportJob(ExportJob* job) { exportJob_ = job; }

    void reject() override {}

protected:
    void OnEscape() override {}
    void showEvent(QShowEvent* event) override;

private:
    void OnShowWindow();
    void OnBnClickedOk();

    QComboBox* format_;
    QLineEdit* magnification_;
    ExportJob* exportJob_ = nullptr;
};

} // namespace velmor
