// Any bytes as a DICOM file, in both starting byte orders: the parse must
// neither crash, over-read nor leak, every kept value must turn into text
// and numbers safely, and whatever was read must be writable again.
#include "readers/DicomFileReader.h"
#include "readers/DicomFileWriter.h"

#include <cstdint>
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
    return 0;
}
