#pragma once
// Tags and the value representations (VRs) of the DICOM library.
#include <cstdint>
#include <string>
#include <string_view>

namespace velmor {

constexpr uint32_t kNoDicomTag = 0xFFFFFFFFu;
constexpr uint32_t kAnyMultiplicity = 0xFFFFFFFFu;
constexpr uint32_t kUndefinedDicomLength = 0xFFFFFFFFu;

constexpr uint32_t MakeDicomTag(uint16_t group, uint16_t element) { return uint32_t(group) << 16 | element; }
constexpr uint16_t DicomTagGroup(uint32_t tag) { return uint16_t(tag >> 16); }
constexpr uint16_t DicomTagElement(uint32_t tag) { return uint16_t(tag & 0xFFFF); }

// VR indices: 0 is unknown; the order is fixed (FL before FD) because files
// and tables refer to VRs by these numbers.
enum DicomVr : uint32_t {
    kVrUnknown = 0,
    kVrAE, kVrAS, kVrAT, kVrCS, kVrDA, kVrDS, kVrDT, kVrFL, kVrFD, kVrIS, kVrLO, kVrLT, kVrOB, kVrOF,
    kVrOW, kVrPN, kVrSH, kVrSL, kVrSQ, kVrSS, kVrST, kVrTM, kVrUI, kVrUL, kVrUN, kVrUS, kVrUT,
};
constexpr uint32_t kDicomVrCount = 27;

// Whole-string, case-sensitive match against the 27 codes; no match gives 0.
uint32_t VrIndexFromCode(std::string_view code);
// The code of 1..27, "UNKNOWN" for anything else.
std::string VrCodeFromIndex(uint32_t index);

// Explicit VR headers of these VRs (and of unknown ones) carry two reserved
// bytes and a 32-bit length: 12 bytes instead of 8.
bool IsLongFormVr(uint32_t vr);

} // namespace velmor
