// Writes one session between the program and the maker's HID library as a
// recording (docs/recording.md, "The format (version 1)"): the header,
// then one line per event, "<microseconds> <thread> <event>",
// the microseconds counted on a steady clock from the start of the
// recording, the threads named t1, t2, ... as they first appear.
//
// Any thread may write; one lock keeps the lines whole and in the order of
// their times. Each line goes to the file in one write as it is made, so
// that a crash or a pulled cable leaves every line before it.
#pragma once

#include "recording/RecordingFile.h"

#include <chrono>
#include <cstdint>
#include <ctime>
#include <map>
#include <mutex>
#include <string>

class RecordingWriter
{
public:
    static constexpr const char* recorderVersion = "1.0.0";

    struct Header
    {
        std::string maker;                    // the maker's library's file name
        std::string makerVersion = "unknown"; // from its version resource
        std::string makerSize = "unknown";    // its file's size in bytes
    };

    // Makes a new file in `folder`, named after the local time
    // (fileName()), and writes the header. False when no file could be made:
    // every line is then dropped.
    bool open (const std::string& folder, const Header& header);

    // The same, named and stamped as if it were `now`.
    bool openAt (const std::string& folder, const Header& header, std::time_t now);

    bool isOpen() const;
    std::string path() const;

    // "<microseconds> <thread> <text>" for the calling thread.
    void event (const std::string& text);

    // "# <text>": what a reader of the recording should know, such as a
    // library that could not be loaded.
    void comment (const std::string& text);

    // "vqdtrm4-recording-YYYYMMDD-HHMMSS.txt" for the first attempt,
    // "...-HHMMSS-2.txt" for the second and so on.
    static std::string fileName (const std::tm& localTime, int attempt);

    // The header's text, "---" line included.
    static std::string headerText (const Header& header, const std::tm& started);

    // `length` bytes as upper-case hex without the trailing zero bytes; "-"
    // when nothing is left.
    static std::string hex (const uint8_t* bytes, int length);

    // x64, x86 or linux: what this build runs on.
    static const char* arch();

private:
    using Clock = std::chrono::steady_clock;

    std::string threadLabel (uint64_t thread);

    mutable std::mutex lock;
    RecordingFile file;
    std::string filePath;
    Clock::time_point start;
    std::map<uint64_t, std::string> threadLabels;
};
