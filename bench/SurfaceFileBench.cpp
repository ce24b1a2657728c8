// Builds the surface of a raw 16-bit volume for the peer scripts and prints
// its counts and times, or writes one of the benchmark volumes.
// Usage: bench_surface_file volume.u16 n low up threads
//        bench_surface_file --write gyroid|ct n volume.u16
#include "SurfacePhantoms.h"

#include "processing/SurfaceBuilder.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <vector>

using namespace velmor;

namespace {

// FNV-1a over the mesh arrays, so that runs on different thread counts can
// be compared whole.
uint64_t MeshHash(const TriangleMesh& m)
{
    uint64_t h = 1469598103934665603ull;
    auto add = [&h](const void* data, uint64_t bytes) {
        const auto* b = static_cast<const uint8_t*>(data);
        for (uint64_t i = 0; i < bytes; ++i) h = (h ^ b[i]) * 1099511628211ull;
    };
    add(m.vertices, m.vertexCount * 12);
    add(m.indices, m.triangleCount * 12);
    add(m.normals, m.vertexCount * 12);
    return h;
}

int WriteVolume(const char* kind, uint64_t n, const char* path)
{
    const std::string name = kind;
    if (name != "gyroid" && name != "ct") return 2;
    const std::vector<uint16_t> volume = name == "ct" ? bench::CtPhantom(n) : bench::Gyroid(n);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(volume.data()), std::streamsize(volume.size() * 2));
    return out.good() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::string(argv[1]) == "--write") return WriteVolume(argv[2], std::strtoull(argv[3], nullptr, 10), argv[4]);
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s volume.u16 n low up threads\n       %s --write gyroid|ct n volume.u16\n", argv[0], argv[0]);
        return 2;
    }
    const uint64_t n = std::strtoull(argv[2], nullptr, 10);
    std::vector<uint16_t> volume(n * n * n);
    std::ifstream in(argv[1], std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(volume.data()), std::streamsize(volume.size() * 2))) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    SurfaceUnitState unit;
    unit.voxels = {volume.data(), n, n, n, n * n, 2};
    unit.gridCentre[0] = unit.gridCentre[1] = unit.gridCentre[2] = n / 2.0;
    unit.borderLow = std::strtof(argv[3], nullptr);
    unit.borderUp = std::strtof(argv[4], nullptr);
    const unsigned threads = unsigned(std::strtoul(argv[5], nullptr, 10));
    // The surface alone, then surface and normals as the program builds them.
    const auto seconds = [](auto a, auto b) { return std::chrono::duration<double>(b - a).count(); };
    // Processor time of all threads as well: on a busy machine it shows the
    // work done where the wall clock shows the waits too.
    const auto processor = [] {
        rusage r{};
        getrusage(RUSAGE_SELF, &r);
        return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) + double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) * 1e-6;
    };
    double took[2], cpu[2];
    for (bool normals : {false, true}) {
        SurfaceBuilder builder;
        builder.threadCount = threads;
        const double cpuStart = processor();
        const auto start = std::chrono::steady_clock::now();
        if (builder.MakeSurface(unit, !normals) != 0) return 1;
        took[normals] = seconds(start, std::chrono::steady_clock::now());
        cpu[normals] = processor() - cpuStart;
    }
    std::printf("vertices=%llu triangles=%llu extract_s=%.4f with_normals_s=%.4f extract_cpu_s=%.4f "
                "with_normals_cpu_s=%.4f hash=%016llx\n",
                (unsigned long long)unit.mesh.vertexCount, (unsigned long long)unit.mesh.triangleCount, took[0], took[1],
                cpu[0], cpu[1], (unsigned long long)MeshHash(unit.mesh));
    return 0;
}
