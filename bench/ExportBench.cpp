// Export writers at the sizes users export: a 512 x 512 x 300 CT volume as
// 16-bit TIFF slices (and as a DICOM series), and a large merged STL mesh;
// and one small write beside a damaged record of a publish, or one of
// another folder that stays.
// Files go to a fresh folder under the temporary folder and are removed.
#include "export/ExportJob.h"
#include "export/MeshExportRecord.h"
#include "platform/AtomicFile.h"
#include "platform/WriterLock.h"
#include "render/RenderSettings.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace velmor;
namespace fs = std::filesystem;

namespace {

struct TempFolder {
    fs::path path;
    TempFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "velmor-export-bench-XXXXXX").string();
        path = mkdtemp(pattern.data()) ? fs::path(pattern) : fs::path();
    }
    ~TempFolder()
    {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

std::vector<uint16_t>& CtVolume()
{
    static std::vector<uint16_t> volume = [] {
        std::vector<uint16_t> v(size_t{512} * 512 * 300);
        size_t i = 0;
        for (int z = 0; z < 300; ++z)
            for (int y = 0; y < 512; ++y)
                for (int x = 0; x < 512; ++x) v[i++] = uint16_t((x * x + y * 3 + z * 17) % 4096 + ((x * 7919 + y) & 63));
        return v;
    }();
    return volume;
}

void RunSlices(benchmark::State& state, int32_t kind)
{
    std::vector<uint16_t>& volume = CtVolume();
    VoxelGrid grid;
    grid.samples = volume.data();
    grid.nx = grid.ny = 512;
    grid.nz = 300;
    grid.sliceSize = 512 * 512;
    grid.bytesPerSample = 2;
    VoxelExportSettings& settings = CurrentRenderSettings().voxelExport;
    settings.colorControlPoints[0] = 0, settings.colorControlPoints[1] = 0;
    settings.colorControlPoints[2] = 65535, settings.colorControlPoints[3] = 65535;
    for (auto _ : state) {
        TempFolder folder;
        ExportJob job(&grid, folder.path.wstring());
        job.pitchX = job.pitchY = 0.5f, job.pitchZ = 1.0f;
        // The slices count as written once they have their names.
        if (job.RunVoxelExport(kind, L"") != 0) state.SkipWithError("export failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(volume.size() * 2));
}

void BM_TiffSlices16_512x512x300(benchmark::State& state) { RunSlices(state, kTiff16Series); }
void BM_DicomSlices16_512x512x300(benchmark::State& state) { RunSlices(state, kUnsignedDicomSeries); }

// A tube of `state.range(0)` triangles, merged and written as binary STL.
void BM_StlBinary(benchmark::State& state)
{
    const int64_t around = 1000, along = state.range(0) / (2 * around) + 1;
    std::vector<float> vertices;
    std::vector<uint32_t> indices;
    for (int64_t j = 0; j < along; ++j)
        for (int64_t i = 0; i < around; ++i) {
            const double a = 2 * M_PI * double(i) / double(around);
            vertices.insert(vertices.end(), {float(50 * std::cos(a)), float(50 * std::sin(a)), float(j)});
        }
    for (int64_t j = 0; j + 1 < along; ++j)
        for (int64_t i = 0; i < around; ++i) {
            const uint32_t p = uint32_t(j * around + i), q = uint32_t(j * around + (i + 1) % around);
            indices.insert(indices.end(), {p, q, uint32_t(p + around), q, uint32_t(q + around), uint32_t(p + around)});
        }
    TriangleMesh mesh;
    mesh.allocationKind = 0;
    mesh.vertexCount = vertices.size() / 3;
    mesh.triangleCount = indices.size() / 3;
    mesh.vertices = vertices.data();
    mesh.indices = indices.data();
    MeshExportRecord record;
    record.name = L"tube";
    record.mesh = &mesh;
    for (auto _ : state) {
        TempFolder folder;
        ExportJob job(nullptr, L"");
        job.magnification = 1.0f;
        job.outputPath = (folder.path / "tube.stl").wstring();
        TriangleMesh merged;
        if (job.MergeSurfaceMeshes({record}, merged) != 0 || job.RunStlJob(&merged) != 0) state.SkipWithError("export failed");
        ReleaseMesh(merged);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(mesh.triangleCount));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(84 + 50 * mesh.triangleCount));
}

// A record of 64 MiB in the private folder: NUL bytes, which no writer
// makes, or entries of the right form whose last one is cut off, of a
// folder that is not there and may come back (/nowhere).
void PlantDamagedRecord(const fs::path& path, bool formed)
{
    constexpr off_t kBytes = off_t{64} << 20;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    static const char header[] = "velmor publish 1\0" "1\0" "2\0" "1\0" "/nowhere";   // with the array's NUL
    std::string chunk(header, sizeof header);
    char entry[80];
    for (off_t written = 0, n = 0; formed && written < kBytes; chunk.clear()) {
        while (chunk.size() < (size_t{1} << 20))
            chunk.append(entry, size_t(std::snprintf(entry, sizeof entry, "n%llx%c.t%llx%c0-0-0-0-0%c%c0-0-0-0-0%c",
                                                      (long long)n, 0, (long long)n, 0, 0, 0, 0))), ++n;
        written += ::write(fd, chunk.data(), chunk.size());
    }
    if (::ftruncate(fd, formed ? kBytes - 1 : kBytes) != 0) std::perror("record");
    ::close(fd);
}

// One small file written while the private folder holds a record planted
// before every write, of NUL bytes (0) or of a folder elsewhere (1), which
// stays and is read no further than its head at every write; or (2) one of
// NUL bytes planted and met by a write before those measured.
void BM_WriteBesideDamagedRecord(benchmark::State& state)
{
    TempFolder folder;
    const char* outer = std::getenv("XDG_STATE_HOME");
    const std::string restore = outer != nullptr ? outer : "";
    ::setenv("XDG_STATE_HOME", (folder.path / "state").c_str(), 1);
    const fs::path records = folder.path / "state" / "Quillmarsh" / "Velmor";
    if (!WriterLock::Held()) state.SkipWithError("no private folder");
    int planted = 0;
    const auto write = [&] {
        AtomicFile file;
        if (!file.Create(folder.path / "out.stl", AtomicFile::Naming::ByUser) || !file.Write("solid") || !file.Commit())
            state.SkipWithError("write failed");
    };
    if (state.range(0) == 2) PlantDamagedRecord(records / "publish-0123456789abcdef-0", false), write();
    for (auto _ : state) {
        state.PauseTiming();
        if (state.range(0) != 2) PlantDamagedRecord(records / ("publish-0123456789abcdef-" + std::to_string(planted++)), state.range(0) == 1);
        state.ResumeTiming();
        write();
    }
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    state.counters["max_rss_MiB"] = double(usage.ru_maxrss) / 1024;
    outer != nullptr ? ::setenv("XDG_STATE_HOME", restore.c_str(), 1) : ::unsetenv("XDG_STATE_HOME");
}

} // namespace

BENCHMARK(BM_TiffSlices16_512x512x300)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_DicomSlices16_512x512x300)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_StlBinary)->Arg(4'000'000)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_WriteBesideDamagedRecord)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK_MAIN();
