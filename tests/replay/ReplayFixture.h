#pragma once

// Plays a recording through the library's real C functions, the way the
// program calls them: the program's notification window on the running
// message loop receives the replayed notices.
#include "MessageLoop.h"
#include "TempFolder.h"
#include "device/NotificationWindow.h"
#include "device/ProgramModule.h"
#include "device/VqdTrm4Hid.h"
#include "sim/SimControl.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ReplayFixture : public ::testing::Test
{
protected:
    struct Notice
    {
        unsigned int message;
        uintptr_t wParam;
    };

    using Report = std::array<uint8_t, 64>;

    void SetUp() override
    {
        notices().clear();
        module = acquireProgramModule();
        window = std::make_unique<NotificationWindow> (&recordNotice, module);
        ASSERT_TRUE (window->isValid());
    }

    void TearDown() override
    {
        vqdsim::reset();
        window.reset();
        releaseProgramModule (module);
    }

    // Sets the library up to play `text` (written to a file of the test's
    // own), writing the flash to `dumpName` beside it at HID_Finalize if
    // given. The folder is named in four scripts, as a user's may be: on
    // Windows a path the ANSI code page cannot spell must still be found.
    void play (const std::string& text, bool fast, const std::string& dumpName = {})
    {
        const juce::File named = folder / juce::String (juce::CharPointer_UTF8 ("Aufnahme \xc3\xa4 \xe9\x8c\xb2\xe9\x9f\xb3 \xd0\xb7\xd0\xb0\xd0\xbf\xd0\xb8\xd1\x81\xd1\x8c "
                                                                                "\xd8\xaa\xd8\xb3\xd8\xac\xd9\x8a\xd9\x84"));
        ASSERT_TRUE (named.createDirectory());
        const juce::File file = named.getChildFile ("recording.txt");
        ASSERT_TRUE (file.replaceWithText (juce::String::fromUTF8 (text.c_str()), false, false, "\n"));
        path = file.getFullPathName().toStdString();
        vqdsim::Scenario scenario;
        scenario.replayPath = path;
        scenario.replayFast = fast;
        if (! dumpName.empty())
            scenario.dumpPath = named.getChildFile (dumpName).getFullPathName().toStdString();
        vqdsim::configure (scenario);
    }

    void openSession()
    {
        HID_Initialize (module);
        HID_SetCallback (window->getHandle(), NotificationWindow::inputMessage, NotificationWindow::arrivalMessage,
                         NotificationWindow::removalMessage);
    }

    void closeSession()
    {
        HID_Stop();
        HID_SetCallback (nullptr, 0, 0, 0);
        HID_Finalize();
    }

    // Pumps the message loop until `count` notices have come (a guard
    // against hanging, nothing measured).
    static bool waitForNotices (std::size_t count)
    {
        return MessageLoop::runUntil ([count] { return notices().size() >= count; }, 5000);
    }

    static Report input (int hidNo, int& length)
    {
        Report report {};
        length = 64;
        HID_Input (hidNo, report.data(), &length);
        return report;
    }

    static std::vector<Notice>& notices()
    {
        static std::vector<Notice> received;
        return received;
    }

    TempFolder folder;
    std::string path;
    HidInstanceHandle module = nullptr;
    std::unique_ptr<NotificationWindow> window;

private:
    static void recordNotice (unsigned int message, uintptr_t wParam, intptr_t)
    {
        notices().push_back ({ message, wParam });
    }
};
