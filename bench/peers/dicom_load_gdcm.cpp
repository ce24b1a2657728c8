// GDCM's loading of a series, for bench/peers/dicom_vs_dcmtk_gdcm.sh.
// Usage: dicom_load_gdcm DIR [REPEATS]
#include "dicom_load_loop.h"

#include <gdcmAttribute.h>
#include <gdcmReader.h>

#include <cstdint>
#include <cstring>

int main(int argc, char** argv)
{
    return RunSeriesLoad(argc, argv, [](const std::string& file, unsigned long long& checksum) {
        gdcm::Reader reader;
        reader.SetFileName(file.c_str());
        if (!reader.Read()) return false;
        const gdcm::DataSet& set = reader.GetFile().GetDataSet();
        gdcm::Attribute<0x0020, 0x0013> instance{};
        gdcm::Attribute<0x0028, 0x0103> representation{};
        instance.SetFromDataSet(set);
        representation.SetFromDataSet(set);
        const gdcm::ByteValue* pixels = set.GetDataElement(gdcm::Tag(0x7FE0, 0x0010)).GetByteValue();
        if (!pixels || pixels->GetLength() < 2) return false;
        uint16_t last;
        std::memcpy(&last, pixels->GetPointer() + pixels->GetLength() - 2, 2);
        checksum += static_cast<unsigned long long>(instance.GetValue()) + representation.GetValue() + last +
                    pixels->GetLength();
        return true;
    });
}
