#include "export/ExportJob.h"
#include "export/ExportMessages.h"
#include "export/ExportNumberText.h"
#include "export/ExportSeams.h"
#include "platform/AtomicFile.h"
#include "platform/CheckedMath.h"
#include "platform/Memory.h"
#include "platform/MessageSink.h"
#include "platform/NumberParse.h"
#include "platform/WideText.h"
#include "render/GeometryRoutines.h"
#include "scene/AttributeParsers.h"
#include "scene/CVelmorDoc.h"
#include "scene/PathParts.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace velmor {

namespace {

constexpr char kStlHeaderText[] = "stl binary file, Velmor, Quillmarsh Corp.";
constexpr size_t kObjNameBytes = 28;

// Per-axis stretch of the first unit's space relative to its smallest axis:
// the scene's proportions stay, its overall normalisation goes.
void OutputStretch(const MeshExportRecord& first, double f[3])
{
    const double* s = first.topGroupScale;
    f[0] = f[1] = f[2] = 1.0;
    if (s[1] == s[0] && s[2] == s[1]) return;
    const double smallest = std::min({s[0], s[1], s[2]});
    // A scale that is not a positive number would make every coordinate
    // infinite or negative; such a space keeps its coordinates as they are.
    if (!(smallest > 0) || !std::isfinite(s[0]) || !std::isfinite(s[1]) || !std::isfinite(s[2])) return;
    for (int k = 0; k < 3; ++k) f[k] = s[k] / smallest;
}

void UnitFactors(const MeshExportRecord& unit, const double stretch[3], float magnification, double factor[3])
{
    for (int k = 0; k < 3; ++k) factor[k] = stretch[k] * unit.pitch[k] * unit.lengthFactor * double(magnification);
}

void ScaledVertex(const float* v, const double factor[3], float out[3])
{
    for (int k = 0; k < 3; ++k) out[k] = float(double(v[k]) * factor[k]);
}

// The unit name as OBJ and MTL lines carry it: multibyte, at most 28 bytes
// cut at a character boundary, and no line breaks that would split a line.
std::string ObjName(const std::wstring& name)
{
    std::string bytes = ToMultiByteString(name.c_str());
    if (bytes.size() > kObjNameBytes) {
        size_t cut = kObjNameBytes;
        while (cut > 0 && (static_cast<uint8_t>(bytes[cut]) & 0xC0) == 0x80) --cut;
        bytes.resize(cut);
    }
    for (char& c : bytes)
        if (static_cast<uint8_t>(c) < 0x20 || c == 0x7F) c = '_';
    return bytes;
}

std::string Triple(const char* head, double a, double b, double c)
{
    std::string line(head);
    line += FormatG(a);
    line += ' ';
    line += FormatG(b);
    line += ' ';
    line += FormatG(c);
    line += '\n';
    return line;
}

void PutU32(uint8_t* at, uint32_t v) { std::memcpy(at, &v, 4); }
void PutF32(uint8_t* at, float v) { std::memcpy(at, &v, 4); }

} // namespace

bool ExportJob::CheckMeshRecords(const std::vector<MeshExportRecord>& records) const
{
    for (const MeshExportRecord& r : records) {
        if (r.mesh == nullptr) return false;
        const TriangleMesh& m = *r.mesh;
        if ((m.vertexCount != 0 && m.vertices == nullptr) || (m.triangleCount != 0 && m.indices == nullptr)) return false;
        uint64_t corners = 0;
        if (!CheckedMul(m.triangleCount, 3, corners)) return false;
        // Every corner must name one of the unit's own vertices.
        for (uint64_t i = 0; i < corners; ++i)
            if (m.indices[i] >= m.vertexCount) return false;
    }
    return true;
}

bool ExportJob::ScaledMeshesFit(const std::vector<MeshExportRecord>& records) const
{
    if (!IsPositiveFloat(magnification)) return false;
    double stretch[3];
    OutputStretch(records[0], stretch);
    for (const MeshExportRecord& r : records) {
        double factor[3];
        UnitFactors(r, stretch, magnification, factor);
        float p[3];
        for (uint64_t v = 0; v < r.mesh->vertexCount; ++v) {
            ScaledVertex(r.mesh->vertices + v * 3, factor, p);
            if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) return false;
        }
    }
    return true;
}

int ExportJob::ExportPolygons(const std::vector<CKxDrawUnit*>& meshUnits)
{
    std::vector<MeshExportRecord> records(meshUnits.size());
    for (size_t i = 0; i < meshUnits.size(); ++i) {
        if (meshUnits[i] == nullptr || !CurrentExportUnitAccess().DescribeMeshUnit(*meshUnits[i], records[i])) {
            ShowMessage(kCannotExportData);
            return 0;
        }
    }
    return ExportPolygonRecords(records);
}

int ExportJob::ExportPolygonRecords(const std::vector<MeshExportRecord>& records)
{
    if (records.empty()) return 0;
    for (const MeshExportRecord& r : records) {
        if (!r.dataExport) {
            ShowMessage(kCannotExportData);
            return 0;
        }
    }
    if (!CheckMeshRecords(records)) {
        ShowMessage(kCannotExportData);
        return 0;
    }

    ExportDialogs& dialogs = CurrentExportDialogs();
    dialogs.RunPolygonExportDialog(*this);
    // Checked before anything is asked or written: a file of infinite or
    // mirrored coordinates would pass for a good one.
    if (!format.empty() && !ScaledMeshesFit(records)) {
        ShowMessage(kInvalidValue);
        return 0;
    }

    SaveDialogRequest request;
    request.defaultExtension = format;
    request.initialFolder = LastFolder;
    if (format == L"STL") {
        request.filter = L"STL (*.stl)|*.stl|all(*.*)|*.*||";
        request.defaultName = records[0].name + L"_surface.stl";
    } else if (format == L"OBJ") {
        request.filter = L"OBJ (*.obj)|*.obj|all(*.*)|*.*||";
        request.defaultName = records[0].name + L"_surface.obj";
    }
    const std::wstring chosen = dialogs.AskSavePath(request);
    if (chosen.empty()) return 1;

    const size_t separator = chosen.find_last_of(L"/\\");
    LastFolder = separator == std::wstring::npos ? std::wstring() : chosen.substr(0, separator + 1);
    outputPath = chosen;

    int r = 0;
    if (format == L"STL") {
        TriangleMesh merged;
        r = MergeSurfaceMeshes(records, merged);
        if (r != 0) return r;
        r = RunStlJob(&merged);
        ReleaseMesh(merged);
        mergedMesh = nullptr;
    } else if (format == L"OBJ") {
        r = RunObjJob(records);
    }
    // With no triangles at all nothing was meant to be written.
    bool anyTriangles = false;
    for (const MeshExportRecord& record : records) anyTriangles = anyTriangles || record.mesh->triangleCount != 0;
    if (r != 0 && anyTriangles) ShowMessage(FileWriteErrorMessage());
    return r;
}

int ExportJob::MergeSurfaceMeshes(const std::vector<MeshExportRecord>& records, TriangleMesh& merged)
{
    if (records.empty() || !CheckMeshRecords(records)) return -1;
    uint64_t triangles = 0, vertices = 0;
    for (const MeshExportRecord& r : records) {
        if (!CheckedAdd(triangles, r.mesh->triangleCount, triangles) || !CheckedAdd(vertices, r.mesh->vertexCount, vertices))
            return -1;
    }
    if (triangles == 0) return -1;

    // Binary STL counts facets in 32 bits and the merged indices are 32-bit:
    // a larger mesh cannot be written without losing triangles.
    uint64_t indexBytes = 0, vertexBytes = 0;
    if (triangles > std::numeric_limits<uint32_t>::max() || vertices > std::numeric_limits<uint32_t>::max() ||
        !CheckedMul(triangles, 12, indexBytes) || !CheckedMul(vertices, 12, vertexBytes)) {
        ShowMessage(kMemoryError);
        return -1;
    }
    auto* indices = static_cast<uint32_t*>(CommitMemory(indexBytes));
    if (indices == nullptr) {
        ShowMessage(kMemoryError);
        return -1;
    }
    auto* points = static_cast<float*>(CommitMemory(vertexBytes));
    if (points == nullptr) {
        ShowMessage(kMemoryError);
        ReleaseMemory(indices, indexBytes);
        return -1;
    }

    double stretch[3];
    OutputStretch(records[0], stretch);
    uint64_t vertexBase = 0, triangleBase = 0;
    for (const MeshExportRecord& r : records) {
        const TriangleMesh& m = *r.mesh;
        double factor[3];
        UnitFactors(r, stretch, magnification, factor);
        for (uint64_t v = 0; v < m.vertexCount; ++v) ScaledVertex(m.vertices + v * 3, factor, points + (vertexBase + v) * 3);
        uint32_t* out = indices + triangleBase * 3;
        const uint32_t shift = static_cast<uint32_t>(vertexBase);
        for (uint64_t i = 0; i < m.triangleCount * 3; ++i) out[i] = m.indices[i] + shift;
        vertexBase += m.vertexCount;
        triangleBase += m.triangleCount;
    }

    ReleaseMesh(merged);
    merged.allocationKind = 1;
    merged.triangleCount = triangles;
    merged.vertexCount = vertices;
    merged.vertices = points;
    merged.indices = indices;
    return 0;
}

namespace {

uint32_t StlWorker(void* param)
{
    static_cast<ExportJob*>(param)->WriteStlBinary();
    return 1;
}

uint32_t ObjWorker(void* param)
{
    static_cast<ExportJob*>(param)->WriteObjMtl();
    return 1;
}

} // namespace

int ExportJob::RunStlJob(TriangleMesh* mesh)
{
    mergedMesh = mesh;
    return RunWithProgress(L"Please wait...", false, 0, 100, this, StlWorker);
}

int ExportJob::RunObjJob(const std::vector<MeshExportRecord>& records)
{
    units = records;
    return RunWithProgress(L"Please wait...", false, 0, 100, this, ObjWorker);
}

void ExportJob::WriteStlBinary()
{
    if (mergedMesh == nullptr) return;
    const TriangleMesh& m = *mergedMesh;
    if (m.triangleCount == 0 || m.triangleCount > std::numeric_limits<uint32_t>::max() || m.vertices == nullptr ||
        m.indices == nullptr)
        return;
    AtomicFile file;
    if (!file.Create(PathFromWide(outputPath), AtomicFile::Naming::ByUser)) return;

    const double fraction = 100.0 / double(m.triangleCount);
    uint8_t header[84] = {};
    std::memcpy(header, kStlHeaderText, sizeof kStlHeaderText);
    PutU32(header + 80, static_cast<uint32_t>(m.triangleCount));
    file.Write(header, sizeof header);

    uint8_t facet[50] = {};
    for (uint64_t t = 0; t < m.triangleCount && !file.Failed(); ++t) {
        StepProgress(fraction);
        const uint32_t* corner = m.indices + t * 3;
        if (corner[0] >= m.vertexCount || corner[1] >= m.vertexCount || corner[2] >= m.vertexCount) {
            file.Discard();
            return;
        }
        const float* a = m.vertices + uint64_t{corner[0]} * 3;
        const float* b = m.vertices + uint64_t{corner[1]} * 3;
        const float* c = m.vertices + uint64_t{corner[2]} * 3;
        float normal[3];
        UnitTriangleNormal(a, b, c, normal);
        for (int k = 0; k < 3; ++k) {
            PutF32(facet + 4 * k, normal[k]);
            PutF32(facet + 12 + 4 * k, a[k]);
            PutF32(facet + 24 + 4 * k, b[k]);
            PutF32(facet + 36 + 4 * k, c[k]);
        }
        file.Write(facet, sizeof facet);
    }
    if (file.Commit()) result = 0;
}

void ExportJob::WriteObjMtl()
{
    uint64_t triangles = 0, vertices = 0;
    for (const MeshExportRecord& r : units) {
        if (r.mesh == nullptr) return;
        triangles += r.mesh->triangleCount;
        vertices += r.mesh->vertexCount;
    }
    if (triangles == 0 || !CheckMeshRecords(units)) return;

    const std::wstring mtlPath = ReplaceExtension(outputPath, L"mtl");
    std::vector<std::string> names;
    for (const MeshExportRecord& r : units) names.push_back(ObjName(r.name));
    // The material file appears only beside a complete OBJ file, and is not
    // written while the OBJ file's name could not be. Its name is made from
    // the OBJ file's, not chosen: it is written under the rule for the
    // program's own names.
    if (!AtomicFile::MayCreate({PathFromWide(mtlPath)}, AtomicFile::Naming::ByProgram) ||
        !AtomicFile::MayCreate({PathFromWide(outputPath)}, AtomicFile::Naming::ByUser))
        return;
    AtomicFile mtl;
    if (!mtl.Create(PathFromWide(mtlPath), AtomicFile::Naming::ByProgram)) return;
    for (size_t i = 0; i < units.size(); ++i) {
        const Material& m = units[i].material;
        mtl.Write("newmtl color_" + std::to_string(i) + "_" + names[i] + "\n");
        mtl.Flush();
        mtl.Write(Triple("Ka ", m.ambient[0], m.ambient[1], m.ambient[2]));
        mtl.Write(Triple("Kd ", m.diffuse[0], m.diffuse[1], m.diffuse[2]));
        mtl.Write(Triple("Ks ", m.specular[0], m.specular[1], m.specular[2]));
    }
    if (!mtl.Finish()) return;

    AtomicFile obj;
    if (!obj.Create(PathFromWide(outputPath), AtomicFile::Naming::ByUser)) return;
    const double fraction = 100.0 / (double(vertices) + 2.0 * double(triangles));
    obj.Write("mtllib " + ToMultiByteString(GetFileNamePart(mtlPath).c_str()) + ".mtl\n");
    obj.Flush();

    double stretch[3];
    OutputStretch(units[0], stretch);
    uint64_t vertexBase = 0, triangleBase = 0;
    for (size_t i = 0; i < units.size() && !obj.Failed(); ++i) {
        const TriangleMesh& m = *units[i].mesh;
        double factor[3];
        UnitFactors(units[i], stretch, magnification, factor);
        obj.Write("\no " + names[i] + "\n");
        obj.Flush();
        float p[3];
        for (uint64_t v = 0; v < m.vertexCount; ++v) {
            StepProgress(fraction);
            ScaledVertex(m.vertices + v * 3, factor, p);
            obj.Write(Triple("v ", p[0], p[1], p[2]));
        }
        const std::string suffix = std::to_string(i) + "_" + names[i] + "\n";
        obj.Write("g face_" + suffix);
        obj.Flush();
        obj.Write("usemtl color_" + suffix);
        obj.Flush();
        std::string line;
        for (uint64_t t = 0; t < m.triangleCount; ++t) {
            StepProgress(fraction);
            const std::string face = std::to_string(t + triangleBase + 1);
            line = "f";
            for (int k = 0; k < 3; ++k) {
                line += ' ';
                line += std::to_string(uint64_t{m.indices[t * 3 + k]} + vertexBase + 1);
                line += "//";
                line += face;
            }
            line += '\n';
            obj.Write(line);
        }
        for (uint64_t t = 0; t < m.triangleCount; ++t) {
            StepProgress(fraction);
            float a[3], b[3], c[3], n[3];
            ScaledVertex(m.vertices + uint64_t{m.indices[t * 3]} * 3, factor, a);
            ScaledVertex(m.vertices + uint64_t{m.indices[t * 3 + 1]} * 3, factor, b);
            ScaledVertex(m.vertices + uint64_t{m.indices[t * 3 + 2]} * 3, factor, c);
            UnitTriangleNormal(a, b, c, n);
            obj.Write(Triple("vn ", n[0], n[1], n[2]));
        }
        triangleBase += m.triangleCount;
        vertexBase += m.vertexCount;
    }
    if (!obj.Finish()) return;
    std::vector<AtomicFile> pair;
    pair.push_back(std::move(mtl));
    pair.push_back(std::move(obj));
    if (AtomicFile::PublishAll(pair, &m_keptCopies)) result = 0;
}

} // namespace velmor
