#pragma once
// Stand-ins for the dialogs and units the exports talk to, meshes the tests
// own, and a way to run the outside tools that read what was written.
#include "export/ExportJob.h"
#include "export/ExportSeams.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace velmor::test {

// Answers every dialog as a test tells it to and remembers what was asked.
class ScriptedExportDialogs final : public ExportDialogs {
public:
    ScriptedExportDialogs() : previous_(SetExportDialogs(this)) {}
    ~ScriptedExportDialogs() override { SetExportDialogs(previous_); }

    void RunPolygonExportDialog(ExportJob& job) override
    {
        ++polygonDialogs;
        if (!polygonFormat.empty()) {
            job.format = polygonFormat;
            job.magnification = magnification;
        }
    }
    void RunVoxelExportDialog(uint32_t bytesPerVoxel, bool isSigned, bool reverseOffered) override
    {
        voxelDialogInfo = {bytesPerVoxel, uint32_t(isSigned), uint32_t(reverseOffered)};
        if (onVoxelDialog) onVoxelDialog();
    }
    std::wstring AskSavePath(const SaveDialogRequest& request) override
    {
        saveRequests.push_back(request);
        return savePath;
    }

    std::wstring polygonFormat;   // empty: the dialog leaves the job alone
    float magnification = 1.0f;
    std::wstring savePath;        // empty: cancelled
    std::function<void()> onVoxelDialog;
    int polygonDialogs = 0;
    std::vector<uint32_t> voxelDialogInfo;
    std::vector<SaveDialogRequest> saveRequests;

private:
    ExportDialogs* previous_;
};

// A mesh owned by the test, with the record the writers read.
struct OwnedMesh {
    std::vector<float> vertices;
    std::vector<uint32_t> indices;
    TriangleMesh mesh;
    MeshExportRecord record;

    OwnedMesh(std::wstring name, std::vector<float> v, std::vector<uint32_t> i) : vertices(std::move(v)), indices(std::move(i))
    {
        mesh.allocationKind = 0;
        mesh.vertexCount = vertices.size() / 3;
        mesh.triangleCount = indices.size() / 3;
        mesh.vertices = vertices.data();
        mesh.indices = indices.data();
        record.name = std::move(name);
        record.mesh = &mesh;
    }
    OwnedMesh(const OwnedMesh&) = delete;
    OwnedMesh& operator=(const OwnedMesh&) = delete;
};

struct CommandResult {
    int exitCode = -1;
    std::string output;
};

// Runs a shell command, stdout and stderr together.
inline CommandResult RunCommand(const std::string& command)
{
    CommandResult r;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return r;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) r.output += buffer;
    const int status = pclose(pipe);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

inline std::string Quoted(const std::string& text) { return "'" + text + "'"; }

} // namespace velmor::test
