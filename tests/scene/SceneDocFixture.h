#pragma once
// A document with a recording view, opening scene texts written to a
// temporary folder.
#include "scene/CVelmorDoc.h"
#include "support/MessageRecorder.h"
#include "support/RecordingView.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace velmor::test {

class SceneDocTest : public ::testing::Test {
protected:
    SceneDocTest()
    {
        doc.AttachView(&view);
        doc.OnNewDocument();
    }
    ~SceneDocTest() override { ScenePath = SceneFolder = LastFolder = L""; }

    // Opens the bytes as a scene file; returns the messages shown meanwhile.
    std::vector<std::wstring> Open(const std::string& bytes, const std::string& file = "scene.vlm")
    {
        MessageRecorder messages;
        dir.Write(file, bytes);
        EXPECT_TRUE(doc.OnOpenDocument(dir.WidePath(file)));
        return messages.Messages();
    }
    void OpenCleanly(const std::string& bytes)
    {
        const auto messages = Open(bytes);
        ASSERT_TRUE(messages.empty()) << std::string(messages[0].begin(), messages[0].end());
        ASSERT_EQ(doc.LastOpenOutcome(), OpenOutcome::Opened);
    }
    DataObject& Data(const std::wstring& name) { return *doc.dataObjects.at(name); }
    DrawGroup& Group(const std::wstring& name) { return *doc.drawGroups.at(name); }
    SceneEvent& Event(const std::wstring& name) { return *doc.events.at(name); }

    TempDir dir;
    RecordingView view;
    CVelmorDoc doc;
};

using Messages = std::vector<std::wstring>;

} // namespace velmor::test
