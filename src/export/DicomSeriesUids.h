#pragma once
// The identifiers of one exported DICOM series. Every export draws numbers
// of its own, so that no two series, made a second or a process apart,
// share an instance, a series or a frame of reference, while the study and
// series keep the time of their making:
//   study              <root>.1.2.<series number>.1<time stamp>
//   series             <root>.1.3.<series number><time stamp>
//   frame of reference <root>.1.5.<first>.<second>
//   slice n (from 1)   <root>.1.4.<first>.<second>.<n>
// The series number has 10 digits, the first and second numbers 9 and 18:
// with a time stamp of 18 digits and at most kLargestInstanceNumber slices,
// no identifier is longer than DICOM allows.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace velmor {

// The largest Instance Number an IS value holds, and so the most slices a
// series may have.
constexpr uint64_t kLargestInstanceNumber = 2147483647;
constexpr size_t kLongestDicomUid = 64;

// Fills a buffer with random bytes.
using RandomFill = std::function<void(void* buffer, size_t size)>;

struct DicomSeriesUids {
    std::string study;
    std::string series;
    std::string frameOfReference;
    std::string instancePrefix;   // ends with its dot; a slice's number follows
};

// `stamp`: year to second and millisecond, "%04d%02d%02d%02d%02d%02d%04d".
DicomSeriesUids MakeDicomSeriesUids(const std::string& stamp, const RandomFill& random);

} // namespace velmor
