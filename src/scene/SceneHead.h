#pragma once
// The scene's head: what the file-information dialog shows about a scene.
#include <cstdint>
#include <string>
#include <vector>

namespace velmor {

struct HeadItem {
    std::wstring type;
    std::wstring value;
    std::wstring italic;   // comma-separated start,length pairs
    // The pairs as positions in the file-information text, filled when
    // that text is built.
    std::vector<int32_t> italicRanges;
};

struct SceneHead {
    std::vector<HeadItem> title;
    std::vector<HeadItem> credit;
    std::vector<HeadItem> date;
    std::vector<HeadItem> description;

    void Clear()
    {
        title.clear();
        credit.clear();
        date.clear();
        description.clear();
    }
};

} // namespace velmor
