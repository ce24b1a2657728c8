// Any bytes as a DICOM file, in both starting byte orders: the parse must
// neither crash, over-read nor leak, every kept value must turn into text
// and numbers safely, and whatever was read must be writable again. As a
// file, reading its head alone must answer as reading it whole does.
#include "readers/DicomFileReader.h"
#include "readers/DicomFileWriter.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

using namespace velmor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (const bool littleEndian : {true, false}) {
        // Exactly as long as the input, so that any read past it is caught.
        std::vector<uint8_t> buffer(data, data + size);
        DicomDataSet set;
        ParseDicomBuffer(set, buffer.data(), buffer.size(), littleEndian);
        for (const auto& entry : set) {
            DicomValueText(entry.second);
            entry.second.AsInt();
            entry.second.AsUInt();
        }
        SaveDicomFile(set, "/dev/null");
    }
    const int fd = memfd_create("dicom", MFD_CLOEXEC);
    if (fd < 0) return 0;
    if (write(fd, data, size) == static_cast<ssize_t>(size)) {
        const std::string path = "/proc/self/fd/" + std::to_string(fd);
        DicomDataSet whole;
        const bool answer = LoadDicomFile(whole, path);
        const ReadOnlyFile file(path);
        for (const uint64_t head : {uint64_t{16}, uint64_t{200}}) {
            DicomDataSet set;
            DicomPixelPlace place;
            if (LoadDicomHeader(set, file, place, head) != answer) std::abort();
            std::vector<uint8_t> pixels(place.length);
            if (place.inFile && !ReadDicomPixels(file, place, pixels.data())) std::abort();
        }
    }
    close(fd);
    return 0;
}
