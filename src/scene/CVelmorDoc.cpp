#include "scene/CVelmorDoc.h"

#include "platform/Memory.h"
#include "platform/MessageSink.h"
#include "platform/NumberParse.h"
#include "platform/ReadOnlyFile.h"
#include "platform/WideText.h"
#include "scene/PathParts.h"
#include "scene/SceneBlockStream.h"

#include <algorithm>

namespace velmor {

CVelmorDoc* CurrentDocument = nullptr;
std::wstring ScenePath;
std::wstring SceneFolder;
std::wstring LastFolder;

namespace {

constexpr size_t kHeaderBytes = 32;

} // namespace

bool SceneNameOrder::operator()(const std::wstring& a, const std::wstring& b) const { return Utf16Less(a, b); }

CVelmorDoc::CVelmorDoc() = default;

CVelmorDoc::~CVelmorDoc()
{
    ClearScene();
    if (CurrentDocument == this) CurrentDocument = nullptr;
}

bool CVelmorDoc::OnNewDocument()
{
    ResetScene();
    CurrentDocument = this;
    return true;
}

void CVelmorDoc::ResetScene()
{
    View = attachedView_;
    if (View != nullptr) View->ShowNoScene();
    ClearScene();
}

void CVelmorDoc::ClearScene()
{
    head.Clear();
    // Units go before the data objects and events they point to; their GL
    // names can only be freed in the view's context.
    const auto clearUnitsAndData = [this] {
        drawGroups.clear();
        dataObjects.clear();
    };
    if (View != nullptr)
        View->WithGLContext(clearUnitsAndData);
    else
        clearUnitsAndData();
    if (View != nullptr) View->ForgetSceneEvents();
    events.clear();
}

bool CVelmorDoc::FreeGroupGLBuffers(bool loaded)
{
    for (auto& [name, group] : drawGroups)
        if (group->FreeOneGLBuffer(loaded)) return true;
    return false;
}

void CVelmorDoc::FreeGroupWork()
{
    for (auto& [name, group] : drawGroups) group->FreeWorkIfUnloaded();
}

void CVelmorDoc::ReleaseUnusedData()
{
    for (auto& [name, data] : dataObjects) data->FreeIfUnused();
}

bool CVelmorDoc::OpenFailedEarly(const std::wstring& text, const std::wstring& previousPath,
                                 const std::wstring& previousFolder)
{
    ErrorText = text;
    ShowMessage(ErrorText);
    // The scene still shown keeps its path, so that its data keep loading
    // from where it came from.
    ScenePath = previousPath;
    SceneFolder = previousFolder;
    lastOutcome_ = OpenOutcome::PreviousSceneKept;
    return true;
}

bool CVelmorDoc::OnOpenDocument(const std::wstring& path)
{
    const std::wstring previousPath = ScenePath, previousFolder = SceneFolder;
    ScenePath = path;
    SceneFolder = GetFolderPart(path);

    uint8_t header[kHeaderBytes] = {};
    int64_t headerBytes = -1;
    {
        ReadOnlyFile file(PathFromWide(path));
        uint64_t size = 0;
        if (file.RegularSize(size)) headerBytes = file.ReadAt(0, header, kHeaderBytes);
    }
    if (headerBytes < 0) return OpenFailedEarly(L"file open error", previousPath, previousFolder);

    const SceneFileKind kind = ClassifySceneHeader(header, static_cast<size_t>(headerBytes));
    Encrypted = kind == SceneFileKind::PlainText ? 0 : 1;
    if (kind == SceneFileKind::UnknownMethod) return OpenFailedEarly(L"cryption method error", previousPath, previousFolder);
    LastFolder = SceneFolder;

    bool read = false;
    if (kind == SceneFileKind::Container) {
        SceneBlockStream block;
        if (!block.ReadSceneBlock(path, L"")) return OpenFailedEarly(L"file decrypt error", previousPath, previousFolder);
        read = ReplaceSceneWith(block.stream.Data(), block.plainLength);
    } else {
        CommittedBuffer text;
        uint64_t size = 0;
        {
            ReadOnlyFile file(PathFromWide(path));
            if (!file.RegularSize(size)) return OpenFailedEarly(L"file open error", previousPath, previousFolder);
            if (!HasFreeMemory(size) || !text.Commit(size))
                return OpenFailedEarly(L"memory shortage error", previousPath, previousFolder);
            if (!file.ReadExactlyAt(0, text.Data(), size))
                return OpenFailedEarly(L"file open error", previousPath, previousFolder);
        }
        read = ReplaceSceneWith(text.Data(), size);
    }
    if (!read) return OpenFailedEarly(ErrorText, previousPath, previousFolder);

    if (IsLegacyVersion()) ApplyLegacyFixUps();
    if (View != nullptr) {
        View->SetPaneCount(spaceCount_);
        View->SetFirstEvent(firstEvent_);
        View->SetSceneLoaded(true);
    }
    lastOutcome_ = OpenOutcome::Opened;
    return true;
}

bool CVelmorDoc::ReplaceSceneWith(uint8_t* text, uint64_t size)
{
    // A picture, an empty file or a scene with a fault is found out before
    // the shown scene goes.
    CVelmorDoc read;
    if (!read.ReadSceneXml(text, size)) {
        ErrorText = read.ErrorText;
        return false;
    }
    ResetScene();
    TakeSceneFrom(read);
    return true;
}

void CVelmorDoc::TakeSceneFrom(CVelmorDoc& read)
{
    // The objects move, not their addresses: units keep pointing at their
    // data objects and events.
    head = std::move(read.head);
    dataObjects.swap(read.dataObjects);
    drawGroups.swap(read.drawGroups);
    events.swap(read.events);
    Version = read.Version;
    spaceCount_ = read.spaceCount_;
    firstEvent_ = read.firstEvent_;
}

void CVelmorDoc::ApplyLegacyFixUps()
{
    const auto& description = head.description;
    const auto isTavrel = [](const HeadItem& item) { return item.type == L"Tavrel No."; };
    if (std::any_of(description.begin(), description.end(), isTavrel)) {
        const auto scale = std::find_if(description.begin(), description.end(),
                                        [](const HeadItem& item) { return item.type == L"scale"; });
        const size_t um = scale == description.end() ? std::wstring::npos : scale->value.find(L"um");
        const double pitch = um == std::wstring::npos
                                 ? 0.0
                                 : ParseLeadingDouble(std::wstring_view(scale->value).substr(0, um)) / 10;
        // A stated size that is no length leaves the voxels as the data gave them.
        if (IsPositiveFloat(pitch)) {
            for (auto& [name, data] : dataObjects) {
                if (data->type != L"volume") continue;
                std::fill(std::begin(data->voxelPitch.pitch), std::end(data->voxelPitch.pitch), static_cast<float>(pitch));
                data->voxelPitch.unit = L"um";
            }
        }
        if (SceneEvent* first = firstEvent_) {
            for (EventSetting& setting : first->settings) {
                if (setting.elementName != L"selectMode") continue;
                for (size_t i = 0; i < setting.names.size(); ++i) {
                    if (setting.names[i] != L"original") continue;
                    setting.names[i] = L"pattern_default";
                    if (i < setting.values.size()) setting.values[i] = L"RGB_cube";
                }
            }
        }
    }

    const DataObject* volume = nullptr;
    int volumes = 0;
    for (auto& [name, data] : dataObjects)
        if (data->type == L"volume") volume = (++volumes == 1) ? data.get() : nullptr;
    if (volumes != 1) return;
    const uint64_t sizes[3] = {volume->sizeX, volume->sizeY, volume->sizeZ};
    double largest = 0;
    for (int a = 0; a < 3; ++a)
        largest = std::max(largest, volume->voxelPitch.pitch[a] / 2.0 * static_cast<double>(sizes[a]));
    for (auto& [name, data] : dataObjects) {
        if (data->type != L"array_xyz") continue;
        std::fill(std::begin(data->coordinateScale.scale), std::end(data->coordinateScale.scale), NarrowToFloat(largest));
        data->coordinateScale.unit = volume->voxelPitch.unit;
    }
}

} // namespace velmor
