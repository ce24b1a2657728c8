// The timing loop the DICOM peer loaders share: every file of DIR, REPEATS
// passes, the median printed as "files=<n> seconds=<s> checksum=<c>".
#pragma once
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

// The files of DIR in name order.
inline std::vector<std::string> SeriesFiles(const char* dir)
{
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.is_regular_file()) files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

// REPEATS from the command line, 5 when not given.
inline int SeriesRepeats(int argc, char** argv) { return argc >= 3 ? std::max(1, std::atoi(argv[2])) : 5; }

// loadOne(path, checksum) reads one file and adds its values to the checksum.
template <typename LoadOne>
int RunSeriesLoad(int argc, char** argv, LoadOne loadOne)
{
    if (argc < 2) return 2;
    const std::vector<std::string> files = SeriesFiles(argv[1]);
    const int repeats = SeriesRepeats(argc, argv);
    std::vector<double> seconds;
    unsigned long long checksum = 0;
    for (int r = 0; r < repeats; ++r) {
        checksum = 0;
        const auto start = std::chrono::steady_clock::now();
        for (const std::string& file : files)
            if (!loadOne(file, checksum)) {
                std::fprintf(stderr, "cannot load %s\n", file.c_str());
                return 1;
            }
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("files=%zu seconds=%.6f checksum=%llu\n", files.size(), seconds[seconds.size() / 2], checksum);
    return 0;
}
