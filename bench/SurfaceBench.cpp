// Extraction plus normals on 16-bit gyroids and a CT-like phantom, and the
// volume colour kernel against a plain copy of the bytes it writes.
#include "SurfacePhantoms.h"

#include "processing/SurfaceBuilder.h"
#include "processing/VolumeColorJob.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

using namespace velmor;

namespace {

const std::vector<uint16_t>& Volume(uint64_t n)
{
    static std::vector<uint16_t> v256 = bench::Gyroid(256);
    static std::vector<uint16_t> v512;
    if (n == 256) return v256;
    if (v512.empty()) v512 = bench::Gyroid(512);
    return v512;
}

void Surface(benchmark::State& state, const std::vector<uint16_t>& volume, uint64_t n, float low)
{
    SurfaceUnitState unit;
    unit.voxels = {const_cast<uint16_t*>(volume.data()), n, n, n, n * n, 2};
    unit.gridCentre[0] = unit.gridCentre[1] = unit.gridCentre[2] = n / 2.0;
    unit.borderLow = low;
    unit.borderUp = 65535;
    for (auto _ : state) {
        SurfaceBuilder builder;
        builder.threadCount = unsigned(state.range(1));
        if (builder.MakeSurface(unit) != 0) state.SkipWithError("surface failed");
    }
    state.counters["triangles"] = double(unit.mesh.triangleCount);
    state.counters["voxels/s"] = benchmark::Counter(double(n * n * n), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_SurfaceAndNormals(benchmark::State& state)
{
    const uint64_t n = state.range(0);
    Surface(state, Volume(n), n, 32768);
}

void BM_CtBoneSurfaceAndNormals(benchmark::State& state)
{
    static const std::vector<uint16_t> ct = bench::CtPhantom(256);
    Surface(state, ct, 256, bench::kCtBoneLow);
}

void Threads(benchmark::internal::Benchmark* b)
{
    const int all = int(std::max(1u, std::thread::hardware_concurrency()));
    for (int n : {256, 512})
        for (int t : {1, all}) b->Args({n, t});
}
BENCHMARK(BM_SurfaceAndNormals)->Apply(Threads)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CtBoneSurfaceAndNormals)
    ->Args({256, 1})
    ->Args({256, int(std::max(1u, std::thread::hardware_concurrency()))})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

struct ColourVolume {
    std::vector<uint16_t> x, y, z;
    VolumeUnitState unit;
    explicit ColourVolume(uint64_t n) : x(n * n * n), y(n * n * n), z(n * n * n)
    {
        const auto& v = Volume(n);
        unit.voxels = {const_cast<uint16_t*>(v.data()), n, n, n, n * n, 2};
        unit.colorRestriction[0] = 1000;
        unit.colorRestriction[1] = 60000;
        unit.brightness_A = 10;
        unit.contrast_A = 1.2f;
        unit.displayVolumeX = x.data();
        unit.displayVolumeY = y.data();
        unit.displayVolumeZ = z.data();
    }
};

// The bound the kernel is measured against is a plain copy of the bytes it
// writes. Each iteration runs both, one after the other, and times the
// kernel; `memcpy_ratio` is the median copy time over the median kernel time.
void BM_VolumeColours(benchmark::State& state)
{
    ColourVolume c(256);
    const uint16_t* in = static_cast<const uint16_t*>(c.unit.voxels.samples);
    std::vector<double> kernel, copy;
    auto seconds = [](auto since) { return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count(); };
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        for (auto* out : {&c.x, &c.y, &c.z}) std::memcpy(out->data(), in, out->size() * 2);
        benchmark::ClobberMemory();
        copy.push_back(seconds(start));
        VolumeColorJob job;
        job.threadCount = unsigned(state.range(0));
        start = std::chrono::steady_clock::now();
        job.Run(c.unit);
        kernel.push_back(seconds(start));
        state.SetIterationTime(kernel.back());
    }
    auto median = [](std::vector<double> v) {
        std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
        return v[v.size() / 2];
    };
    state.counters["memcpy_ratio"] = median(copy) / median(kernel);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(c.x.size() * 2 * 3));
}
BENCHMARK(BM_VolumeColours)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseManualTime();

} // namespace

BENCHMARK_MAIN();
