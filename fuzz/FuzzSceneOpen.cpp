// Any bytes as a scene file opened by the document: plain XML in any
// encoding and containers alike must neither crash nor leak.
#include "FuzzFile.h"
#include "platform/MessageSink.h"
#include "scene/CVelmorDoc.h"

#include <cstdint>

using namespace velmor;

namespace {

class QuietSink final : public MessageSink {
public:
    void Show(const std::wstring&) override {}
};

class NullView final : public DocumentView {
public:
    void ShowNoScene() override {}
    void SetSceneLoaded(bool) override {}
    void SetPaneCount(int32_t count) override
    {
        if (count < kMinSpaces || count > kMaxSpaces) __builtin_trap();
    }
    void SetFirstEvent(SceneEvent* event) override { first = event; }
    SceneEvent* FirstEvent() const override { return first; }
    void ForgetSceneEvents() override { first = nullptr; }
    SceneEvent* first = nullptr;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::PretendSmallMachine();
    static QuietSink sink;
    SetMessageSink(&sink);
    const fuzz::MemoryFile file(data, size);
    if (file.Ok()) {
        NullView view;
        CVelmorDoc doc;
        doc.AttachView(&view);
        doc.OnNewDocument();
        doc.OnOpenDocument(file.Path());
        // The memory walks over whatever the scene built.
        doc.ReleaseUnusedData();
        doc.FreeGroupWork();
    }
    return 0;
}
