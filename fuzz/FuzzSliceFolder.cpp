// Any bytes as a folder of slice files: the input, cut at every separator,
// becomes up to eight files of one keyword in a private folder, loaded as a
// volume the way a unit loads it. Ordering (DICOM series and instance
// numbers, name order otherwise), the read plan at a reduction step, reversal
// and every slice reader run over files that disagree with each other.
// Four leading bytes pick the keyword, the slice size, the format and flags.
#include "FuzzFile.h"
#include "FuzzPayloadKind.h"
#include "platform/WideText.h"
#include "scene/CVelmorDoc.h"
#include "scene/DataObject.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

using namespace velmor;

namespace {

constexpr std::string_view kSeparator = "\n--slice--\n";
constexpr size_t kMaxFiles = 8;

// Names whose byte, UTF-16 and number orders differ.
const char* const kNames[kMaxFiles] = {"s10", "s2", "S1", "a", "\xC3\xA4", "z_", "10", "9"};
const wchar_t* const kKeywords[] = {L"dcm", L"png", L"bmp", L"jpg", L"tif", L"raw", L"DCM", L"dicom"};
const wchar_t* const kFormats[] = {L"GRAY", L"GRAY16", L"RGB", L"RGB16"};

const std::filesystem::path& Folder()
{
    static const std::filesystem::path folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmor-fuzz-folder-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        std::atexit([] { std::error_code ec; std::filesystem::remove_all(Folder(), ec); });
        return std::filesystem::path(pattern);
    }();
    return folder;
}

std::vector<std::string_view> Pieces(std::string_view bytes)
{
    std::vector<std::string_view> pieces;
    while (pieces.size() + 1 < kMaxFiles) {
        const size_t at = bytes.find(kSeparator);
        if (at == std::string_view::npos) break;
        pieces.push_back(bytes.substr(0, at));
        bytes.remove_prefix(at + kSeparator.size());
    }
    pieces.push_back(bytes);
    return pieces;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::PretendSmallMachine();
    if (size < 4) return 0;
    const uint8_t mode = data[3];
    const std::wstring keyword = kKeywords[data[0] % 8];
    const std::vector<std::string_view> pieces = Pieces({reinterpret_cast<const char*>(data + 4), size - 4});

    const std::filesystem::path slices = Folder() / "slices";
    std::error_code ec;
    std::filesystem::remove_all(slices, ec);
    std::filesystem::create_directory(slices, ec);
    for (size_t i = 0; i < pieces.size(); ++i) {
        std::ofstream out(slices / (std::string(kNames[i]) + "." + WideToUtf8(keyword)), std::ios::binary);
        out.write(pieces[i].data(), static_cast<std::streamsize>(pieces[i].size()));
    }

    fuzz::SetReduction((mode & 0x10) != 0, (mode & 0x20) != 0);
    SceneFolder = WideFromPath(Folder()) + L"/";
    ScenePath = SceneFolder + L"scene.vlm";

    DataObject object(L"fuzz");
    object.type = L"volume";
    object.format = kFormats[mode & 3];
    object.sourceType = keyword;
    object.sourcePath = L"slices/";
    object.sizeX = 1 + data[1] % 24;
    object.sizeY = 1 + data[2] % 24;
    // Now and then one slice more than there are files: the count must be refused.
    object.sizeZ = pieces.size() + ((mode & 0x80) != 0 ? 1 : 0);
    object.reverseX = (mode & 0x40) != 0;
    object.reverseY = (mode & 0x08) != 0;
    object.reverseZ = (mode & 0x04) != 0;
    object.LoadDataPayload();
    return 0;
}
