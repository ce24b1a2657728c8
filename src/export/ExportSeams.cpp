#include "export/ExportSeams.h"

#include <atomic>

namespace velmor {

namespace {

class NoUnitAccess final : public ExportUnitAccess {
public:
    bool DescribeMeshUnit(CKxDrawUnit&, MeshExportRecord&) override { return false; }
    bool DescribeVoxelUnit(CKxDrawUnit&, VoxelExportSource&) override { return false; }
};

class NoDialogs final : public ExportDialogs {
public:
    void RunPolygonExportDialog(ExportJob&) override {}
    void RunVoxelExportDialog(uint32_t, bool, bool) override {}
    std::wstring AskSavePath(const SaveDialogRequest&) override { return {}; }
};

NoUnitAccess gNoUnitAccess;
NoDialogs gNoDialogs;
std::atomic<ExportUnitAccess*> gUnitAccess{&gNoUnitAccess};
std::atomic<ExportDialogs*> gDialogs{&gNoDialogs};

} // namespace

ExportUnitAccess* SetExportUnitAccess(ExportUnitAccess* access)
{
    ExportUnitAccess* previous = gUnitAccess.exchange(access != nullptr ? access : &gNoUnitAccess);
    return previous == &gNoUnitAccess ? nullptr : previous;
}

ExportUnitAccess& CurrentExportUnitAccess() { return *gUnitAccess.load(); }

ExportDialogs* SetExportDialogs(ExportDialogs* dialogs)
{
    ExportDialogs* previous = gDialogs.exchange(dialogs != nullptr ? dialogs : &gNoDialogs);
    return previous == &gNoDialogs ? nullptr : previous;
}

ExportDialogs& CurrentExportDialogs() { return *gDialogs.load(); }

} // namespace velmor
