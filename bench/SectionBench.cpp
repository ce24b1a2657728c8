// The clip cap's section through a 256^3 16-bit volume, resampled each time
// the clip plane moves: a tilted plane through the centre at two grid sizes.
#include "units/ColorLut.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

using namespace velmor;

namespace {

constexpr uint64_t kSide = 256;

const std::vector<uint8_t>& Volume()
{
    static const std::vector<uint8_t> volume = [] {
        std::vector<uint8_t> v(kSide * kSide * kSide * 2);
        uint32_t state = 12345;
        for (uint8_t& byte : v) {
            state = state * 1664525u + 1013904223u;
            byte = static_cast<uint8_t>(state >> 24);
        }
        return v;
    }();
    return volume;
}

void BM_TiltedSection(benchmark::State& state)
{
    const std::vector<uint8_t>& volume = Volume();
    ColorLut lut;
    lut.imageWidth = lut.imageHeight = lut.imageDepth = kSide;
    lut.channels = 1;
    lut.bytesPerChannel = 2;
    lut.sectionSamples = static_cast<uint64_t>(state.range(0));
    lut.sectionScale = kSectionHalfSize;
    if (!lut.CommitSectionBuffers()) {
        state.SkipWithError("no memory for the section");
        return;
    }
    // Plane units to samples: the grid spans the volume's diagonal.
    const double k = kSide * 1.7320508 / (2 * kSectionHalfSize);
    SectionFrame frame;
    const double column[3] = {0.8 * k, 0.36 * k, -0.48 * k}, row[3] = {-0.36 * k, 0.93 * k, 0.0};
    for (int i = 0; i < 3; ++i)
        frame.column[i] = column[i], frame.row[i] = row[i];
    for (auto _ : state) {
        frame.origin[2] += 0.01;   // the plane moves a little every frame
        const SectionRect rect = lut.SampleSection(volume.data(), volume.size(), 0, 65535, L"RGB2", frame);
        benchmark::DoNotOptimize(rect);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(0));
}
BENCHMARK(BM_TiltedSection)->Arg(512)->Arg(1024)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
