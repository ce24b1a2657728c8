// GDCM reading a series into one volume, for bench/peers/dicom_vs_dcmtk_gdcm.sh:
// a first pass reads every file's header up to the pixel data and sorts the
// files by instance number; a second decodes each image straight into its
// slice of one fresh buffer.
// Usage: dicom_volume_gdcm DIR [REPEATS]
// Prints "files=<n> seconds=<median pass> checksum=<c>", where the checksum
// is the sum over slices of (slice index + 1) x the sum of its signed values.
#include <gdcmAttribute.h>
#include <gdcmImageReader.h>
#include <gdcmReader.h>

#include "dicom_load_loop.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Volume {
    std::unique_ptr<char[]> bytes;
    size_t sliceBytes = 0, slices = 0;
};

bool LoadVolume(const std::vector<std::string>& files, Volume& out)
{
    std::vector<std::pair<int, std::string>> order;
    for (const std::string& file : files) {
        gdcm::Reader reader;
        reader.SetFileName(file.c_str());
        if (!reader.ReadUpToTag(gdcm::Tag(0x7FE0, 0x0010))) return false;
        gdcm::Attribute<0x0020, 0x0013> instance{};
        instance.SetFromDataSet(reader.GetFile().GetDataSet());
        order.emplace_back(instance.GetValue(), file);
    }
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::unique_ptr<char[]> volume;
    size_t sliceBytes = 0;
    for (size_t z = 0; z < order.size(); ++z) {
        gdcm::ImageReader reader;
        reader.SetFileName(order[z].second.c_str());
        if (!reader.Read()) return false;
        const gdcm::Image& image = reader.GetImage();
        if (!volume) {
            sliceBytes = image.GetBufferLength();
            volume.reset(new char[sliceBytes * order.size()]);
        }
        if (image.GetBufferLength() != sliceBytes || !image.GetBuffer(volume.get() + z * sliceBytes)) return false;
    }
    out = {std::move(volume), sliceBytes, order.size()};
    return true;
}

long long Checksum(const Volume& volume)
{
    long long checksum = 0;
    const auto* values = reinterpret_cast<const int16_t*>(volume.bytes.get());
    const size_t perSlice = volume.sliceBytes / 2;
    for (size_t z = 0; z < volume.slices; ++z) {
        long long sum = 0;
        for (size_t i = 0; i < perSlice; ++i) sum += values[z * perSlice + i];
        checksum += static_cast<long long>(z + 1) * sum;
    }
    return checksum;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return 2;
    const std::vector<std::string> files = SeriesFiles(argv[1]);
    const int repeats = SeriesRepeats(argc, argv);
    std::vector<double> seconds;
    long long checksum = 0;
    for (int r = 0; r < repeats; ++r) {
        Volume volume;
        const auto start = std::chrono::steady_clock::now();
        if (!LoadVolume(files, volume)) {
            std::fprintf(stderr, "cannot load the series\n");
            return 1;
        }
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        checksum = Checksum(volume);
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("files=%zu seconds=%.6f checksum=%lld\n", files.size(), seconds[seconds.size() / 2], checksum);
    return 0;
}
