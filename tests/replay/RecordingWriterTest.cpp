// The recording writer never overwrites what an earlier run recorded: a
// user may record twice in one second, and the first recording may be the
// one that shows the fault.
#include "TempFolder.h"
#include "recording/RecordingWriter.h"

#include <gtest/gtest.h>

TEST (RecordingWriter, TakesTheNextNumberOfItsSecondAndLeavesEarlierRecordingsAlone)
{
    const TempFolder folder;
    const std::time_t when = 1'796'900'000;
    const auto name = [when] (int attempt) {
        return juce::String (RecordingWriter::fileName (RecordingFile::localTime (when), attempt));
    };
    ASSERT_TRUE ((folder / name (1)).replaceWithText ("earlier"));

    RecordingWriter writer;
    ASSERT_TRUE (writer.openAt (folder.get().getFullPathName().toStdString(), {}, when));
    writer.event ("HID_Initialize");

    EXPECT_EQ (juce::File (writer.path()), folder / name (2));
    EXPECT_EQ ((folder / name (1)).loadFileAsString(), "earlier");
    EXPECT_EQ (folder.get().getNumberOfChildFiles (juce::File::findFiles), 2);
}
