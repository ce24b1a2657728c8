#include "dialogs/QtExportDialogs.h"

#include "dialogs/CKxDlgPolygonExport.h"
#include "dialogs/CKxDlgVoxelExport.h"

#include <QFileDialog>
#include <memory>

namespace velmor {

QStringList SaveDialogFilters(const std::wstring& filter)
{
    const QStringList parts = QString::fromStdWString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& name = parts[i];
        const QString& pattern = parts[i + 1];
        if (name.isEmpty() && pattern.isEmpty()) break;
        const QString shown = QStringLiteral("(") + pattern + QStringLiteral(")");
        filters << (name.endsWith(shown) ? name : name + QStringLiteral(" ") + shown);
    }
    return filters;
}

void QtExportDialogs::RunPolygonExportDialog(ExportJob& job)
{
    CKxDlgPolygonExport dialog(owner_.data());
    dialog.SetExportJob(&job);
    dialog.exec();
}

void QtExportDialogs::RunVoxelExportDialog(uint32_t bytesPerVoxel, bool isSigned, bool reverseOffered)
{
    CKxDlgVoxelExport dialog(owner_.data());
    dialog.SetDataInfo(bytesPerVoxel, isSigned, reverseOffered);
    dialog.exec();
}

std::wstring QtExportDialogs::AskSavePath(const SaveDialogRequest& request)
{
    // Qt's own dialog, so that it behaves the same on every desktop and in tests.
    QFileDialog dialog(owner_.data());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    if (!request.initialFolder.empty()) dialog.setDirectory(QString::fromStdWString(request.initialFolder));
    const QStringList filters = SaveDialogFilters(request.filter);
    if (!filters.isEmpty()) dialog.setNameFilters(filters);
    // File systems here tell letter cases apart: the suffix the filter
    // lists is the lower-case one.
    dialog.setDefaultSuffix(QString::fromStdWString(request.defaultExtension).toLower());
    if (!request.defaultName.empty()) dialog.selectFile(QString::fromStdWString(request.defaultName));
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? std::wstring() : chosen.first().toStdWString();
}

void InstallQtExportDialogs(QWidget* owner)
{
    // Lives as long as the program: the exports may run until the very end.
    static std::unique_ptr<QtExportDialogs> installed;
    auto next = std::make_unique<QtExportDialogs>(owner);
    SetExportDialogs(next.get());
    installed = std::move(next);
}

} // namespace velmor
