#include "scene/SliceFolder.h"

#include "platform/FilePaths.h"
#include "platform/NumberParse.h"
#include "readers/DicomDataSet.h"
#include "readers/DicomFileReader.h"

#include <algorithm>
#include <numeric>

namespace velmor {
namespace {

constexpr uint16_t kRelationshipGroup = 0x0020;
constexpr uint16_t kSeriesNumber = 0x0011;
constexpr uint16_t kInstanceNumber = 0x0013;

// The numbers are in the head of a file: its pixel data is not read.
// Listed paths keep the scene's separators; the file system spells them its way.
void LoadHeader(DicomDataSet& set, const std::wstring& path)
{
    DicomPixelPlace place;
    LoadDicomHeader(set, ReadOnlyFile(ResolveScenePath(path)), place);
}

std::string Trimmed(std::string text)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

} // namespace

bool IsDicomSourceType(const std::wstring& sourceType)
{
    std::wstring lower = sourceType;
    for (auto& c : lower)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return lower == L"dcm" || lower == L"dic" || lower == L"dicom";
}

bool OrderSliceFiles(std::vector<std::wstring>& files, const std::wstring& sourceType, const std::function<void()>& perFile)
{
    if (files.empty() || !IsDicomSourceType(sourceType)) return false;
    {
        DicomDataSet first;
        LoadHeader(first, files.front());
        if (Trimmed(first.GetString(kRelationshipGroup, kInstanceNumber, "-1")) == "-1") return false;
    }
    std::vector<int64_t> keys;
    keys.reserve(files.size());
    for (const auto& file : files) {
        if (perFile) perFile();
        DicomDataSet set;
        LoadHeader(set, file);   // an unreadable file simply has no numbers
        const int64_t series = ParseLeadingInt32(set.GetString(kRelationshipGroup, kSeriesNumber, "0"));
        const int64_t instance = ParseLeadingInt32(set.GetString(kRelationshipGroup, kInstanceNumber, "0"));
        keys.push_back(series * 10000 + instance);
    }
    std::vector<size_t> order(files.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return keys[a] < keys[b]; });
    std::vector<std::wstring> sorted;
    sorted.reserve(files.size());
    for (size_t i : order) sorted.push_back(std::move(files[i]));
    files = std::move(sorted);
    return true;
}

std::vector<std::wstring> PlanSliceReads(const std::vector<std::wstring>& ordered, bool reverse, int step, uint64_t keptSlices)
{
    std::vector<std::wstring> plan;
    const uint64_t n = ordered.size();
    for (uint64_t z = 0; z < keptSlices; ++z) {
        const uint64_t index = z * static_cast<uint64_t>(step);
        if (index >= n) break;
        plan.push_back(ordered[reverse ? n - 1 - index : index]);
    }
    return plan;
}

} // namespace velmor
