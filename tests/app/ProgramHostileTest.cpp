// The real program on an X server of its own meeting what a hostile or
// careless user hands it: things that are not files where files belong, and
// files that arrive while a message waits for its answer.
#include "app/CKxDlgProgress.h"
#include "app/RunningProgram.h"
#include "app/SingleInstance.h"

#include <QMessageBox>
#include <QTimer>

#include <set>
#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace velmor;
using namespace velmor::test;

namespace {

const char* const kHead = R"(<?xml version="1.0" encoding="UTF-8"?>
<scene version="1.35"><body>
)";
const char* const kTail = R"(<firstSetting spaceNum="1" firstEvent="start"/>
</body></scene>
)";

std::string Scene(const std::string& body) { return kHead + body + kTail; }

// A plain scene that opens without a message: its name is the proof it opened.
std::string PlainScene() {
    return Scene(R"(<drawGroup name="g"><drawUnit><primitive shape="cube" size="1"/></drawUnit></drawGroup>
<event name="start"><targetSpace index="0"/><topGroup name="g"/></event>
)");
}

// Should anything open the FIFO and wait for a writer, a writer comes after a
// while and lets it go, so that the test fails instead of hanging.
class FifoRescue {
public:
    explicit FifoRescue(std::filesystem::path fifo) : fifo_(std::move(fifo)), thread_([this] { Run(); }) {}
    ~FifoRescue()
    {
        done_ = true;
        thread_.join();
    }
    bool Rescued() const { return rescued_; }

private:
    void Run()
    {
        for (int i = 0; i < 400 && !done_; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        // Every reader that waits there, however often it comes back.
        for (; !done_; std::this_thread::sleep_for(std::chrono::milliseconds(50))) {
            const int fd = open(fifo_.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd < 0) continue;
            rescued_ = true;
            close(fd);
        }
    }
    std::filesystem::path fifo_;
    std::atomic<bool> done_{false}, rescued_{false};
    std::thread thread_;
};

class ProgramHostile : public RunningProgram {
protected:
    std::wstring Title() const { return frame->windowTitle().toStdWString(); }
    static std::wstring TitleOf(const std::string& name) { return std::wstring(name.begin(), name.end()) + L" - Velmor"; }
    // A later start of the program hands `path` over, from another thread as
    // another process would.
    bool HandOver(const std::filesystem::path& path)
    {
        SingleInstance later(Q(run.Path()));
        return later.HandToRunning(path.wstring());
    }
};

} // namespace

// A FIFO, a folder and a device named as data files are each refused with
// their unit's read error, without waiting on the FIFO; a FIFO as the scene
// file is a file that cannot be opened, and the scene shown stays; a later
// start still hands its file over.
TEST_F(ProgramHostile, NothingButRegularFilesIsOpened)
{
    const auto fifo = scenes.Path() / "pipe.raw";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const auto fifoScene = scenes.Path() / "pipe.vlm";
    ASSERT_EQ(mkfifo(fifoScene.c_str(), 0600), 0);
    std::filesystem::create_directory(scenes.Path() / "folder.png");
    std::filesystem::create_symlink("/dev/zero", scenes.Path() / "device.stl");
    scenes.Write("plain.vlm", PlainScene());
    const auto data = scenes.Write("data.vlm", Scene(R"(<drawGroup name="g"><drawUnit>
  <volumeRendering volume_data="v" renderingType="B"/>
  <image shape="plane" size="1" image_data="p"/>
  <stl stl_data="m" renderingType="A"/>
</drawUnit></drawGroup>
<data name="v" type="volume" format="GRAY" size="16,16,16"><file path="pipe.raw"/></data>
<data name="p" type="image" size="16,16"><file path="folder.png"/></data>
<data name="m" type="STL"><file path="device.stl"/></data>
<event name="start"><targetSpace index="0"/><topGroup name="g"/></event>
)"));
    FifoRescue rescueData(fifo), rescueScene(fifoScene);

    Launch(data);
    WaitShown();
    const auto said = messages->Messages();
    EXPECT_EQ(std::set<std::wstring>(said.begin(), said.end()),
              (std::set<std::wstring>{L"data file read error", L"file read error", L"volume data file read error"}));
    EXPECT_EQ(Title(), TitleOf("data.vlm"));

    app.OpenDocumentFile(fifoScene.wstring());
    EXPECT_EQ(messages->Messages().back(), L"file open error");
    const size_t told = messages->Messages().size();
    EXPECT_EQ(Title(), TitleOf("data.vlm"));
    EXPECT_TRUE(view->SceneShown());

    bool handed = false;
    std::thread later([&] { handed = HandOver(scenes.Path() / "plain.vlm"); });
    EXPECT_TRUE(WaitUntil([&] { return Title() == TitleOf("plain.vlm"); }));
    later.join();
    EXPECT_TRUE(handed);
    EXPECT_FALSE(rescueData.Rescued() || rescueScene.Rescued()) << "a FIFO was opened and waited on";
    EXPECT_EQ(messages->Messages().size(), told);
}

// Files handed over while a message box is open (here one that a clicked
// unit's event brought up) open once the box is closed, in the order they came.
TEST_F(ProgramHostile, FilesHandedOverDuringAMessageOpenWhenItCloses)
{
    scenes.Write("second.vlm", PlainScene());
    scenes.Write("third.vlm", PlainScene());
    const auto first = scenes.Write("first.vlm", Scene(R"(<drawGroup name="front"><drawUnit>
  <primitive shape="sphere" size="3" selectable="on" event="fail"/>
</drawUnit></drawGroup>
<drawGroup name="broken"><drawUnit><volumeRendering volume_data="v" renderingType="B"/></drawUnit></drawGroup>
<data name="v" type="volume" format="GRAY" size="16,16,16"><file path="nowhere.raw"/></data>
<event name="start"><targetSpace index="0"/><topGroup name="front"/></event>
<event name="fail"><targetSpace index="0"/><topGroup name="broken"/></event>
)"));
    Launch(first);
    WaitShown();
    messages.reset();   // the real boxes from here on

    std::atomic<int> handed{0};
    std::thread later;
    std::wstring titleWhileOpen;
    bool sawBox = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        sawBox = true;
        if (!later.joinable())
            later = std::thread([&] {
                handed += HandOver(scenes.Path() / "second.vlm");
                handed += HandOver(scenes.Path() / "third.vlm");
            });
        if (handed < 2) return;
        titleWhileOpen = Title();
        box->accept();
    });
    watch.start(50);
    PostClick(view, Centre(view));
    EXPECT_TRUE(WaitUntil([&] { return Title() == TitleOf("third.vlm"); }, 30000));
    watch.stop();
    if (later.joinable()) later.join();
    EXPECT_TRUE(sawBox);
    EXPECT_EQ(handed, 2);
    EXPECT_EQ(titleWhileOpen, TitleOf("first.vlm"));
    const auto& recent = app.RecentFiles().Entries();
    ASSERT_GE(recent.size(), 3u);
    EXPECT_EQ(recent[0], (scenes.Path() / "third.vlm").wstring());
    EXPECT_EQ(recent[1], (scenes.Path() / "second.vlm").wstring());
}
