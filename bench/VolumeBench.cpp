// Volume loading: a 512 x 512 x 500 16-bit volume as "raw" and as "kxd",
// from files in the page cache, beside a plain read of the same raw file.
// With VELMOR_BENCH_DIR set the files are written there and kept, so that
// the peer script can time other readers on the very same bytes.
#include "platform/Memory.h"
#include "platform/WideText.h"
#include "readers/VolumeFileReader.h"
#include "scene/CVelmorDoc.h"
#include "scene/DataObject.h"
#include "support/TempDir.h"
#include "support/VolumeWriter.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <unistd.h>

using namespace velmor;

namespace {

struct Files {
    test::TempDir temp;
    std::filesystem::path folder;
    Files()
    {
        const char* keep = std::getenv("VELMOR_BENCH_DIR");
        folder = keep != nullptr && *keep != '\0' ? std::filesystem::path(keep) : temp.Path();
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

// The raw file with plain reads, as a baseline.
void PlainRead(const std::filesystem::path& path, uint8_t* dest, uint64_t bytes)
{
    const int fd = open(path.c_str(), O_RDONLY);
    uint64_t done = 0;
    while (done < bytes) {
        const ssize_t n = read(fd, dest + done, bytes - done);
        if (n <= 0) break;
        done += static_cast<uint64_t>(n);
    }
    close(fd);
}

constexpr uint64_t kRawBytes = 512ull * 512 * 500 * 2;

void BM_PlainReadOfRawFile(benchmark::State& state)
{
    Files& f = TheFiles();
    CommittedBuffer dest(kRawBytes);
    for (auto _ : state) PlainRead(f.folder / "v.raw", dest.Data(), kRawBytes);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kRawBytes));
}

// The whole load of a data object, as a unit asks for it: a fresh payload
// every time, read by the job, then freed.
void Acquire(benchmark::State& state, const char* name)
{
    Files& f = TheFiles();
    SceneFolder = WideFromPath(f.folder) + L"/";
    DataObject data(L"bench");
    data.type = L"volume";
    data.format = L"GRAY16";
    data.sizeX = data.sizeY = 512;
    data.sizeZ = 500;
    data.sourcePath = std::wstring(name, name + std::strlen(name));
    data.sourceType = data.sourcePath.substr(2);
    for (auto _ : state) {
        if (data.AcquireData(nullptr) != 0) state.SkipWithError("load failed");
        data.users.clear();
        data.FreeBuffers();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * std::filesystem::file_size(f.folder / name)));
}

// A plain read into fresh memory, the fair partner of a whole load.
void BM_PlainReadIntoFreshMemory(benchmark::State& state)
{
    Files& f = TheFiles();
    for (auto _ : state) {
        CommittedBuffer dest(kRawBytes);
        PlainRead(f.folder / "v.raw", dest.Data(), kRawBytes);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kRawBytes));
}

void BM_AcquireRaw(benchmark::State& state) { Acquire(state, "v.raw"); }
void BM_AcquireKxd(benchmark::State& state) { Acquire(state, "v.kxd"); }

void BM_LoadRaw(benchmark::State& state) { Load(state, VolumeFileKind::Raw, "v.raw"); }
void BM_LoadKxd(benchmark::State& state) { Load(state, VolumeFileKind::Kxd, "v.kxd"); }

} // namespace

BENCHMARK(BM_PlainReadOfRawFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadRaw)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadKxd)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainReadIntoFreshMemory)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AcquireRaw)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AcquireKxd)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
