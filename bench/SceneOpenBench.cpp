// Opening a large scene: the XML text is parsed in place and read in two
// passes; this measures the whole open, plain UTF-8 and Shift_JIS.
#include "platform/MessageSink.h"
#include "platform/WideText.h"
#include "scene/CVelmorDoc.h"
#include "support/TempDir.h"
#include "support/TestScenes.h"

#include <benchmark/benchmark.h>
#include <string>

using namespace velmor;

namespace {

std::string LargeBody(int groups)
{
    std::string body;
    for (int i = 0; i < groups; ++i) {
        const std::string n = std::to_string(i);
        body += "<data name=\"d" + n + "\" type=\"volume\" size=\"512,512,300\"><file path=\"ct" + n +
                "\\slice.dcm\"/><scale x=\"0.5\" y=\"0.5\" z=\"1\"/></data>\n"
                "<drawGroup name=\"g" + n + "\" timeRange=\"0,10\"><TGProperty caption=\"頭部 " + n + "\"/>" +
                (i + 1 < groups ? "<childGroup name=\"g" + std::to_string(i + 1) + "\"/>" : "") +
                "<drawUnit/></drawGroup>\n<event name=\"e" + n + "\"><topGroup name=\"g" + n + "\"/></event>\n";
    }
    return body + "<firstSetting spaceNum=\"2\" firstEvent=\"e0\"/>\n";
}

void OpenScene(benchmark::State& state, const std::string& text)
{
    class Quiet final : public MessageSink {
        void Show(const std::wstring&) override {}
    } quiet;
    MessageSink* previous = SetMessageSink(&quiet);
    test::TempDir dir;
    dir.Write("large.vlm", text);
    const std::wstring path = dir.WidePath("large.vlm");
    CVelmorDoc doc;
    doc.OnNewDocument();
    for (auto _ : state) {
        doc.OnOpenDocument(path);
        if (doc.LastOpenOutcome() != OpenOutcome::Opened) state.SkipWithError("scene did not open");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    SetMessageSink(previous);
}

void BM_OpenPlainScene(benchmark::State& state)
{
    OpenScene(state, test::SceneWithBody(LargeBody(static_cast<int>(state.range(0)))));
}

void BM_OpenShiftJisScene(benchmark::State& state)
{
    std::string text = *ConvertCharset(test::SceneWithBody(LargeBody(static_cast<int>(state.range(0)))), "UTF-8", "CP932");
    text.replace(text.find("UTF-8"), 5, "Shift_JIS");
    OpenScene(state, text);
}

} // namespace

BENCHMARK(BM_OpenPlainScene)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenShiftJisScene)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
