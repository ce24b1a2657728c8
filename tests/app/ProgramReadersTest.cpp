// The real program on an X server of its own showing volumes and pictures
// from every kind of source a scene may name: raw and run-length ("kxd")
// files, blocks of an encrypted scene container, folders of JPEG, BMP and
// TIFF slices and a single JPEG (made by Pillow), with and without reverse
// flags. Every slice holds one bright corner, so a reader that turns or
// mirrors its samples shows the corner elsewhere.
#include "app/CMainFrame.h"
#include "app/CVelmorApp.h"
#include "app/CVelmorView.h"
#include "app/ColorLabel.h"
#include "app/GuiTestSupport.h"
#include "app/RunningProgram.h"
#include "app/ViewBar.h"
#include "app/ViewButtonPictures.h"
#include "export/ExportTestSupport.h"
#include "support/ContainerWriter.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"
#include "support/VolumeWriter.h"

#include <QImage>
#include <QLabel>
#include <QSettings>
#include <QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace velmor;
using namespace velmor::test;

namespace {


constexpr int kSide = 16;    // voxels along x and y
constexpr int kSlices = 4;
constexpr int kBright = 250;
constexpr int kDim = 60;

// Bright in the top-left quarter of every slice as the file stores it (first
// rows, first columns), dim elsewhere.
TestVolume CornerVolume()
{
    TestVolume v{kSide, kSide, kSlices, 1, std::vector<uint8_t>(kSide * kSide * kSlices, kDim)};
    for (int k = 0; k < kSlices; ++k)
        for (int j = 0; j < kSide / 2; ++j)
            for (int i = 0; i < kSide / 2; ++i) v.values[(k * kSide + j) * kSide + i] = kBright;
    return v;
}

// The same slices as picture files, written by Pillow, one folder a format.
void WriteSliceFolders(const TempDir& dir)
{
    dir.Write("slices.py", R"(
import sys, os
from PIL import Image
root, slices, side, bright, dim = sys.argv[1], *map(int, sys.argv[2:])
for ext in ('jpg', 'bmp', 'tif'):
    os.mkdir(os.path.join(root, ext))
    for k in range(slices):
        im = Image.new('L', (side, side), dim)
        im.paste(bright, (0, 0, side // 2, side // 2))
        im.save(os.path.join(root, ext, '%02d.%s' % (k, ext)), quality=100)
)");
    std::string command = "/usr/bin/python3 " + Quoted((dir.Path() / "slices.py").string()) + " " + Quoted(dir.Path().string());
    for (int n : {kSlices, kSide, kBright, kDim}) command += " " + std::to_string(n);
    const CommandResult made = RunCommand(command);
    ASSERT_EQ(made.exitCode, 0) << made.output;
}

struct Source {
    std::string name;     // of the group, its caption and its data
    std::string file;     // the data's "file" element
    bool right = false;   // where the bright corner shows
    bool bottom = false;
    bool picture = false; // one slice shown by an image unit, not a volume
};

// A top group showing the source's data, the next group as its friend.
std::string Group(const Source& source, const std::string& next)
{
    const std::string& name = source.name;
    const std::string unit = source.picture
        ? "<image note=\"" + name + "\" shape=\"flat\" size=\"1\" coordinate=\"0,0,0\" image_data=\"" + name + "\"/>"
        : "<volumeRendering note=\"" + name + "\" volume_data=\"" + name + "\" renderingType=\"B\"/>";
    return "<drawGroup name=\"" + name + "\"><TGProperty caption=\"" + name + "\" friendLabel=\"next\" friendGroup=\"" +
           next + "\"/><drawUnit>" + unit + "</drawUnit></drawGroup>";
}

std::string Data(const Source& source)
{
    const std::string side = std::to_string(kSide);
    const std::string kind = source.picture ? R"(type="image" format="RGB" size=")" + side + "," + side
                                            : R"(type="volume" format="GRAY" size=")" + side + "," + side + "," +
                                                  std::to_string(kSlices);
    return "<data name=\"" + source.name + "\" " + kind + "\">" + source.file + "</data>";
}

// The groups chained by their friends, the first shown when the scene opens.
std::string SceneOf(const std::vector<Source>& sources)
{
    std::string body;
    for (size_t i = 0; i < sources.size(); ++i) {
        body += Group(sources[i], sources[(i + 1) % sources.size()].name);
        body += Data(sources[i]);
    }
    body += "<event name=\"start\"><targetSpace index=\"0\"/><topGroup name=\"" + sources.front().name +
            "\"/><activeSpace index=\"0\"/><appearance backgroundColor=\"0,0,255\"/></event>"
            "<firstSetting spaceNum=\"1\" firstEvent=\"start\"/>";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<scene version=\"1.35\"><head><title type=\"main\" "
           "value=\"Readers\"/></head><body>" +
           body + "</body></scene>\n";
}

std::vector<Source> Plus(std::vector<Source> sources, const Source& last)
{
    sources.push_back(last);
    return sources;
}

const std::vector<Source> kFileSources = {
    {"raw", R"(<file path="corner.raw" type="raw"/>)"},
    {"kxd", R"(<file path="corner.kxd" type="kxd"/>)"},
    {"kxd reversed", R"(<file path="corner.kxd" type="kxd" reverseX="on"/>)", true, false},
    {"jpg", R"(<file path="jpg/" type="jpg"/>)"},
    {"bmp", R"(<file path="bmp/" type="bmp"/>)"},
    {"bmp reversed", R"(<file path="bmp/" type="bmp" reverseY="on"/>)", false, true},
    {"tif", R"(<file path="tif/" type="tif"/>)"},
    {"tif reversed", R"(<file path="tif/" type="tif" reverseX="on" reverseY="on"/>)", true, true},
    {"jpg picture", R"(<file path="jpg/00.jpg" type="jpg"/>)", false, false, true},
};
const std::vector<Source> kBlockSources = {
    {"raw block", R"(<file path="this1" type="raw"/>)"},
    {"kxd block", R"(<file path="this2" type="kxd" reverseY="on"/>)", false, true},
    {"jpg block", R"(<file path="this3" type="jpg" reverseY="on"/>)", false, true, true},
};
const Source kLostBlock = {"lost block", R"(<file path="this7" type="raw"/>)"};

class ProgramReaders : public RunningProgram {
protected:
    ProgramReaders()
    {
        const TestVolume volume = CornerVolume();
        scenes.Write("corner.raw", RawBytes(volume));
        scenes.Write("corner.kxd", KxdBytes(volume));
        WriteSliceFolders(scenes);
        scenes.Write("readers.vlm", SceneOf(kFileSources));
        scenes.Write("boxed.vlm", MakeContainer(std::vector<std::string>{SceneOf(Plus(kBlockSources, kLostBlock)), RawBytes(volume),
                                                                          KxdBytes(volume), ReadFileBytes(scenes.Path() / "jpg" / "00.jpg")}));
        Launch(scenes.Path() / "readers.vlm");
        WaitShown();
    }

    QString Caption() const { return bar->Caption()->text().trimmed(); }
};

TEST_F(ProgramReaders, EverySourceShowsItsBrightCornerWhereItsFlagsPutIt)
{
    // Steps through the groups by the friend button and looks at the middle
    // of each quarter of the volume, which fills the view's height.
    auto walk = [this](const std::vector<Source>& sources) {
        for (const Source& source : sources) {
            const QString name = QString::fromStdString(source.name);
            ASSERT_TRUE(WaitUntil([&] { return Caption() == name && !app.Busy(); })) << source.name;
            const QImage picture = Picture();
            const int quarter = std::min(picture.width(), picture.height()) / 4;
            for (const bool right : {false, true})
                for (const bool bottom : {false, true}) {
                    const QColor c = picture.pixelColor(picture.width() / 2 + (right ? quarter : -quarter),
                                                        picture.height() / 2 + (bottom ? quarter : -quarter));
                    const bool corner = right == source.right && bottom == source.bottom;
                    // Bright shows nearly white; dim shows grey, or tints the
                    // blue background through a volume.
                    if (corner) EXPECT_GT(c.red(), 200) << source.name << " right " << right << " bottom " << bottom;
                    else EXPECT_TRUE(c.red() > 20 && c.red() < 150) << source.name << " right " << right << " bottom "
                                                                   << bottom << ": " << c.red();
                }
            QTest::mouseClick(bar->Button(kFriendButton), Qt::LeftButton);
        }
    };
    walk(kFileSources);
    EXPECT_TRUE(messages->Messages().empty());

    // The container holds the scene, both volume layouts and a picture as
    // blocks.
    app.OpenDocumentFile(scenes.WidePath("boxed.vlm"));
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("boxed.vlm - Velmor"));
    walk(kBlockSources);

    // The friend of the last: a block past the container's end. Its load
    // fails with the one message and the view shows the background where
    // the volume would be.
    ASSERT_TRUE(WaitUntil([&] { return Caption() == QStringLiteral("lost block") && !app.Busy(); }));
    ASSERT_EQ(messages->Messages().size(), 1u);
    EXPECT_EQ(messages->Messages().front(), L"volume data file read error");
    const QImage picture = Picture();
    EXPECT_EQ(picture.pixelColor(picture.width() / 2, picture.height() / 2), QColor(0, 0, 255));
}

} // namespace
