// Loading a folder of TIFF slices into a volume, the wait users see when a
// scene names an image stack.
//
//   bench_slice_stack                               Google Benchmark over a generated stack
//   bench_slice_stack write DIR [N [SIZE [COMP]]]   writes N SIZE x SIZE 16-bit grey TIFF files,
//                                                   COMP "none" (default), "lzw" or "deflate"
//   bench_slice_stack load DIR [REPEATS]            loads every file of DIR as one stack, prints
//                                                   the best pass as "files=<n> seconds=<s> checksum=<c>"
//                                                   (the sum of all values)
// The stack size of the benchmark comes from VELMOR_SLICE_BENCH_FILES (300).
#include "scene/DataObject.h"

#include <benchmark/benchmark.h>
#include <tiffio.h>

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

uint16_t CompressionOf(const std::string& name)
{
    if (name == "lzw") return COMPRESSION_LZW;
    if (name == "deflate") return COMPRESSION_ADOBE_DEFLATE;
    return COMPRESSION_NONE;
}

bool WriteStack(const fs::path& dir, int files, int size, uint16_t compression)
{
    fs::create_directories(dir);
    std::vector<uint16_t> row(static_cast<size_t>(size));
    for (int z = 0; z < files; ++z) {
        char name[32];
        std::snprintf(name, sizeof name, "slice%04d.tif", z + 1);
        TIFF* t = TIFFOpen((dir / name).c_str(), "w");
        if (t == nullptr) return false;
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, size);
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, size);
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 16);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
        bool ok = true;
        for (int y = 0; y < size && ok; ++y) {
            // CT-like values: a smooth body with noise, so that compression has something to do.
            for (int x = 0; x < size; ++x) row[x] = static_cast<uint16_t>((x * x + y * 3 + z * 17) % 4096 + ((x * 7919 + y) & 63));
            ok = TIFFWriteScanline(t, row.data(), static_cast<uint32_t>(y), 0) == 1;
        }
        TIFFClose(t);
        if (!ok) return false;
    }
    return true;
}

std::vector<std::wstring> FilesOf(const fs::path& dir)
{
    std::vector<std::wstring> files;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.is_regular_file()) files.push_back(entry.path().wstring());
    std::sort(files.begin(), files.end());
    return files;
}

bool SliceSize(const std::wstring& file, uint32_t& width, uint32_t& height)
{
    TIFF* t = TIFFOpen(fs::path(file).c_str(), "r");
    if (t == nullptr) return false;
    const bool ok = TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &width) == 1 && TIFFGetField(t, TIFFTAG_IMAGELENGTH, &height) == 1;
    TIFFClose(t);
    return ok;
}

// What the payload loader does for a folder: one call a slice into one buffer.
bool LoadStack(const std::vector<std::wstring>& files, DataObject& volume)
{
    uint32_t width = 0, height = 0;
    if (files.empty() || !SliceSize(files.front(), width, height)) return false;
    volume.type = L"volume";
    volume.format = L"GRAY16";
    volume.sourceType = L"tif";
    volume.sizeX = volume.countX = width;
    volume.sizeY = volume.countY = height;
    volume.sizeZ = volume.countZ = files.size();
    if (!volume.AllocDataBuffer()) return false;
    const uint64_t sliceBytes = uint64_t{width} * height * 2;
    for (size_t z = 0; z < files.size(); ++z)
        if (!volume.LoadSliceImage16(volume.samples + z * sliceBytes, files[z])) return false;
    return true;
}

// A plain sum of the values, outside the timing, lets the peers prove they read the same.
uint64_t Checksum(const DataObject& volume)
{
    uint64_t sum = 0;
    const auto* values = reinterpret_cast<const uint16_t*>(volume.samples);
    for (uint64_t i = 0; i < volume.payloadBytes / 2; ++i) sum += values[i];
    return sum;
}

int FilesFromEnvironment()
{
    const char* text = std::getenv("VELMOR_SLICE_BENCH_FILES");
    return text ? std::max(1, std::atoi(text)) : 300;
}

void BM_LoadTiffStack(benchmark::State& state)
{
    const int files = FilesFromEnvironment();
    const fs::path dir = fs::path(fs::exists("/dev/shm") ? "/dev/shm" : fs::temp_directory_path()) /
                         ("velmor-slice-bench-" + std::to_string(getpid()));
    if (!WriteStack(dir, files, 512, static_cast<uint16_t>(state.range(0)))) {
        state.SkipWithError("cannot write the stack");
        fs::remove_all(dir);
        return;
    }
    const auto names = FilesOf(dir);
    for (auto _ : state) {
        DataObject volume(L"stack");
        if (!LoadStack(names, volume)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(volume.samples);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * files);
    state.SetBytesProcessed(int64_t(state.iterations()) * files * 512 * 512 * 2);
    fs::remove_all(dir);
}
BENCHMARK(BM_LoadTiffStack)->Arg(COMPRESSION_NONE)->Arg(COMPRESSION_LZW)->Unit(benchmark::kMillisecond)->UseRealTime();

int LoadCommand(const fs::path& dir, int repeats)
{
    const auto files = FilesOf(dir);
    double best = 1e300;
    uint64_t checksum = 0;
    for (int r = 0; r < repeats; ++r) {
        DataObject volume(L"stack");
        const auto start = std::chrono::steady_clock::now();
        if (!LoadStack(files, volume)) {
            std::fprintf(stderr, "load failed\n");
            return 1;
        }
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        checksum = Checksum(volume);
    }
    std::printf("files=%zu seconds=%.6f checksum=%llu\n", files.size(), best, static_cast<unsigned long long>(checksum));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "write") == 0) {
        const int files = argc >= 4 ? std::atoi(argv[3]) : 300;
        const int size = argc >= 5 ? std::atoi(argv[4]) : 512;
        return WriteStack(argv[2], files, size, CompressionOf(argc >= 6 ? argv[5] : "none")) ? 0 : 1;
    }
    if (argc >= 3 && std::strcmp(argv[1], "load") == 0) return LoadCommand(argv[2], argc >= 4 ? std::atoi(argv[3]) : 5);
    TIFFSetWarningHandler(nullptr);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
