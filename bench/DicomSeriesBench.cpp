// Loading a CT series, the wait users see when a scene names DICOM slices.
//
//   bench_dicom_series                        Google Benchmark over a generated series
//   bench_dicom_series write DIR [N [SIZE]]   writes N slices of SIZE x SIZE 16-bit pixels,
//                                             instance numbers counting down against the names
//   bench_dicom_series load DIR [REPEATS]     parses every file of DIR, prints the median
//                                             pass as "files=<n> seconds=<s> checksum=<c>"
//   bench_dicom_series volume DIR [REPEATS [THREADS]]
//                                             loads DIR as a volume through a data object
//                                             (instance order, one payload, histogram); the
//                                             checksum is the sum over slices of (index + 1)
//                                             x the sum of the slice's signed values
// The series size of the benchmark comes from VELMOR_DICOM_BENCH_SLICES (500).
#include "platform/WideText.h"
#include "readers/DicomFileReader.h"
#include "readers/DicomFileWriter.h"
#include "scene/CVelmorDoc.h"
#include "scene/DataObject.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
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
        // Name order is not instance order, so that the loader has to sort.
        const int number = slices - z;
        const std::string instance = "1.2.826.0.1.3680043.8.498.1." + std::to_string(number);
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
        set.Insert(Text(0x0020, 0x0013, kVrIS, std::to_string(number)));
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

// The folder as a scene's "volume" names it, loaded by the payload loader.
bool LoadVolume(const fs::path& dir, size_t files, unsigned threads, DataObject& volume)
{
    DicomDataSet first;
    const auto names = FilesOf(dir);
    if (names.empty() || !LoadDicomFile(first, names.front())) return false;
    SceneFolder = WideFromPath(dir.parent_path()) + L"/";
    volume.type = L"volume";
    volume.format = L"GRAY16";
    volume.sizeX = uint64_t(first.GetInt(0x0028, 0x0011, 0));
    volume.sizeY = uint64_t(first.GetInt(0x0028, 0x0010, 0));
    volume.sizeZ = files;
    volume.sourcePath = WideFromPath(dir.filename()) + L"/";
    volume.sourceType = L"dcm";
    volume.loadThreads = threads;
    return volume.AcquireData(nullptr) == 0;
}

long long VolumeChecksum(const DataObject& volume)
{
    const auto* values = reinterpret_cast<const uint16_t*>(volume.samples);
    const uint64_t perSlice = volume.countX * volume.countY;
    const long long offset = volume.isSigned ? 32768 : 0;
    long long checksum = 0;
    for (uint64_t z = 0; z < volume.countZ; ++z) {
        long long sum = 0;
        for (uint64_t i = 0; i < perSlice; ++i) sum += values[z * perSlice + i] - offset;
        checksum += static_cast<long long>(z + 1) * sum;
    }
    return checksum;
}

unsigned AllThreads() { return std::max(1u, std::thread::hardware_concurrency()); }

void BM_LoadCtVolume(benchmark::State& state)
{
    const int slices = SlicesFromEnvironment();
    const fs::path dir = fs::path(fs::exists("/dev/shm") ? "/dev/shm" : fs::temp_directory_path()) /
                         ("velmor-dicom-volume-" + std::to_string(getpid())) / "series";
    if (!WriteSeries(dir, slices, 512)) {
        state.SkipWithError("cannot write the series");
        fs::remove_all(dir.parent_path());
        return;
    }
    for (auto _ : state) {
        DataObject volume(L"series");
        if (!LoadVolume(dir, size_t(slices), unsigned(state.range(0)), volume)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(volume.samples);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * slices);
    state.SetBytesProcessed(int64_t(state.iterations()) * slices * 512 * 512 * 2);
    fs::remove_all(dir.parent_path());
}
BENCHMARK(BM_LoadCtVolume)->Arg(1)->Arg(int(AllThreads()))->ArgName("threads")->Unit(benchmark::kMillisecond)->UseRealTime();

double Median(std::vector<double> seconds)
{
    std::sort(seconds.begin(), seconds.end());
    return seconds[seconds.size() / 2];
}

int LoadCommand(const fs::path& dir, int repeats)
{
    const auto files = FilesOf(dir);
    std::vector<double> seconds;
    uint64_t checksum = 0;
    for (int r = 0; r < std::max(1, repeats); ++r) {
        const auto start = std::chrono::steady_clock::now();
        if (!LoadSeries(files, checksum)) {
            std::fprintf(stderr, "load failed\n");
            return 1;
        }
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::printf("files=%zu seconds=%.6f checksum=%llu\n", files.size(), Median(seconds),
                static_cast<unsigned long long>(checksum));
    return 0;
}

// The folder given on the command line, without a trailing separator.
fs::path FolderPath(const char* argument)
{
    const fs::path path = fs::absolute(argument).lexically_normal();
    return path.has_filename() ? path : path.parent_path();
}

int VolumeCommand(const fs::path& dir, int repeats, unsigned threads)
{
    const size_t files = FilesOf(dir).size();
    std::vector<double> seconds;
    long long checksum = 0;
    for (int r = 0; r < std::max(1, repeats); ++r) {
        DataObject volume(L"series");
        const auto start = std::chrono::steady_clock::now();
        if (!LoadVolume(dir, files, threads, volume)) {
            std::fprintf(stderr, "load failed\n");
            return 1;
        }
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        checksum = VolumeChecksum(volume);
    }
    std::printf("files=%zu seconds=%.6f checksum=%lld\n", files, Median(seconds), checksum);
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
    if (argc >= 3 && std::strcmp(argv[1], "volume") == 0)
        return VolumeCommand(FolderPath(argv[2]), argc >= 4 ? std::atoi(argv[3]) : 5,
                             argc >= 5 ? unsigned(std::atoi(argv[4])) : 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
