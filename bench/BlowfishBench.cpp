// Decryption speed of container blocks: the cipher alone, one thread and
// all threads, and the whole block read from a file in the page cache.
#include "platform/Memory.h"
#include "scene/BlowfishCipher.h"
#include "scene/SceneBlockStream.h"
#include "support/ContainerWriter.h"
#include "support/TempDir.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <random>

using namespace velmor;

namespace {

constexpr uint64_t kBytes = uint64_t{256} << 20;
constexpr uint64_t kChunk = 256u << 10;   // below the size the cipher splits across threads

CommittedBuffer RandomBuffer(uint64_t bytes)
{
    CommittedBuffer b(bytes);
    std::mt19937_64 rng(42);
    for (uint64_t i = 0; i < bytes; i += 8) {
        const uint64_t v = rng();
        std::memcpy(b.Data() + i, &v, 8);
    }
    return b;
}

void Keyed(BlowfishCipher& c)
{
    const uint8_t key[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    c.SetKey(key, sizeof key);
}

void BM_DecryptCbc256MiB_OneThread(benchmark::State& state)
{
    CommittedBuffer data = RandomBuffer(kBytes);
    BlowfishCipher cipher;
    Keyed(cipher);
    for (auto _ : state) {
        uint8_t iv[8] = {};
        for (uint64_t off = 0; off < kBytes; off += kChunk) {
            uint8_t next[8];
            std::memcpy(next, data.Data() + off + kChunk - 8, 8);
            cipher.Decrypt(data.Data() + off, kChunk, "cbc", iv);
            std::memcpy(iv, next, 8);
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBytes));
}

void BM_DecryptCbc256MiB_AllThreads(benchmark::State& state)
{
    CommittedBuffer data = RandomBuffer(kBytes);
    BlowfishCipher cipher;
    Keyed(cipher);
    for (auto _ : state) {
        cipher.Decrypt(data.Data(), kBytes, "cbc");
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBytes));
}

void BM_ReadSceneBlock256MiB(benchmark::State& state)
{
    test::TempDir dir;
    {
        CommittedBuffer payload = RandomBuffer(kBytes);
        dir.Write("big.vlm", test::MakeContainer(std::vector<std::string>{
                                 "<x/>", std::string(reinterpret_cast<const char*>(payload.Data()), kBytes)}));
    }
    const std::wstring path = dir.WidePath("big.vlm");
    for (auto _ : state) {
        SceneBlockStream block;
        if (!block.ReadSceneBlock(path, L"this1")) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(block.stream.Data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBytes));
}

} // namespace

BENCHMARK(BM_DecryptCbc256MiB_OneThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DecryptCbc256MiB_AllThreads)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadSceneBlock256MiB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
