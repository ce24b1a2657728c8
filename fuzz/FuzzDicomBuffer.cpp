// Any bytes as a DICOM file, in both starting byte orders: the parse must
// neither crash, over-read nor leak, every kept value must turn into text
// and numbers safely, and whatever was read must be writable again: a write
// that fails for any reason but a value too long for its header is a
// finding. As a file, reading its head alone must answer as reading it
// whole does.
#include "platform/AtomicFile.h"
#include "readers/DicomFileReader.h"
#include "readers/DicomFileWriter.h"
#include "readers/DicomVr.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

using namespace velmor;

namespace {

// The writer writes regular files only. Every data set goes to one file in
// a folder of this process's own, made at the first input and removed at
// the end; the disk syncs are left out, as every input would wait on them.
class OutputFile {
public:
    OutputFile()
    {
        std::string folder = (std::filesystem::temp_directory_path() / "velmor-fuzz-dicom-XXXXXX").string();
        if (mkdtemp(folder.data()) == nullptr) std::abort();
        m_folder = folder;
        AtomicFile::ReplaceSyncForTest([](int) { return 0; });
    }
    ~OutputFile()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    std::string Path() const { return (m_folder / "out.dcm").string(); }

private:
    std::filesystem::path m_folder;
};

// The one refusal a data set that was read may earn: a short-form value
// longer than its 16-bit length can say (with room for the padding the
// writer adds).
bool MayBeRefused(const DicomDataSet& set)
{
    constexpr uint32_t kShortFormMost = 0xFFFF - 16;
    for (const auto& entry : set)
        if (entry.second.include != 0 && !IsLongFormVr(entry.second.vr) && entry.second.Length() > kShortFormMost) return true;
    return false;
}

} // namespace

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
        static const OutputFile output;
        if (!SaveDicomFile(set, output.Path()) && !MayBeRefused(set)) __builtin_trap();
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
