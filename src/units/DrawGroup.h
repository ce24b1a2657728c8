#pragma once
// A node of the scene's group tree. A group owns its units; child groups and
// the friend group are only referred to, since one group may be the child of
// several and the document owns every group once.
#include <cstdint>
#include <string>
#include <vector>

namespace velmor {

class CKxDrawUnit;

class DrawGroup {
public:
    explicit DrawGroup(std::wstring groupName);
    ~DrawGroup();
    DrawGroup(const DrawGroup&) = delete;
    DrawGroup& operator=(const DrawGroup&) = delete;

    std::wstring name;
    std::wstring caption;
    DrawGroup* friendGroup = nullptr;
    std::wstring friendLabel;
    float timeStart = -1;   // -1: no lower bound
    float timeEnd = -1;     // -1: no upper bound
    uint8_t layer = 1;      // 0 back, 1 main, 2 fore
    bool clipAbility = true;
    std::vector<DrawGroup*> children;
    std::vector<CKxDrawUnit*> units;   // owned
    bool loaded = false;
    bool normalize[3] = {true, true, true};
    // Per axis d0..d3: [d0, d1] maps onto [d2, d3] where normalize is false.
    double rangeMap[3][4] = {};
    std::wstring lengthUnit;
    double scale[3] = {1, 1, 1};
    double offset[3] = {};
    double translation[3] = {};
    double extent = 0;
    double centre[3] = {};
    bool spaceFlags[6] = {};
};

} // namespace velmor
