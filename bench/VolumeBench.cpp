// Volume loading: a 512 x 512 x 500 16-bit volume as "raw" and as "kxd",
// from files in the page cache: the readers alone, whole loads through a
// data object (fresh payload, histogram) at one thread and at all cores,
// halved and quartered loads, and the plain reads a C program would make.
// Mirroring a 150 MB volume along each axis.
// With VELMOR_BENCH_DIR set the files are written there and kept (and found
// there again), so that the peer script can time other readers on the very
// same bytes.
#include "platform/Memory.h"
#include "platform/WideText.h"
#include "readers/SampleMirror.h"
#include "readers/VolumeFileReader.h"
#include "scene/ApplicationSettings.h"
#include "scene/CVelmorDoc.h"
#include "scene/DataObject.h"
#include "support/TempDir.h"
#include "support/VolumeWriter.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <thread>

using namespace velmor;

namespace {

constexpr uint64_t kRawBytes = 512ull * 512 * 500 * 2;

struct Files {
    test::TempDir temp;
    std::filesystem::path folder;
    Files()
    {
        const char* keep = std::getenv("VELMOR_BENCH_DIR");
        folder = keep != nullptr && *keep != '\0' ? std::filesystem::path(keep) : temp.Path();
        std::error_code error;
        if (std::filesystem::file_size(folder / "v.raw", error) == kRawBytes && std::filesystem::exists(folder / "v.kxd")) return;
        const test::TestVolume volume = test::RandomVolume(512, 512, 500, 2, 11);
        std::ofstream(folder / "v.raw", std::ios::binary) << test::RawBytes(volume);
        std::ofstream(folder / "v.kxd", std::ios::binary) << test::KxdBytes(volume);
    }
    std::wstring WidePath(const char* name) const { return WideFromPath(folder / name); }
};

Files& TheFiles()
{
    static Files files;
    return files;
}

int AllThreads() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

void Load(benchmark::State& state, VolumeFileKind kind, const char* name)
{
    Files& f = TheFiles();
    const VolumeLayout layout{512, 512, 500, static_cast<int>(state.range(0)), 2, 1};
    CommittedBuffer dest(static_cast<uint64_t>(layout.KeptX() * layout.KeptY() * layout.KeptZ()) * 2);
    CommittedBuffer work(layout.SliceBytes());
    uint64_t fileBytes = 0;
    for (auto _ : state) {
        ByteSource source;
        source.OpenFile(f.WidePath(name));
        fileBytes = source.Size();
        const bool ok = kind == VolumeFileKind::Raw ? ReadRawVolume(layout, source, dest.Data(), work.Data())
                                                    : ReadKxdVolume(layout, source, dest.Data(), work.Data());
        if (!ok) state.SkipWithError("load failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * fileBytes));
}

// The file with plain reads into memory the program committed, as a floor.
void PlainRead(const std::filesystem::path& path, uint8_t* dest, uint64_t bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return;
    uint64_t done = 0;
    while (done < bytes) {
        const size_t n = std::fread(dest + done, 1, bytes - done, file);
        if (n == 0) break;
        done += n;
    }
    std::fclose(file);
}

void BM_PlainReadOfRawFile(benchmark::State& state)
{
    Files& f = TheFiles();
    CommittedBuffer dest(kRawBytes);
    for (auto _ : state) PlainRead(f.folder / "v.raw", dest.Data(), kRawBytes);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kRawBytes));
}

// What a C program does to load a file: fread into fresh memory from malloc.
// The partner of a whole load.
void FreadIntoFreshMemory(benchmark::State& state, const char* name)
{
    Files& f = TheFiles();
    const uint64_t bytes = std::filesystem::file_size(f.folder / name);
    for (auto _ : state) {
        std::unique_ptr<uint8_t[]> dest(new uint8_t[bytes]);
        PlainRead(f.folder / name, dest.get(), bytes);
        benchmark::DoNotOptimize(dest.get());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

// The whole load of a data object, as a unit asks for it: a fresh payload
// every time, read by the job, counted, then freed.
// Arguments: threads (0: one per core) and reduction step.
void Acquire(benchmark::State& state, const char* name)
{
    Files& f = TheFiles();
    const ApplicationSettings saved = CurrentApplicationSettings();
    ApplicationSettings reduce = saved;
    const int step = static_cast<int>(state.range(1));
    reduce.useHalf = step >= 2;
    reduce.halfSizeMB = 0;
    reduce.useQuarter = step == 4;
    reduce.quarterSizeMB = 0;
    SetApplicationSettings(reduce);
    SceneFolder = WideFromPath(f.folder) + L"/";
    DataObject data(L"bench");
    data.type = L"volume";
    data.format = L"GRAY16";
    data.sizeX = data.sizeY = 512;
    data.sizeZ = 500;
    data.sourcePath = std::wstring(name, name + std::strlen(name));
    data.sourceType = data.sourcePath.substr(2);
    data.loadThreads = static_cast<unsigned>(state.range(0));
    for (auto _ : state) {
        if (data.AcquireData(nullptr) != 0) state.SkipWithError("load failed");
        data.users.clear();
        data.FreeBuffers();
    }
    SetApplicationSettings(saved);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * std::filesystem::file_size(f.folder / name)));
}

void Arguments(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"threads", "step"});
    for (int threads : {1, AllThreads()})
        for (int step : {1, 2, 4}) b->Args({threads, step});
}

void BM_FreadRawIntoFreshMemory(benchmark::State& state) { FreadIntoFreshMemory(state, "v.raw"); }
void BM_FreadKxdIntoFreshMemory(benchmark::State& state) { FreadIntoFreshMemory(state, "v.kxd"); }
void BM_AcquireRaw(benchmark::State& state) { Acquire(state, "v.raw"); }
void BM_AcquireKxd(benchmark::State& state) { Acquire(state, "v.kxd"); }

void BM_LoadRaw(benchmark::State& state) { Load(state, VolumeFileKind::Raw, "v.raw"); }
void BM_LoadKxd(benchmark::State& state) { Load(state, VolumeFileKind::Kxd, "v.kxd"); }

// Mirroring 512 x 512 x 300 16-bit samples (150 MB) along one axis.
void BM_Mirror(benchmark::State& state)
{
    const int64_t x = 512, y = 512, z = 300;
    CommittedBuffer data(static_cast<uint64_t>(x * y * z) * 2);
    std::memset(data.Data(), 7, data.Size());
    const int axis = static_cast<int>(state.range(0));
    for (auto _ : state) MirrorSamples(data.Data(), x, y, z, 2, axis == 0, axis == 1, axis == 2);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.Size()));
}

} // namespace

BENCHMARK(BM_PlainReadOfRawFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadRaw)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadKxd)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FreadRawIntoFreshMemory)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FreadKxdIntoFreshMemory)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AcquireRaw)->Apply(Arguments)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AcquireKxd)->Apply(Arguments)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Mirror)->DenseRange(0, 2)->ArgName("axis")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
