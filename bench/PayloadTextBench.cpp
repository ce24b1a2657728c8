// Loading number text through a data object: an "array_xyz" of floats and
// an "array_index" of integers, from files in the page cache. Bytes
// processed are the file's, so the figure reads as MB/s of text.
#include "scene/CVelmorDoc.h"
#include "scene/DataObject.h"
#include "support/TempDir.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <random>

using namespace velmor;

namespace {

constexpr uint64_t kRows = 2'000'000;

struct Files {
    test::TempDir dir;
    Files()
    {
        std::mt19937 rng(5);
        std::uniform_real_distribution<float> coordinate(-500.0f, 500.0f);
        std::string xyz, index;
        char line[96];
        for (uint64_t i = 0; i < kRows; ++i) {
            std::snprintf(line, sizeof line, "%.4f %.4f  %.4f\r\n", coordinate(rng), coordinate(rng), coordinate(rng));
            xyz += line;
            index += std::to_string(rng() % 1'000'000) + "\n";
        }
        dir.Write("xyz.txt", xyz);
        dir.Write("index.txt", index);
        SceneFolder = dir.WidePath("");
    }
};

Files& TheFiles()
{
    static Files files;
    return files;
}

void Load(benchmark::State& state, const wchar_t* type, const wchar_t* format, const char* file)
{
    Files& f = TheFiles();
    DataObject data(L"bench");
    data.type = type;
    data.format = format;
    data.elementCount = kRows;
    data.sourcePath = std::wstring(file, file + std::strlen(file));
    data.sourceType = L"txt";
    const auto bytes = static_cast<int64_t>(std::filesystem::file_size(f.dir.Path() / file));
    for (auto _ : state) {
        if (data.AcquireData(nullptr) != 0) state.SkipWithError("load failed");
        data.users.clear();
        data.FreeBuffers();
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}

void BM_TextArrayXyz(benchmark::State& state) { Load(state, L"array_xyz", L"float", "xyz.txt"); }
void BM_TextArrayIndex(benchmark::State& state) { Load(state, L"array_index", L"uint", "index.txt"); }

} // namespace

BENCHMARK(BM_TextArrayXyz)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TextArrayIndex)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
