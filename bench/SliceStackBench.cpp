// Loading a folder of slices into a volume, the wait users see when a scene
// names an image stack.
//
//   bench_slice_stack                               Google Benchmark over a generated stack
//   bench_slice_stack write DIR [N [SIZE [COMP]]]   writes N SIZE x SIZE 16-bit grey TIFF files,
//                                                   COMP "none" (default), "lzw" or "deflate"
//   bench_slice_stack load DIR [REPEATS [THREADS]]  loads every file of DIR as one stack through
//                                                   the payload loader (THREADS 0: one per core),
//                                                   prints the median pass as
//                                                   "files=<n> seconds=<s> checksum=<c>" (the sum of all values)
// The files' name ending is the stack's source type: TIFF stacks are GRAY16
// or GRAY by their bits per sample, PNG, JPEG and BMP stacks GRAY.
// The stack size of the benchmark comes from VELMOR_SLICE_BENCH_FILES (300).
#include "platform/ImageCodec.h"
#include "platform/WideText.h"
#include "scene/CVelmorDoc.h"
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
#include <thread>
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

struct SliceFormat {
    uint32_t width = 0, height = 0;
    uint16_t bits = 8;
};

bool TiffFormat(const fs::path& file, SliceFormat& format)
{
    TIFF* t = TIFFOpen(file.c_str(), "r");
    if (t == nullptr) return false;
    const bool ok = TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &format.width) == 1 &&
                    TIFFGetField(t, TIFFTAG_IMAGELENGTH, &format.height) == 1 &&
                    TIFFGetField(t, TIFFTAG_BITSPERSAMPLE, &format.bits) == 1;
    TIFFClose(t);
    return ok;
}

bool PictureFormat(const fs::path& file, SliceFormat& format)
{
    std::vector<uint8_t> bytes(static_cast<size_t>(fs::file_size(file)));
    std::FILE* f = std::fopen(file.c_str(), "rb");
    const bool read = f != nullptr && std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f != nullptr) std::fclose(f);
    ImageSize size;
    if (!read || !ReadImageSize(bytes.data(), bytes.size(), size)) return false;
    format.width = static_cast<uint32_t>(size.width);
    format.height = static_cast<uint32_t>(size.height);
    return true;
}

// The folder as a scene's "volume" names it, loaded by the payload loader
// (fresh payload, slices on `threads` threads, histogram).
bool LoadStack(const fs::path& dir, size_t files, unsigned threads, DataObject& volume)
{
    const auto names = FilesOf(dir);
    if (names.empty()) return false;
    const fs::path first(names.front());
    const std::string type = first.extension().string().substr(first.has_extension() ? 1 : 0);
    SliceFormat format;
    if (!(type == "tif" || type == "tiff" ? TiffFormat(first, format) : PictureFormat(first, format))) return false;
    SceneFolder = WideFromPath(dir.parent_path()) + L"/";
    volume.type = L"volume";
    volume.format = format.bits == 16 ? L"GRAY16" : L"GRAY";
    volume.sourcePath = WideFromPath(dir.filename()) + L"/";
    volume.sourceType = std::wstring(type.begin(), type.end());
    volume.sizeX = format.width;
    volume.sizeY = format.height;
    volume.sizeZ = files;
    volume.loadThreads = threads;
    return volume.AcquireData(nullptr) == 0;
}

// A plain sum of the values, outside the timing, lets the peers prove they read the same.
uint64_t Checksum(const DataObject& volume)
{
    uint64_t sum = 0;
    if (volume.bytesPerComponent == 1) {
        for (uint64_t i = 0; i < volume.payloadBytes; ++i) sum += volume.samples[i];
        return sum;
    }
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
                         ("velmor-slice-bench-" + std::to_string(getpid())) / "stack";
    if (!WriteStack(dir, files, 512, static_cast<uint16_t>(state.range(0)))) {
        state.SkipWithError("cannot write the stack");
        fs::remove_all(dir);
        return;
    }
    for (auto _ : state) {
        DataObject volume(L"stack");
        if (!LoadStack(dir, size_t(files), unsigned(state.range(1)), volume)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(volume.samples);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * files);
    state.SetBytesProcessed(int64_t(state.iterations()) * files * 512 * 512 * 2);
    fs::remove_all(dir.parent_path());
}

void Arguments(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"compression", "threads"});
    for (int compression : {COMPRESSION_NONE, COMPRESSION_LZW})
        for (int threads : {1, int(std::max(1u, std::thread::hardware_concurrency()))}) b->Args({compression, threads});
}
BENCHMARK(BM_LoadTiffStack)->Apply(Arguments)->Unit(benchmark::kMillisecond)->UseRealTime();

// The folder given on the command line, without a trailing separator.
fs::path FolderPath(const char* argument)
{
    const fs::path path = fs::absolute(argument).lexically_normal();
    return path.has_filename() ? path : path.parent_path();
}

int LoadCommand(const fs::path& dir, int repeats, unsigned threads)
{
    const size_t files = FilesOf(dir).size();
    std::vector<double> seconds;
    uint64_t checksum = 0;
    for (int r = 0; r < std::max(1, repeats); ++r) {
        DataObject volume(L"stack");
        const auto start = std::chrono::steady_clock::now();
        if (!LoadStack(dir, files, threads, volume)) {
            std::fprintf(stderr, "load failed\n");
            return 1;
        }
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        checksum = Checksum(volume);
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("files=%zu seconds=%.6f checksum=%llu\n", files, seconds[seconds.size() / 2], static_cast<unsigned long long>(checksum));
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
    if (argc >= 3 && std::strcmp(argv[1], "load") == 0)
        return LoadCommand(FolderPath(argv[2]), argc >= 4 ? std::atoi(argv[3]) : 5,
                           argc >= 5 ? unsigned(std::atoi(argv[4])) : 0);
    TIFFSetWarningHandler(nullptr);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
