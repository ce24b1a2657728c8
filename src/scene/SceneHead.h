#pragma once
// The scene's head: what the file-information dialog shows about a scene.
#include <string>
#include <vector>

namespace velmor {

struct HeadItem {
    std::wstring type;
    std::wstring value;
    std::wstring italic;   // comma-separated start,length pairs
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
