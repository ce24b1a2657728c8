#include "readers/DicomVr.h"

namespace velmor {

namespace {

constexpr const char* kVrCodes[kDicomVrCount] = {
    "AE", "AS", "AT", "CS", "DA", "DS", "DT", "FL", "FD", "IS", "LO", "LT", "OB", "OF",
    "OW", "PN", "SH", "SL", "SQ", "SS", "ST", "TM", "UI", "UL", "UN", "US", "UT",
};

} // namespace

uint32_t VrIndexFromCode(std::string_view code)
{
    for (uint32_t i = 0; i < kDicomVrCount; ++i)
        if (code == kVrCodes[i]) return i + 1;
    return kVrUnknown;
}

std::string VrCodeFromIndex(uint32_t index)
{
    if (index >= 1 && index <= kDicomVrCount) return kVrCodes[index - 1];
    return "UNKNOWN";
}

bool IsLongFormVr(uint32_t vr)
{
    switch (vr) {
    case kVrOB: case kVrOF: case kVrOW: case kVrSQ: case kVrUN: case kVrUT: case kVrUnknown:
        return true;
    default:
        return false;
    }
}

} // namespace velmor
