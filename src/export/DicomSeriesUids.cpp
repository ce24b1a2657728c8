#include "export/DicomSeriesUids.h"

#include <vector>

namespace velmor {

namespace {

// Identifiers of this program's series live under its own root.
constexpr char kOrganisationRoot[] = "1.2.999.417.70203.11";
constexpr char kStudyBranch[] = ".1.2.";
constexpr char kSeriesBranch[] = ".1.3.";
constexpr char kInstanceBranch[] = ".1.4.";
constexpr char kFrameBranch[] = ".1.5.";
constexpr size_t kSeriesNumberDigits = 10;
constexpr size_t kFirstNumberDigits = 9;
constexpr size_t kSecondNumberDigits = 18;
constexpr size_t kStampDigits = 18;
constexpr size_t kInstanceNumberDigits = 10;   // of kLargestInstanceNumber

constexpr size_t Length(const char* text) { return std::char_traits<char>::length(text); }
static_assert(Length(kOrganisationRoot) + Length(kInstanceBranch) + kFirstNumberDigits + 1 + kSecondNumberDigits + 1 +
                      kInstanceNumberDigits <= kLongestDicomUid,
              "the last slice's identifier fits");
static_assert(Length(kOrganisationRoot) + Length(kStudyBranch) + kSeriesNumberDigits + 2 + kStampDigits <=
                  kLongestDicomUid,
              "the study's identifier fits");

constexpr unsigned kDecimal = 10;

// `count` decimal digits, the first not 0, so that they make a UID component.
std::string RandomDigits(size_t count, const RandomFill& random)
{
    std::vector<unsigned char> bytes(count);
    random(bytes.data(), count);
    // A byte taken modulo 10 favours six of the digits by 1/256, which loses
    // well under a thousandth of a bit a digit.
    std::string digits;
    for (size_t i = 0; i < count; ++i)
        digits += char(i == 0 ? '1' + bytes[i] % (kDecimal - 1) : '0' + bytes[i] % kDecimal);
    return digits;
}

} // namespace

DicomSeriesUids MakeDicomSeriesUids(const std::string& stamp, const RandomFill& random)
{
    const std::string root = kOrganisationRoot;
    const std::string seriesNumber = RandomDigits(kSeriesNumberDigits, random);
    const std::string exportNumbers =
        RandomDigits(kFirstNumberDigits, random) + "." + RandomDigits(kSecondNumberDigits, random);
    DicomSeriesUids uids;
    uids.study = root + kStudyBranch + seriesNumber + ".1" + stamp;
    uids.series = root + kSeriesBranch + seriesNumber + stamp;
    uids.frameOfReference = root + kFrameBranch + exportNumbers;
    uids.instancePrefix = root + kInstanceBranch + exportNumbers + ".";
    return uids;
}

} // namespace velmor
