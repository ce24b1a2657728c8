// Binary STL and OBJ with MTL: bytes, scaling, offsets between units, the
// command's dialogs and messages, failing targets, and VTK's readers.
#include "export/ExportTestSupport.h"

#include "platform/WideText.h"
#include "scene/CVelmorDoc.h"
#include "support/MessageRecorder.h"
#include "support/RecordingJobHost.h"
#include "support/TempDir.h"
#include "units/CKxDrawUnit.h"
#include "units/DrawGroup.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <sys/stat.h>

using namespace velmor;
using namespace velmor::test;

namespace {

const std::vector<std::wstring> kCannotExport = {L"cannot export data"};
const std::vector<std::wstring> kWriteError = {L"file write error"};

std::unique_ptr<OwnedMesh> Triangle3(std::wstring name = L"A")
{
    return std::make_unique<OwnedMesh>(std::move(name), std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0},
                                       std::vector<uint32_t>{0, 1, 2});
}

std::unique_ptr<OwnedMesh> Quad4(std::wstring name = L"B")
{
    return std::make_unique<OwnedMesh>(std::move(name), std::vector<float>{0, 0, 0, 0, 0, 1, 0, 1, 0, 1, 1, 1},
                                       std::vector<uint32_t>{0, 1, 2, 1, 3, 2});
}

float F32At(const std::string& bytes, size_t offset)
{
    float v;
    std::memcpy(&v, bytes.data() + offset, 4);
    return v;
}

uint32_t U32At(const std::string& bytes, size_t offset)
{
    uint32_t v;
    std::memcpy(&v, bytes.data() + offset, 4);
    return v;
}

// Facet t of a binary STL: normal then three corners, twelve floats.
std::vector<float> Facet(const std::string& stl, uint64_t t)
{
    std::vector<float> values;
    for (int i = 0; i < 12; ++i) values.push_back(F32At(stl, 84 + 50 * t + 4 * i));
    return values;
}

struct PolygonCommand {
    RecordingJobHost host;
    MessageRecorder messages;
    ScriptedExportDialogs dialogs;
    TempDir dir;
    ExportJob job{nullptr, L""};

    int Run(const std::vector<const OwnedMesh*>& meshes)
    {
        std::vector<MeshExportRecord> records;
        for (const OwnedMesh* m : meshes) records.push_back(m->record);
        return job.ExportPolygonRecords(records);
    }
};

} // namespace

TEST(PolygonExport, StlOfTwoUnitsShiftsTheSecondUnitsIndicesAndKeepsTheSpacesStretch)
{
    PolygonCommand c;
    auto a = Triangle3(), b = Quad4();
    for (OwnedMesh* m : {a.get(), b.get()}) {
        m->record.topGroupScale[0] = 1, m->record.topGroupScale[1] = 2, m->record.topGroupScale[2] = 4;
        m->record.pitch[0] = 0.5, m->record.pitch[1] = 0.5, m->record.pitch[2] = 0.5;
        m->record.lengthFactor = 10;
    }
    c.dialogs.polygonFormat = L"STL";
    c.dialogs.magnification = 2;
    c.dialogs.savePath = c.dir.WidePath("out.stl");
    ASSERT_EQ(c.Run({a.get(), b.get()}), 0);
    EXPECT_TRUE(c.messages.Messages().empty());

    const std::string stl = ReadFileBytes(c.dir.Path() / "out.stl");
    ASSERT_EQ(stl.size(), 84u + 50u * 3);
    EXPECT_EQ(std::string(stl.c_str()), "stl binary file, Velmor, Quillmarsh Corp.");
    EXPECT_EQ(stl.find_first_not_of('\0', 42), 80u);
    EXPECT_EQ(U32At(stl, 80), 3u);
    // factor = stretch (1, 2, 4) x pitch 0.5 x length factor 10 x magnification 2 = (10, 20, 40).
    EXPECT_EQ(Facet(stl, 0), (std::vector<float>{0, 0, 1, 0, 0, 0, 10, 0, 0, 0, 20, 0}));
    EXPECT_EQ(Facet(stl, 1), (std::vector<float>{-1, 0, 0, 0, 0, 0, 0, 0, 40, 0, 20, 0}));
    const std::vector<float> last = Facet(stl, 2);
    EXPECT_EQ(std::vector<float>(last.begin() + 3, last.end()), (std::vector<float>{0, 0, 40, 10, 20, 40, 0, 20, 0}));
    for (uint64_t t = 0; t < 3; ++t) EXPECT_EQ(stl[84 + 50 * t + 48] | stl[84 + 50 * t + 49], 0);

    ASSERT_EQ(c.dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(c.dialogs.saveRequests[0].filter, L"STL (*.stl)|*.stl|all(*.*)|*.*||");
    EXPECT_EQ(c.dialogs.saveRequests[0].defaultName, L"A_surface.stl");
    EXPECT_EQ(c.dialogs.saveRequests[0].defaultExtension, L"STL");
    EXPECT_EQ(LastFolder, WideFromPath(c.dir.Path()) + L"/");

    // One progress run of range 100 whose steps reach 100.
    int64_t steps = 0;
    for (const auto& m : c.host.Messages())
        if (m.kind == ProgressMessage::Kind::Step) steps += m.a;
    EXPECT_EQ(steps, 100);
    EXPECT_EQ(ProgressCaption(), L"Please wait...");
}

TEST(PolygonExport, EqualSpaceScaleKeepsCoordinatesAndDegenerateTrianglesGetZeroNormals)
{
    PolygonCommand c;
    auto flat = std::make_unique<OwnedMesh>(L"flat", std::vector<float>{1, 1, 1, 2, 2, 2, 3, 3, 3}, std::vector<uint32_t>{0, 1, 2});
    for (double& s : flat->record.topGroupScale) s = 2;
    c.dialogs.polygonFormat = L"STL";
    c.dialogs.savePath = c.dir.WidePath("flat.stl");
    ASSERT_EQ(c.Run({flat.get()}), 0);
    const std::string stl = ReadFileBytes(c.dir.Path() / "flat.stl");
    ASSERT_EQ(stl.size(), 134u);
    EXPECT_EQ(Facet(stl, 0), (std::vector<float>{0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3}));

    c.dialogs.polygonFormat = L"OBJ";
    c.dialogs.savePath = c.dir.WidePath("flat.obj");
    ASSERT_EQ(c.Run({flat.get()}), 0);
    EXPECT_NE(ReadFileBytes(c.dir.Path() / "flat.obj").find("\nvn 0 0 0\n"), std::string::npos);
}

TEST(PolygonExport, ObjAndMtlTextPerUnit)
{
    PolygonCommand c;
    auto a = Triangle3(), b = Quad4();
    a->record.material.ambient[0] = 0.5f, a->record.material.ambient[1] = 0.25f, a->record.material.ambient[2] = 1;
    a->record.material.diffuse[0] = 0.125f, a->record.material.diffuse[1] = 0, a->record.material.diffuse[2] = 0.75f;
    a->record.material.specular[0] = 1, a->record.material.specular[1] = 1, a->record.material.specular[2] = 0;
    b->record.material = a->record.material;
    c.dialogs.polygonFormat = L"OBJ";
    c.dialogs.magnification = 2;
    c.dialogs.savePath = c.dir.WidePath("out.obj");
    ASSERT_EQ(c.Run({a.get(), b.get()}), 0);
    EXPECT_EQ(c.dialogs.saveRequests.at(0).filter, L"OBJ (*.obj)|*.obj|all(*.*)|*.*||");
    EXPECT_EQ(c.dialogs.saveRequests.at(0).defaultName, L"A_surface.obj");

    EXPECT_EQ(ReadFileBytes(c.dir.Path() / "out.mtl"),
              "newmtl color_0_A\nKa 0.5 0.25 1\nKd 0.125 0 0.75\nKs 1 1 0\n"
              "newmtl color_1_B\nKa 0.5 0.25 1\nKd 0.125 0 0.75\nKs 1 1 0\n");
    EXPECT_EQ(ReadFileBytes(c.dir.Path() / "out.obj"),
              "mtllib out.mtl\n"
              "\no A\nv 0 0 0\nv 2 0 0\nv 0 2 0\ng face_0_A\nusemtl color_0_A\nf 1//1 2//1 3//1\nvn 0 0 1\n"
              "\no B\nv 0 0 0\nv 0 0 2\nv 0 2 0\nv 2 2 2\ng face_1_B\nusemtl color_1_B\n"
              "f 4//2 5//2 6//2\nf 5//3 7//3 6//3\nvn -1 0 0\nvn -0.57735 0.57735 0.57735\n");
}

TEST(PolygonExport, LongNamesAreCutTo28BytesOnCharacterBoundaries)
{
    PolygonCommand c;
    auto ascii = Triangle3(L"abcdefghijklmnopqrstuvwxyz0123");              // 30 characters
    auto japanese = Quad4(L"表面データの書き出し試験です\nx");            // 3 bytes a character in UTF-8
    c.dialogs.polygonFormat = L"OBJ";
    c.dialogs.savePath = c.dir.WidePath("names.obj");
    auto broken = Triangle3(L"a\tb\nc");   // a line break would split the line
    ASSERT_EQ(c.Run({ascii.get(), japanese.get(), broken.get()}), 0);
    const std::string obj = ReadFileBytes(c.dir.Path() / "names.obj");
    const std::string mtl = ReadFileBytes(c.dir.Path() / "names.mtl");
    EXPECT_NE(obj.find("\no abcdefghijklmnopqrstuvwxyz01\n"), std::string::npos);
    EXPECT_NE(obj.find("\ng face_0_abcdefghijklmnopqrstuvwxyz01\n"), std::string::npos);
    EXPECT_NE(mtl.find("newmtl color_0_abcdefghijklmnopqrstuvwxyz01\n"), std::string::npos);
    // Nine whole characters (27 bytes): the tenth would pass 28 bytes.
    EXPECT_NE(obj.find("\no 表面データの書き出\n"), std::string::npos);
    EXPECT_TRUE(IsValidUtf8(obj));
    EXPECT_NE(obj.find("\no a_b_c\n"), std::string::npos);
    EXPECT_NE(mtl.find("newmtl color_2_a_b_c\n"), std::string::npos);
}

TEST(PolygonExport, ObjNumbersIgnoreTheLocale)
{
    const char* before = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = before ? before : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no de_DE.UTF-8 locale";
    PolygonCommand c;
    auto a = Triangle3();
    c.dialogs.polygonFormat = L"OBJ";
    c.dialogs.magnification = 0.5f;
    c.dialogs.savePath = c.dir.WidePath("de.obj");
    const int r = c.Run({a.get()});
    std::setlocale(LC_NUMERIC, saved.c_str());
    ASSERT_EQ(r, 0);
    EXPECT_NE(ReadFileBytes(c.dir.Path() / "de.obj").find("v 0.5 0 0\n"), std::string::npos);
}

TEST(PolygonExport, SwitchedOffUnitsBadIndicesAndEmptyMeshesWriteNothing)
{
    PolygonCommand c;
    c.dialogs.polygonFormat = L"STL";
    c.dialogs.savePath = c.dir.WidePath("x.stl");
    auto a = Triangle3(), b = Quad4();
    b->record.dataExport = false;
    EXPECT_EQ(c.Run({a.get(), b.get()}), 0);
    EXPECT_EQ(c.messages.Messages(), kCannotExport);
    EXPECT_EQ(c.dialogs.polygonDialogs, 0);

    // An index past the unit's vertices would read beyond its array.
    PolygonCommand d;
    d.dialogs.polygonFormat = L"OBJ";
    d.dialogs.savePath = d.dir.WidePath("x.obj");
    auto bad = std::make_unique<OwnedMesh>(L"bad", std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0}, std::vector<uint32_t>{0, 1, 3});
    EXPECT_EQ(d.Run({bad.get()}), 0);
    EXPECT_EQ(d.messages.Messages(), kCannotExport);

    // No triangles at all: the merge fails quietly.
    PolygonCommand e;
    e.dialogs.polygonFormat = L"STL";
    e.dialogs.savePath = e.dir.WidePath("x.stl");
    auto empty = std::make_unique<OwnedMesh>(L"none", std::vector<float>{}, std::vector<uint32_t>{});
    EXPECT_EQ(e.Run({empty.get()}), -1);
    e.dialogs.polygonFormat = L"OBJ";
    e.dialogs.savePath = e.dir.WidePath("x.obj");
    EXPECT_EQ(e.Run({empty.get()}), -1);
    EXPECT_TRUE(e.messages.Messages().empty());

    // A magnification that takes a coordinate past float's range: refused before the save dialog.
    e.dialogs.magnification = 3e38f;
    auto wide = Quad4();
    wide->record.lengthFactor = 10;
    const size_t asked = e.dialogs.saveRequests.size();
    EXPECT_EQ(e.Run({wide.get()}), 0);
    EXPECT_EQ(e.messages.Messages(), std::vector<std::wstring>{L"invalid value."});
    EXPECT_EQ(e.dialogs.saveRequests.size(), asked);

    for (const TempDir* dir : {&c.dir, &d.dir, &e.dir}) EXPECT_TRUE(std::filesystem::is_empty(dir->Path()));
}

TEST(PolygonExport, CancelledDialogsWriteNothing)
{
    PolygonCommand c;
    auto a = Triangle3();
    // The preference dialog was not confirmed: no format, no filter, no name.
    c.dialogs.savePath = c.dir.WidePath("x.stl");
    EXPECT_EQ(c.Run({a.get()}), 0);
    ASSERT_EQ(c.dialogs.saveRequests.size(), 1u);
    EXPECT_TRUE(c.dialogs.saveRequests[0].filter.empty());
    EXPECT_TRUE(c.dialogs.saveRequests[0].defaultName.empty());
    // The save dialog cancelled.
    c.dialogs.polygonFormat = L"STL";
    c.dialogs.savePath.clear();
    EXPECT_EQ(c.Run({a.get()}), 1);
    EXPECT_TRUE(std::filesystem::is_empty(c.dir.Path()));
    EXPECT_TRUE(c.messages.Messages().empty());
}

TEST(PolygonExport, FullDevicesAndMissingFoldersFailAndSaySo)
{
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    PolygonCommand c;
    auto a = Triangle3();
    c.dialogs.polygonFormat = L"STL";
    c.dialogs.savePath = L"/dev/full";
    EXPECT_EQ(c.Run({a.get()}), -1);
    EXPECT_EQ(c.messages.Messages(), kWriteError);
    struct stat info;
    ASSERT_EQ(stat("/dev/full", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode)) << "the device must survive a failed export";

    PolygonCommand d;
    for (const wchar_t* format : {L"STL", L"OBJ"}) {
        d.dialogs.polygonFormat = format;
        d.dialogs.savePath = d.dir.WidePath("missing/out.x");
        EXPECT_EQ(d.Run({a.get()}), -1) << format;
    }
    EXPECT_EQ(d.messages.Messages(), (std::vector<std::wstring>{L"file write error", L"file write error"}));
    EXPECT_TRUE(std::filesystem::is_empty(d.dir.Path()));
}

TEST(PolygonExport, WithoutInstalledUnitsNoMeshUnitCanBeExported)
{
    MessageRecorder messages;
    ExportJob job(nullptr, L"");
    EXPECT_EQ(job.ExportPolygons({}), 0);
    EXPECT_TRUE(messages.Messages().empty());
    DrawGroup group(L"g");
    CKxDrawUnit unit(&group);
    EXPECT_EQ(job.ExportPolygons({&unit}), 0);
    EXPECT_EQ(messages.Messages(), kCannotExport);
}

TEST(PolygonExport, VtkReadsTheSameTrianglesFromStlAndObj)
{
    const char* const python = "/usr/bin/python3";
    if (!std::filesystem::exists(python)) GTEST_SKIP() << "no " << python;
    PolygonCommand c;
    // A closed, bumpy tube of two units, with a stretched space.
    std::vector<float> v;
    std::vector<uint32_t> idx;
    const int around = 40, along = 30;
    for (int j = 0; j < along; ++j)
        for (int i = 0; i < around; ++i) {
            const double a = 2 * M_PI * i / around, r = 5 + std::sin(3 * a + j * 0.3);
            v.insert(v.end(), {float(r * std::cos(a)), float(r * std::sin(a)), float(j * 0.7)});
        }
    for (int j = 0; j + 1 < along; ++j)
        for (int i = 0; i < around; ++i) {
            const uint32_t p = j * around + i, q = j * around + (i + 1) % around;
            idx.insert(idx.end(), {p, q, p + around, q, q + around, p + around});
        }
    auto first = std::make_unique<OwnedMesh>(L"tube", v, idx);
    auto second = std::make_unique<OwnedMesh>(L"tube2", v, std::vector<uint32_t>(idx.begin(), idx.begin() + 300));
    for (OwnedMesh* m : {first.get(), second.get()}) {
        m->record.topGroupScale[0] = 1, m->record.topGroupScale[1] = 1, m->record.topGroupScale[2] = 3;
        m->record.pitch[0] = 0.25;
    }
    second->record.lengthFactor = 0.1;
    c.dialogs.magnification = 1.5f;
    c.dialogs.polygonFormat = L"STL";
    c.dialogs.savePath = c.dir.WidePath("tube.stl");
    ASSERT_EQ(c.Run({first.get(), second.get()}), 0);
    c.dialogs.polygonFormat = L"OBJ";
    c.dialogs.savePath = c.dir.WidePath("tube.obj");
    ASSERT_EQ(c.Run({first.get(), second.get()}), 0);

    std::vector<float> corners;
    for (const OwnedMesh* m : {first.get(), second.get()}) {
        const double f[3] = {1 * 0.25 * m->record.lengthFactor * 1.5, 1 * 1.0 * m->record.lengthFactor * 1.5,
                             3 * 1.0 * m->record.lengthFactor * 1.5};
        for (uint32_t index : m->indices)
            for (int k = 0; k < 3; ++k) corners.push_back(float(double(m->vertices[index * 3 + k]) * f[k]));
    }
    c.dir.Write("expected.f32", std::string_view(reinterpret_cast<const char*>(corners.data()), corners.size() * 4));
    const CommandResult r =
        RunCommand(std::string(python) + " " + VELMOR_EXPORT_TEST_DIR "/peers/mesh_peer_check.py " +
                   Quoted((c.dir.Path() / "tube.stl").string()) + " " + Quoted((c.dir.Path() / "tube.obj").string()) + " " +
                   Quoted((c.dir.Path() / "expected.f32").string()) + " " + std::to_string(corners.size() / 9));
    if (r.exitCode == 77) GTEST_SKIP() << r.output;
    EXPECT_EQ(r.exitCode, 0) << r.output;
    if (r.exitCode == 0) std::printf("%s", r.output.c_str());
}

TEST(PolygonExport, MeshUnitsReachTheWritersThroughTheInstalledAccess)
{
    struct Access final : ExportUnitAccess {
        std::map<CKxDrawUnit*, const OwnedMesh*> meshes;
        bool DescribeMeshUnit(CKxDrawUnit& unit, MeshExportRecord& record) override
        {
            const auto found = meshes.find(&unit);
            if (found == meshes.end()) return false;
            record = found->second->record;
            return true;
        }
        bool DescribeVoxelUnit(CKxDrawUnit&, VoxelExportSource&) override { return false; }
    } access;
    ExportUnitAccess* previous = SetExportUnitAccess(&access);
    PolygonCommand c;
    DrawGroup group(L"g");
    CKxDrawUnit first(&group), second(&group);
    auto a = Triangle3(), b = Quad4();
    access.meshes = {{&first, a.get()}, {&second, b.get()}};
    c.dialogs.polygonFormat = L"STL";
    c.dialogs.savePath = c.dir.WidePath("units.stl");
    EXPECT_EQ(c.job.ExportPolygons({&first, &second}), 0);
    EXPECT_EQ(ReadFileBytes(c.dir.Path() / "units.stl").size(), 84u + 50 * 3);
    SetExportUnitAccess(previous);
}
