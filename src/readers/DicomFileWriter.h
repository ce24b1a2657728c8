#pragma once
// Writes a DICOM data set: the file meta group in explicit VR little endian
// (when the set has any meta tag), the rest in implicit or explicit VR little
// endian as its transfer syntax asks. Big-endian output is never produced.
#include "readers/DicomDataSet.h"
#include "readers/DicomDictionary.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace velmor {

class AtomicFile;

// Writes `path`, a name the user chose. False when the file cannot be
// created, when any write or the flush fails, or when a value does not fit
// its header (a short-form value over 65535 bytes); nothing is then left
// under `path`. The caller's data set is never changed.
bool SaveDicomFile(const DicomDataSet& dataSet, const std::string& path);
// Writes into a created file and leaves finishing it to the caller.
bool SaveDicomFile(const DicomDataSet& dataSet, AtomicFile& file);

// Compressed transfer syntaxes: 0 for none, else the kind (1 to 4).
int JpegTransferSyntaxKind(const std::string& uid);

// Length rules: text padded to even length, binary values to whole units,
// both cut at what the multiplicity allows.
void ApplyDicomLengthRules(DicomElement& element);
uint32_t NormalizeDicomValueLength(const DicomElement& element, uint32_t length);
uint32_t RoundDicomLength(const DicomElement& element, uint32_t unit, uint32_t length, bool roundUp);
// Blanks for text VRs, zero bytes for the rest.
void PadDicomValue(DicomElement& element, uint32_t from, uint32_t to);

// Stores in every (gggg,0000) element the bytes its group takes as written.
void UpdateDicomGroupLengths(DicomDataSet& dataSet, bool implicit);
uint32_t DicomElementEncodedSize(const DicomElement& element, bool implicit);

// False on a write error, a value that its header cannot describe, or a
// value that is not whole units when it must be reversed.
bool WriteDicomElementExplicit(uint16_t group, uint16_t element, uint32_t vr, const uint8_t* value, uint32_t length,
                               std::FILE* file, bool littleEndian);
bool WriteDicomElementImplicit(uint16_t group, uint16_t element, uint32_t vr, const uint8_t* value, uint32_t length,
                               std::FILE* file, bool littleEndian);
bool WriteDicomElementExplicit(const DicomElement& element, std::FILE* file, bool littleEndian);
bool WriteDicomElementImplicit(const DicomElement& element, std::FILE* file, bool littleEndian);

} // namespace velmor
