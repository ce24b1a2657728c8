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

// loadOne(path, checksum) reads one file and adds its values to the checksum.
template <typename LoadOne>
int RunSeriesLoad(int argc, char** argv, LoadOne loadOne)
{
    if (argc < 2) return 2;
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(argv[1]))
        if (entry.is_regular_file()) files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    const int repeats = argc >= 3 ? std::max(1, std::atoi(argv[2])) : 5;
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
