// DCMTK's loading of a series, for bench/peers/dicom_vs_dcmtk_gdcm.sh.
// Usage: dicom_load_dcmtk DIR [REPEATS]
#include "dicom_load_loop.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dctk.h>

int main(int argc, char** argv)
{
    return RunSeriesLoad(argc, argv, [](const std::string& file, unsigned long long& checksum) {
        DcmFileFormat format;
        // Every value read at once, pixel data included.
        if (format.loadFile(file.c_str(), EXS_Unknown, EGL_noChange, 0xFFFFFFFF, ERM_autoDetect).bad()) return false;
        DcmDataset* set = format.getDataset();
        const Uint16* pixels = nullptr;
        unsigned long count = 0;
        Sint32 instance = -1;
        Uint16 representation = 1;
        set->findAndGetSint32(DCM_InstanceNumber, instance);
        set->findAndGetUint16(DCM_PixelRepresentation, representation);
        if (set->findAndGetUint16Array(DCM_PixelData, pixels, &count).bad() || count == 0) return false;
        checksum += static_cast<unsigned long long>(instance) + representation + pixels[count - 1] + count * 2;
        return true;
    });
}
