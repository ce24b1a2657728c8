// bench_blowfish_file KEYHEX CIPHERFILE OUTFILE
// Decrypts a Blowfish-CBC file (zero vector) in memory, once on one thread
// and once on all, and writes the plain bytes for the caller to compare.
// Prints "one_thread_mb_s=<n> all_threads_mb_s=<n>".
#include "scene/BlowfishCipher.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace velmor;

namespace {

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4 || std::strlen(argv[1]) != 32) {
        std::fprintf(stderr, "usage: %s KEYHEX(32) CIPHERFILE OUTFILE\n", argv[0]);
        return 2;
    }
    uint8_t key[16];
    for (int i = 0; i < 16; ++i) key[i] = static_cast<uint8_t>(std::stoul(std::string(argv[1] + 2 * i, 2), nullptr, 16));
    std::ifstream in(argv[2], std::ios::binary);
    std::vector<uint8_t> original((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (original.empty() || original.size() % 8 != 0) {
        std::fprintf(stderr, "cipher file empty or not whole blocks\n");
        return 2;
    }
    BlowfishCipher cipher;
    cipher.SetKey(key, sizeof key);
    const double mb = static_cast<double>(original.size()) / 1e6;

    std::vector<uint8_t> data = original;
    constexpr size_t kChunk = 256u << 10;   // below the cipher's threading threshold
    auto t0 = std::chrono::steady_clock::now();
    uint8_t iv[8] = {};
    for (size_t off = 0; off < data.size(); off += kChunk) {
        const size_t n = std::min(kChunk, data.size() - off);
        uint8_t next[8];
        std::memcpy(next, data.data() + off + n - 8, 8);
        cipher.Decrypt(data.data() + off, n, "cbc", iv);
        std::memcpy(iv, next, 8);
    }
    const double one = mb / Seconds(t0);

    std::vector<uint8_t> parallel = original;
    t0 = std::chrono::steady_clock::now();
    cipher.Decrypt(parallel.data(), parallel.size(), "cbc");
    const double all = mb / Seconds(t0);
    if (parallel != data) {
        std::fprintf(stderr, "threaded and one-thread results differ\n");
        return 1;
    }
    std::ofstream(argv[3], std::ios::binary).write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    std::printf("one_thread_mb_s=%.1f all_threads_mb_s=%.1f\n", one, all);
    return 0;
}
