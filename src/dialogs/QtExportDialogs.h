#pragma once
// The exports' dialogs in the program: the polygon- and voxel-export
// preferences and a Qt save dialog, all modal over the main window.
#include "export/ExportSeams.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

namespace velmor {

class QtExportDialogs final : public ExportDialogs {
public:
    explicit QtExportDialogs(QWidget* owner) : owner_(owner) {}

    void RunPolygonExportDialog(ExportJob& job) override;
    void RunVoxelExportDialog(uint32_t bytesPerVoxel, bool isSigned, bool reverseOffered) override;
    std::wstring AskSavePath(const SaveDialogRequest& request) override;

private:
    QPointer<QWidget> owner_;
};

// "name|pattern|name|pattern||" as Qt name filters; a name that does not
// show its pattern gets it in brackets.
QStringList SaveDialogFilters(const std::wstring& filter);

// Makes the program's export dialogs the ones the exports use.
void InstallQtExportDialogs(QWidget* owner);

} // namespace velmor
