// The scene XML reader: turns the text of a scene into the document's head,
// data objects, group tree and events. The body is read in two passes so that
// names may refer forward.
#include "platform/NumberParse.h"
#include "platform/WideText.h"
#include "scene/AttributeParsers.h"
#include "scene/CVelmorDoc.h"
#include "scene/SceneTextEncoding.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace velmor {
namespace {

// An element of the body without "name": the read ends with "XML COM error".
struct MissingName {};

bool Is(const char* a, const char* b) { return std::strcmp(a, b) == 0; }
std::wstring Wide(const char* utf8) { return Utf8ToWide(utf8); }

std::wstring TrimmedName(pugi::xml_node element)
{
    const pugi::xml_attribute name = element.attribute("name");
    if (!name) throw MissingName{};
    return TrimBlanks(Wide(name.value()));
}

template <typename Visit>
void ForEachElement(pugi::xml_node parent, Visit visit)
{
    for (pugi::xml_node child : parent.children())
        if (child.type() == pugi::node_element) visit(child);
}

// Read as a fragment so that text beside the root stays visible: a scene is
// one element with nothing but declarations, comments and processing
// instructions beside it.
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_fragment;
bool IsOneDocument(const pugi::xml_document& doc)
{
    int elements = 0;
    for (pugi::xml_node node : doc.children()) {
        if (node.type() == pugi::node_element) ++elements;
        if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) return false;
    }
    return elements == 1;
}

bool HasUniqueAttributes(pugi::xml_node element, std::vector<std::string_view>& names)
{
    names.clear();
    for (pugi::xml_attribute a : element.attributes()) names.emplace_back(a.name());
    if (names.size() < 2) return true;
    std::sort(names.begin(), names.end());
    return std::adjacent_find(names.begin(), names.end()) == names.end();
}

// The parser lets an attribute name repeat within one element; XML does not.
// Walked without recursion, as elements may nest deeply.
bool AttributesAreUnique(const pugi::xml_document& doc)
{
    std::vector<std::string_view> names;
    pugi::xml_node node = doc.first_child();
    while (node) {
        if (node.type() == pugi::node_element && !HasUniqueAttributes(node, names)) return false;
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node && !node.next_sibling()) node = node.parent();
        if (node) node = node.next_sibling();
    }
    return true;
}

void ReadScale(pugi::xml_node element, float xyz[3], std::wstring& unit)
{
    for (pugi::xml_attribute a : element.attributes()) {
        const char* n = a.name();
        if (Is(n, "x")) ParseFloat1(Wide(a.value()), xyz[0]);
        else if (Is(n, "y")) ParseFloat1(Wide(a.value()), xyz[1]);
        else if (Is(n, "z")) ParseFloat1(Wide(a.value()), xyz[2]);
        else if (Is(n, "unit")) {
            std::wstring u = Wide(a.value());
            unit = (u == L"um" || u == L"mm" || u == L"cm" || u == L"m") ? std::move(u) : L"mm";
        }
    }
}

// "size" holds as many numbers as the type read so far asks for.
void ReadDataSize(const std::wstring& text, DataObject& d)
{
    const std::wstring& t = d.type;
    int64_t v[4] = {static_cast<int64_t>(d.sizeX), static_cast<int64_t>(d.sizeY), static_cast<int64_t>(d.sizeZ),
                    static_cast<int64_t>(d.sizeT)};
    const auto u = [](int64_t x) { return static_cast<uint64_t>(x); };
    if (t == L"gridXY" || t == L"image") {
        if (ParseInt64x2(text, v[0], v[1])) d.sizeX = u(v[0]), d.sizeY = u(v[1]);
    } else if (t == L"gridXYZ" || t == L"volume") {
        if (ParseInt64x3(text, v[0], v[1], v[2])) d.sizeX = u(v[0]), d.sizeY = u(v[1]), d.sizeZ = u(v[2]);
    } else if (t == L"gridXYT") {
        if (ParseInt64x3(text, v[0], v[1], v[3])) d.sizeX = u(v[0]), d.sizeY = u(v[1]), d.sizeT = u(v[3]);
    } else if (t == L"gridXYZT") {
        if (ParseInt64x4(text, v[0], v[1], v[2], v[3]))
            d.sizeX = u(v[0]), d.sizeY = u(v[1]), d.sizeZ = u(v[2]), d.sizeT = u(v[3]);
    } else {
        for (const wchar_t* one : {L"array_xy", L"array_xyz", L"array_xyt", L"array_xyzt", L"array_color",
                                   L"array_number", L"array_index", L"array_text", L"STL"}) {
            if (t != one) continue;
            int64_t count = static_cast<int64_t>(d.elementCount);
            ParseInt64x1(text, count);
            d.elementCount = u(count);
        }
    }
}

const wchar_t* DefaultFormat(const std::wstring& type)
{
    for (const wchar_t* t : {L"gridXY", L"gridXYZ", L"gridXYT", L"gridXYZT", L"array_xy", L"array_xyz", L"array_xyt",
                             L"array_xyzt", L"array_number", L"STL"})
        if (type == t) return L"float";
    if (type == L"image" || type == L"volume" || type == L"array_color") return L"RGB";
    if (type == L"array_index") return L"uint";
    if (type == L"array_text") return L"text";
    return L"";
}

template <typename Map>
auto* Find(Map& map, const std::wstring& name)
{
    const auto it = map.find(name);
    return it == map.end() ? nullptr : it->second.get();
}

} // namespace

bool CVelmorDoc::ReadSceneXml(uint8_t* text, uint64_t size)
{
    Version = 1.0f;
    spaceCount_ = kMinSpaces;
    firstEvent_ = nullptr;
    try {
        std::string converted;
        const auto form = PrepareSceneText(std::string_view(reinterpret_cast<const char*>(text), size), converted);
        pugi::xml_document doc;
        pugi::xml_parse_result parsed;
        if (form == SceneTextForm::Converted)
            parsed = doc.load_buffer_inplace(converted.data(), converted.size(), kParseOptions, pugi::encoding_utf8);
        else if (form != SceneTextForm::Refused && size > 0)
            parsed = doc.load_buffer_inplace(text, size, kParseOptions,
                                             form == SceneTextForm::Utf8 ? pugi::encoding_utf8 : pugi::encoding_auto);
        if (form == SceneTextForm::Refused || size == 0 || !parsed || !IsOneDocument(doc) || !AttributesAreUnique(doc)) {
            ErrorText = L"XML load error";
            return false;
        }

        const pugi::xml_node root = doc.document_element();
        for (pugi::xml_attribute a : root.attributes()) {
            if (!Is(a.name(), "version")) continue;
            Version = NarrowToFloat(ParseLeadingDouble(std::string_view(a.value())));
            if (Version > 1.35f) {
                ErrorText = L"Please install the new version software";
                return false;
            }
        }
        bool ok = true;
        ForEachElement(root, [&](pugi::xml_node child) {
            if (!ok) return;
            if (Is(child.name(), "head")) ReadSceneHead(child);
            else if (Is(child.name(), "body")) ok = ReadSceneBody(child);
        });
        // Walks recurse into child groups; a group that is its own ancestor
        // would never end them.
        if (!ok || HasGroupCycle()) {
            ErrorText = L"XML load error";
            return false;
        }
        return true;
    } catch (...) {
        ErrorText = L"XML COM error";
        return false;
    }
}

void CVelmorDoc::ReadSceneHead(pugi::xml_node headElement)
{
    ForEachElement(headElement, [&](pugi::xml_node child) {
        const char* n = child.name();
        if (Is(n, "title")) ReadHeadItems(child, head.title);
        else if (Is(n, "credit")) ReadHeadItems(child, head.credit);
        else if (Is(n, "date")) ReadHeadItems(child, head.date);
        else if (Is(n, "description")) ReadHeadItems(child, head.description);
    });
}

void CVelmorDoc::ReadHeadItems(pugi::xml_node item, std::vector<HeadItem>& items)
{
    HeadItem h;
    for (pugi::xml_attribute a : item.attributes()) {
        if (Is(a.name(), "type")) h.type = Wide(a.value());
        else if (Is(a.name(), "value")) h.value = Wide(a.value());
        else if (Is(a.name(), "italic")) h.italic = Wide(a.value());
    }
    items.push_back(std::move(h));
}

bool CVelmorDoc::ReadSceneBody(pugi::xml_node body)
{
    ForEachElement(body, [&](pugi::xml_node child) {
        const char* n = child.name();
        if (Is(n, "data")) {
            const std::wstring name = TrimmedName(child);
            if (!dataObjects.contains(name)) dataObjects.emplace(name, std::make_unique<DataObject>(name));
        } else if (Is(n, "drawGroup")) {
            const std::wstring name = TrimmedName(child);
            if (!drawGroups.contains(name)) drawGroups.emplace(name, std::make_unique<DrawGroup>(name));
        } else if (Is(n, "event")) {
            const std::wstring name = TrimmedName(child);
            if (!events.contains(name)) events.emplace(name, std::make_unique<SceneEvent>(name));
        }
    });

    bool ok = true;
    ForEachElement(body, [&](pugi::xml_node child) {
        if (!ok) return;
        const char* n = child.name();
        if (Is(n, "data")) ReadDataElement(child, *dataObjects.at(TrimmedName(child)));
        else if (Is(n, "drawGroup")) ok = ReadDrawGroup(child, *drawGroups.at(TrimmedName(child)));
        else if (Is(n, "event")) ReadSceneEvent(child, *events.at(TrimmedName(child)));
        else if (Is(n, "firstSetting")) ok = ReadFirstSetting(child);
    });
    return ok;
}

void CVelmorDoc::ReadDataElement(pugi::xml_node element, DataObject& data)
{
    for (pugi::xml_attribute a : element.attributes()) {
        const char* n = a.name();
        if (Is(n, "type")) data.type = Wide(a.value());
        else if (Is(n, "format")) data.format = Wide(a.value());
        else if (Is(n, "size")) ReadDataSize(Wide(a.value()), data);
    }
    if (data.format.empty()) data.format = DefaultFormat(data.type);
    ForEachElement(element, [&](pugi::xml_node child) {
        if (Is(child.name(), "file")) ReadDataFileSource(child, data);
        else if (Is(child.name(), "scale")) {
            if (data.type == L"volume") ReadVolumeScale(child, data);
            else if (data.type == L"array_xyz" || data.type == L"STL") ReadCoordinateScale(child, data);
        }
    });
}

void CVelmorDoc::ReadDataFileSource(pugi::xml_node element, DataObject& data)
{
    for (pugi::xml_attribute a : element.attributes()) {
        const char* n = a.name();
        if (Is(n, "type")) data.sourceType = Wide(a.value());
        else if (Is(n, "path")) data.sourcePath = Wide(a.value());
        else if (Is(n, "reverseX")) ParseOnOff(Wide(a.value()), data.reverseX);
        else if (Is(n, "reverseY")) ParseOnOff(Wide(a.value()), data.reverseY);
        else if (Is(n, "reverseZ")) ParseOnOff(Wide(a.value()), data.reverseZ);
    }
    const size_t dot = data.sourcePath.rfind(L'.');
    if (data.sourceType.empty() && dot != std::wstring::npos) data.sourceType = data.sourcePath.substr(dot + 1);
}

void CVelmorDoc::ReadVolumeScale(pugi::xml_node element, DataObject& data)
{
    // A voxel size that is no length keeps the one before it.
    float pitch[3];
    std::copy(std::begin(data.voxelPitch.pitch), std::end(data.voxelPitch.pitch), pitch);
    ReadScale(element, pitch, data.voxelPitch.unit);
    for (int axis = 0; axis < 3; ++axis)
        if (IsPositiveFloat(pitch[axis])) data.voxelPitch.pitch[axis] = pitch[axis];
}

void CVelmorDoc::ReadCoordinateScale(pugi::xml_node element, DataObject& data)
{
    ReadScale(element, data.coordinateScale.scale, data.coordinateScale.unit);
}

bool CVelmorDoc::ReadDrawGroup(pugi::xml_node element, DrawGroup& group)
{
    static const char* const normalizeNames[3] = {"coordinateNormalizeX", "coordinateNormalizeY", "coordinateNormalizeZ"};
    for (pugi::xml_attribute a : element.attributes()) {
        const char* n = a.name();
        const std::wstring value = Wide(a.value());
        if (Is(n, "timeRange")) ParseFloat2(value, group.timeStart, group.timeEnd);
        else if (Is(n, "layer")) {
            if (value == L"back") group.layer = 0;
            else if (value == L"main") group.layer = 1;
            else if (value == L"fore") group.layer = 2;
        } else if (Is(n, "clipAbility")) ParseOnOff(value, group.clipAbility);
        for (int axis = 0; axis < 3; ++axis) {
            if (!Is(n, normalizeNames[axis])) continue;
            double* d = group.rangeMap[axis];
            // A short list leaves the axis normalised: a half-given range
            // has no scale.
            if (ParseDouble4(value, d[0], d[1], d[2], d[3])) group.normalize[axis] = false;
        }
    }
    bool ok = true;
    ForEachElement(element, [&](pugi::xml_node child) {
        if (!ok) return;
        const char* n = child.name();
        if (Is(n, "TGProperty")) ok = ReadGroupCaption(child, group);
        else if (Is(n, "childGroup")) ok = ReadChildGroup(child, group);
        else if (Is(n, "drawUnit")) ok = ReadDrawUnit(child, group);
    });
    return ok;
}

bool CVelmorDoc::ReadGroupCaption(pugi::xml_node element, DrawGroup& group)
{
    for (pugi::xml_attribute a : element.attributes()) {
        const char* n = a.name();
        if (Is(n, "caption")) group.caption = Wide(a.value());
        else if (Is(n, "friendLabel")) group.friendLabel = Wide(a.value());
        else if (Is(n, "friendGroup")) {
            group.friendGroup = Find(drawGroups, TrimBlanks(Wide(a.value())));
            if (group.friendGroup == nullptr) return false;
        }
    }
    return true;
}

bool CVelmorDoc::ReadChildGroup(pugi::xml_node element, DrawGroup& group)
{
    for (pugi::xml_attribute a : element.attributes()) {
        if (!Is(a.name(), "name")) continue;
        std::vector<std::wstring> tokens;
        SplitTokens(Wide(a.value()), L",", tokens);
        for (const std::wstring& token : tokens) {
            DrawGroup* child = Find(drawGroups, token);
            if (child == nullptr) return false;
            group.children.push_back(child);
        }
    }
    return true;
}

void CVelmorDoc::ReadSceneEvent(pugi::xml_node element, SceneEvent& event)
{
    ForEachElement(element, [&](pugi::xml_node child) {
        EventSetting setting;
        setting.elementName = TrimBlanks(Wide(child.name()));
        for (pugi::xml_attribute a : child.attributes()) {
            setting.names.push_back(TrimBlanks(Wide(a.name())));
            setting.values.push_back(TrimBlanks(Wide(a.value())));
        }
        event.settings.push_back(std::move(setting));
    });
}

bool CVelmorDoc::ReadFirstSetting(pugi::xml_node element)
{
    for (pugi::xml_attribute a : element.attributes()) {
        if (Is(a.name(), "spaceNum")) {
            int32_t spaces = 0;
            ParseInt1(Wide(a.value()), spaces);
            if (spaces < kMinSpaces || spaces > kMaxSpaces) return false;
            spaceCount_ = spaces;
        } else if (Is(a.name(), "firstEvent")) {
            SceneEvent* first = Find(events, Wide(a.value()));
            if (first == nullptr) return false;
            firstEvent_ = first;
        }
    }
    return true;
}

bool CVelmorDoc::HasGroupCycle() const
{
    // Iterative depth-first search: chains of groups may be long.
    enum : uint8_t { Unseen, Open, Done };
    std::unordered_map<const DrawGroup*, uint8_t> state;
    std::vector<std::pair<const DrawGroup*, size_t>> stack;
    for (const auto& [name, start] : drawGroups) {
        if (state[start.get()] != Unseen) continue;
        state[start.get()] = Open;
        stack.emplace_back(start.get(), 0);
        while (!stack.empty()) {
            auto& [group, next] = stack.back();
            if (next == group->children.size()) {
                state[group] = Done;
                stack.pop_back();
                continue;
            }
            const DrawGroup* child = group->children[next++];
            uint8_t& s = state[child];
            if (s == Open) return true;
            if (s == Unseen) {
                s = Open;
                stack.emplace_back(child, 0);
            }
        }
    }
    return false;
}

} // namespace velmor
