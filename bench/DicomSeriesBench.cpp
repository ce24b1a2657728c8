// Loading a CT series, the wait users see when a scene names DICOM slices.
//
//   bench_dicom_series                      Google Benchmark over a generated series
//   bench_dicom_series write DIR [N [SIZE]] writes N slices of SIZE x SIZE 16-bit pixels
//   bench_dicom_series load DIR [REPEATS]   loads every file of DIR, prints the best
//                                           pass as "files=<n> seconds=<s> checksum=<c>"
// The series size of the benchmark comes from VELMOR_DICOM_BENCH_SLICES (500).
#include "readers/DicomFileReader.h"
#include "readers/DicomFileWriter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

using namespace velmor;
namespace fs = std::filesystem;

namespace {

DicomElement Text(uint16_t g, uint16_t e, uint32_t vr, const std::string& value)
{
    DicomElement element(MakeDicomTag(g, e), vr, kAnyMultiplicity, "bench", 1);
    element.SetValue(value.data(), uint32_t(value.size()));
    return element;
}

DicomElement Short(uint16_t g, uint16_t e, uint16_t value) { return DicomElement(g, e, &value, 2); }

// Explicit VR little endian CT slices as the slice export writes them.
bool WriteSeries(const fs::path& dir, int slices, int size)
{
    fs::create_directories(dir);
    std::vector<int16_t> pixels(size_t(size) * size_t(size));
    for (int z = 0; z < slices; ++z) {
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = int16_t((i * 7 + size_t(z) * 13) % 4096 - 1024);
        const std::string instance = "1.2.826.0.1.3680043.8.498.1." + std::to_string(z + 1);
        DicomDataSet set;
        set.Insert(Text(0x0002, 0x0002, kVrUI, "1.2.840.10008.5.1.4.1.1.2"));
        set.Insert(Text(0x0002, 0x0003, kVrUI, instance));
        set.Insert(Text(0x0002, 0x0010, kVrUI, "1.2.840.10008.1.2.1"));
        set.Insert(Text(0x0002, 0x0012, kVrUI, "1.2.826.0.1.3680043.8.498.2"));
        set.Insert(Text(0x0008, 0x0016, kVrUI, "1.2.840.10008.5.1.4.1.1.2"));
        set.Insert(Text(0x0008, 0x0018, kVrUI, instance));
        set.Insert(Text(0x0008, 0x0060, kVrCS, "CT"));
        set.Insert(Text(0x0010, 0x0010, kVrPN, "Bench^Series"));
        set.Insert(Text(0x0020, 0x0011, kVrIS, "1"));
        set.Insert(Text(0x0020, 0x0013, kVrIS, std::to_string(z + 1)));
        set.Insert(Text(0x0020, 0x0032, kVrDS, "0\\0\\" + std::to_string(z)));
        set.Insert(Short(0x0028, 0x0002, 1));
        set.Insert(Text(0x0028, 0x0004, kVrCS, "MONOCHROME2"));
        set.Insert(Short(0x0028, 0x0010, uint16_t(size)));
        set.Insert(Short(0x0028, 0x0011, uint16_t(size)));
        set.Insert(Text(0x0028, 0x0030, kVrDS, "0.5\\0.5"));
        set.Insert(Short(0x0028, 0x0100, 16));
        set.Insert(Short(0x0028, 0x0101, 16));
        set.Insert(Short(0x0028, 0x0102, 15));
        set.Insert(Short(0x0028, 0x0103, 1));
        set.Insert(Text(0x0028, 0x1052, kVrDS, "0"));
        set.Insert(Text(0x0028, 0x1053, kVrDS, "1"));
        set.Insert(DicomElement(0x7FE0, 0x0010, pixels.data(), uint32_t(pixels.size() * 2)));
        char name[32];
        std::snprintf(name, sizeof name, "slice%04d.dcm", z + 1);
        if (!SaveDicomFile(set, (dir / name).string())) return false;
    }
    return true;
}

std::vector<std::string> FilesOf(const fs::path& dir)
{
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.is_regular_file()) files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

// What the slice loader takes from each file; the checksum keeps the work
// from being optimised away and lets the peers prove they read the same.
bool LoadSeries(const std::vector<std::string>& files, uint64_t& checksum)
{
    checksum = 0;
    for (const std::string& file : files) {
        DicomDataSet set;
        if (!LoadDicomFile(set, file)) return false;
        const auto pixels = set.Find(0x7FE0, 0x0010);
        if (pixels == set.end() || pixels->second.Length() < 2) return false;
        uint16_t last;
        std::memcpy(&last, pixels->second.Value() + pixels->second.Length() - 2, 2);
        checksum += uint64_t(set.GetInt(0x0020, 0x0013, -1)) + uint64_t(set.GetInt(0x0028, 0x0103, 1)) + last +
                    pixels->second.Length();
    }
    return true;
}

int SlicesFromEnvironment()
{
    const char* text = std::getenv("VELMOR_DICOM_BENCH_SLICES");
    return text ? std::max(1, std::atoi(text)) : 500;
}

void BM_LoadCtSeries(benchmark::State& state)
{
    const int slices = SlicesFromEnvironment();
    const fs::path dir = fs::path(fs::exists("/dev/shm") ? "/dev/shm" : fs::temp_directory_path()) /
                         ("velmor-dicom-bench-" + std::to_string(getpid()));
    if (!WriteSeries(dir, slices, 512)) {
        state.SkipWithError("cannot write the series");
        fs::remove_all(dir);
        return;
    }
    const auto files = FilesOf(dir);
    uint64_t checksum = 0;
    for (auto _ : state) {
        if (!LoadSeries(files, checksum)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(checksum);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * slices);
    state.SetBytesProcessed(int64_t(state.iterations()) * slices * 512 * 512 * 2);
    fs::remove_all(dir);
}
BENCHMARK(BM_LoadCtSeries)->Unit(benchmark::kMillisecond)->UseRealTime();

int LoadCommand(const fs::path& dir, int repeats)
{
    const auto files = FilesOf(dir);
    double best = 1e300;
    uint64_t checksum = 0;
    for (int r = 0; r < repeats; ++r) {
        const auto start = std::chrono::steady_clock::now();
        if (!LoadSeries(files, checksum)) {
            std::fprintf(stderr, "load failed\n");
            return 1;
        }
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::printf("files=%zu seconds=%.6f checksum=%llu\n", files.size(), best, static_cast<unsigned long long>(checksum));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "write") == 0) {
        const int slices = argc >= 4 ? std::atoi(argv[3]) : 500;
        const int size = argc >= 5 ? std::atoi(argv[4]) : 512;
        return WriteSeries(argv[2], slices, size) ? 0 : 1;
    }
    if (argc >= 3 && std::strcmp(argv[1], "load") == 0) return LoadCommand(argv[2], argc >= 4 ? std::atoi(argv[3]) : 5);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
