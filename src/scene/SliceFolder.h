#pragma once
// Which file of a folder of slice files becomes which slice of a volume.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velmor {

// True for the source types read as DICOM ("dcm", "dic", "dicom", any case).
bool IsDicomSourceType(const std::wstring& sourceType);

// DICOM slices follow Series Number x 10000 + Instance Number when the first
// file has an Instance Number; files with equal keys keep their name order,
// so every file is used once. `perFile` is called for each file read.
// Returns true when the DICOM order was applied; other folders keep `files`.
bool OrderSliceFiles(std::vector<std::wstring>& files, const std::wstring& sourceType,
                     const std::function<void()>& perFile = {});

// The file read for each kept slice z: file z x step of the ordered list,
// taken from its far end when the slices are reversed.
std::vector<std::wstring> PlanSliceReads(const std::vector<std::wstring>& ordered, bool reverse, int step, uint64_t keptSlices);

} // namespace velmor
