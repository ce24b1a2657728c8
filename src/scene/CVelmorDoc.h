#pragma once
// The one scene document: the head, the data objects, the draw-group tree and
// the events of the scene shown, each kept under its name. It opens scene
// files (plain XML or the encrypted container), reads them, repairs scenes of
// old versions and tells the view that a scene is ready. It never writes
// scene files.
#include "scene/DataObject.h"
#include "scene/DocumentView.h"
#include "scene/SceneEvent.h"
#include "scene/SceneHead.h"
#include "units/DrawGroup.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <pugixml.hpp>
#include <string>
#include <vector>

namespace velmor {

class CKxDrawUnit;
class CKxDrawUTriangles;
class CKxDrawUPrimitive;
class CKxDrawUText;
class CKxDrawUImage;
class CKxDrawULinkBoard;
class CKxDrawUConnector;
class CKxDrawUTriIndex;
class CKxDrawUPointCloud;
class CKxDrawUSTL;
class CKxDrawUSurfaceR;
class CKxDrawUVolumeR;
class CKxDrawUTopoMap;
class CKxDrawUScatterGraph;

// Names are ordered by UTF-16 code units, as the walks visit them.
struct SceneNameOrder {
    bool operator()(const std::wstring& a, const std::wstring& b) const;
};

using DataObjectMap = std::map<std::wstring, std::unique_ptr<DataObject>, SceneNameOrder>;
using DrawGroupMap = std::map<std::wstring, std::unique_ptr<DrawGroup>, SceneNameOrder>;
using SceneEventMap = std::map<std::wstring, std::unique_ptr<SceneEvent>, SceneNameOrder>;


// How the last open ended, for the caller that records recent files. A file
// that is no scene (not even one that reads) leaves the shown scene as it was.
enum class OpenOutcome { Opened, PreviousSceneKept };

// Bounds of "spaceNum": a scene shows at least one space and never more than
// the renderer can hold.
constexpr int32_t kMinSpaces = 1;
constexpr int32_t kMaxSpaces = 64;

class CVelmorDoc {
public:
    CVelmorDoc();
    ~CVelmorDoc();
    CVelmorDoc(const CVelmorDoc&) = delete;
    CVelmorDoc& operator=(const CVelmorDoc&) = delete;

    // The view that shows this document; may be null (no view yet).
    void AttachView(DocumentView* view) { attachedView_ = view; }

    bool OnNewDocument();
    // Opens a scene file. Every outcome returns true; LastOpenOutcome says
    // which it was.
    bool OnOpenDocument(const std::wstring& path);
    OpenOutcome LastOpenOutcome() const { return lastOutcome_; }

    void ResetScene();
    void ClearScene();

    bool FreeGroupGLBuffers(bool loaded);
    void FreeGroupWork();
    void ReleaseUnusedData();

    // Scene XML reader. The text is parsed in place and may be changed.
    bool ReadSceneXml(uint8_t* text, uint64_t size);
    void ReadSceneHead(pugi::xml_node head);
    void ReadHeadItems(pugi::xml_node item, std::vector<HeadItem>& items);
    bool ReadSceneBody(pugi::xml_node body);
    void ReadDataElement(pugi::xml_node element, DataObject& data);
    void ReadDataFileSource(pugi::xml_node element, DataObject& data);
    void ReadVolumeScale(pugi::xml_node element, DataObject& data);
    void ReadCoordinateScale(pugi::xml_node element, DataObject& data);
    bool ReadDrawGroup(pugi::xml_node element, DrawGroup& group);
    bool ReadGroupCaption(pugi::xml_node element, DrawGroup& group);
    bool ReadChildGroup(pugi::xml_node element, DrawGroup& group);
    void ReadSceneEvent(pugi::xml_node element, SceneEvent& event);
    bool ReadFirstSetting(pugi::xml_node element);
    bool ReadDrawUnit(pugi::xml_node element, DrawGroup& group);
    // Draw-unit elements. A reference to a data object or an event the scene
    // does not define makes the bool readers return false at once.
    bool ReadUnitCommon(pugi::xml_node element, CKxDrawUnit* unit, DrawGroup& group, bool readEvent);
    void ReadColorTable(pugi::xml_node inner, CKxDrawUTriangles& unit);
    void ReadPrimitiveUnit(pugi::xml_node element, CKxDrawUPrimitive& unit);
    void ReadTextUnit(pugi::xml_node element, CKxDrawUText& unit);
    bool ReadImageUnit(pugi::xml_node element, CKxDrawUImage& unit);
    void ReadLinkBoardUnit(pugi::xml_node element, CKxDrawULinkBoard& unit);
    void ReadConnectorUnit(pugi::xml_node element, CKxDrawUConnector& unit);
    bool ReadTriangleIndexUnit(pugi::xml_node element, CKxDrawUTriIndex& unit);
    bool ReadPointCloudUnit(pugi::xml_node element, CKxDrawUPointCloud& unit);
    bool ReadStlUnit(pugi::xml_node element, CKxDrawUSTL& unit);
    bool ReadSurfaceRenderingUnit(pugi::xml_node element, CKxDrawUSurfaceR& unit);
    bool ReadVolumeRenderingUnit(pugi::xml_node element, CKxDrawUVolumeR& unit);
    bool ReadTopoMapUnit(pugi::xml_node element, CKxDrawUTopoMap& unit);
    bool ReadScatterGraphUnit(pugi::xml_node element, CKxDrawUScatterGraph& unit);

    SceneHead head;
    DataObjectMap dataObjects;
    DrawGroupMap drawGroups;
    SceneEventMap events;
    uint8_t Encrypted = 0;
    DocumentView* View = nullptr;
    std::wstring ErrorText;
    float Version = 1.0f;

private:
    // Scenes up to 1.3401 are repaired after reading and wrote some unit
    // sizes in an older form.
    bool IsLegacyVersion() const { return static_cast<double>(Version) <= 1.3401; }
    bool OpenFailedEarly(const std::wstring& text, const std::wstring& previousPath, const std::wstring& previousFolder);
    // Reads the text beside the shown scene and takes it in place of that
    // scene only when it read; false (with ErrorText set) leaves all as it was.
    bool ReplaceSceneWith(uint8_t* text, uint64_t size);
    void TakeSceneFrom(CVelmorDoc& read);
    void ApplyLegacyFixUps();
    bool HasGroupCycle() const;

    DocumentView* attachedView_ = nullptr;
    // What "firstSetting" named; handed to the view once the scene is taken.
    int32_t spaceCount_ = kMinSpaces;
    SceneEvent* firstEvent_ = nullptr;
    OpenOutcome lastOutcome_ = OpenOutcome::Opened;
};

extern CVelmorDoc* CurrentDocument;
extern std::wstring ScenePath;
extern std::wstring SceneFolder;
extern std::wstring LastFolder;

} // namespace velmor
