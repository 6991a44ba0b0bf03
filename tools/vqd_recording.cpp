// vqd_recording: the developer's tool for recordings of a real controller.
//
//   vqd_recording check IN          one line: what the recording holds, or its first error
//   vqd_recording compact IN OUT    folds the block data into run lines
//
// A whole update's recording has some 30,000 five-line cycles of block data
// (a write, its result, the input notice, the read, its answer), which a
// test fixture need not keep one by one: `compact` folds each stretch of
// cycles of the same shape into one run line (docs/recording.md, "The
// format (version 1)"), and keeps every other line, comments and header
// included, as it was.
#include "recording/Crc32.h"
#include "recording/RecordingFile.h"
#include "recording/RecordingReader.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

using vqdrec::Event;
using vqdrec::Function;
using vqdrec::Recording;
using vqdrec::RecordingReader;

namespace
{

struct Cycle
{
    int hidNo = 0;
    uint8_t prefix[2] = {};
    std::vector<uint8_t> answer;
    int writeThread = 0;
    int noticeThread = 0;
    int inputThread = 0;
    bool sent = false;

    bool sameShape (const Cycle& other) const
    {
        return hidNo == other.hidNo && prefix[0] == other.prefix[0] && prefix[1] == other.prefix[1]
               && answer == other.answer && writeThread == other.writeThread && noticeThread == other.noticeThread
               && inputThread == other.inputThread && sent == other.sent;
    }
};

// Whether the five events from `first` on are one cycle of block data, on
// five lines one after the other.
bool cycleAt (const Recording& recording, std::size_t first, unsigned int inputMessage, Cycle& cycle)
{
    const std::vector<Event>& events = recording.events;
    if (first + 5 > events.size())
        return false;
    const Event& write = events[first];
    const Event& written = events[first + 1];
    const Event& notice = events[first + 2];
    const Event& read = events[first + 3];
    const Event& answer = events[first + 4];

    for (std::size_t i = 1; i < 5; ++i)
        if (events[first + i].line != events[first].line + static_cast<int> (i))
            return false;

    const bool shape = write.kind == Event::Kind::call && write.function == Function::write
                       && write.values[1] == 64 && write.partner == first + 1
                       && written.values == std::vector<int64_t> { 1 }
                       && notice.kind == Event::Kind::notice && notice.message == inputMessage
                       && notice.wParam == static_cast<uint64_t> (write.values[0]) && notice.lParam == 0
                       && read.kind == Event::Kind::call && read.function == Function::input
                       && read.values == std::vector<int64_t> { write.values[0], 64 } && read.partner == first + 4
                       && answer.values == std::vector<int64_t> { 64 };
    if (! shape)
        return false;

    cycle.hidNo = static_cast<int> (write.values[0]);
    cycle.prefix[0] = write.report.size() > 0 ? write.report[0] : 0;
    cycle.prefix[1] = write.report.size() > 1 ? write.report[1] : 0;
    cycle.answer = answer.report;
    cycle.writeThread = write.thread;
    cycle.noticeThread = notice.thread;
    cycle.inputThread = read.thread;
    cycle.sent = notice.sent;
    return true;
}

std::string runLine (const Recording& recording, std::size_t first, std::size_t count, const Cycle& cycle)
{
    const Event& start = recording.events[first];
    const Event& end = recording.events[first + 5 * count - 1];

    uint32_t crc = 0;
    for (std::size_t i = 0; i < count; ++i)
    {
        uint8_t report[64] = {};
        const std::vector<uint8_t>& bytes = recording.events[first + 5 * i].report;
        std::copy (bytes.begin(), bytes.end(), report);
        crc = vqdrec::crc32Update (crc, report, sizeof (report));
    }

    char fixed[64];
    std::snprintf (fixed, sizeof (fixed), "%02X%02X %08X", cycle.prefix[0], cycle.prefix[1], crc);
    return std::to_string (start.timeUs) + " t" + std::to_string (cycle.writeThread) + " run " + std::to_string (count)
           + " " + std::to_string (end.timeUs - start.timeUs) + " " + std::to_string (cycle.hidNo) + " " + fixed + " "
           + RecordingReader::formatReport (cycle.answer.data(), cycle.answer.size()) + " t"
           + std::to_string (cycle.noticeThread) + " t" + std::to_string (cycle.inputThread) + " "
           + (cycle.sent ? "sent" : "posted");
}

int check (const std::string& path)
{
    Recording recording;
    std::string error;
    if (! RecordingReader::readFile (path, recording, error))
    {
        std::cerr << path << ": " << error << "\n";
        return 1;
    }

    int calls = 0, notices = 0, runs = 0;
    int64_t cycles = 0;
    for (const Event& event : recording.events)
    {
        calls += event.kind == Event::Kind::call ? 1 : 0;
        notices += event.kind == Event::Kind::notice ? 1 : 0;
        if (event.kind == Event::Kind::run)
        {
            ++runs;
            cycles += event.run.count;
        }
    }
    const auto header = [&] (const char* key) {
        const auto found = recording.header.find (key);
        return found == recording.header.end() ? std::string ("?") : found->second;
    };
    const double seconds = recording.events.empty() ? 0.0 : static_cast<double> (recording.events.back().timeUs) / 1e6;
    std::printf ("%s: %d calls, %d notices, %d runs of %lld cycles, %.1f s; arch %s, maker %s %s, started %s\n",
                 path.c_str(), calls, notices, runs, static_cast<long long> (cycles), seconds, header ("arch").c_str(),
                 header ("maker").c_str(), header ("maker-version").c_str(), header ("started").c_str());
    for (const Event& event : recording.events)
        if (event.open)
            std::printf ("%s: it ends inside the call of line %d (t%d > %s), which never returned\n", path.c_str(),
                         event.line, event.thread, vqdrec::functionName (event.function));
    return 0;
}

int compact (const std::string& in, const std::string& out)
{
    std::string text;
    if (! RecordingFile::readAll (in, text))
    {
        std::cerr << in << ": cannot read the file\n";
        return 1;
    }
    Recording recording;
    std::string error;
    if (! RecordingReader::parse (text, recording, error))
    {
        std::cerr << in << ": " << error << "\n";
        return 1;
    }

    // The input notice is the message the program gave HID_SetCallback first.
    unsigned int inputMessage = 0;
    bool knowsInput = false;
    for (const Event& event : recording.events)
        if (event.kind == Event::Kind::call && event.function == Function::setCallback && event.values[0] == 1)
        {
            inputMessage = static_cast<unsigned int> (event.values[1]);
            knowsInput = true;
            break;
        }

    // Line numbers (1-based) folded away, and the run line that takes the
    // place of each stretch's first line.
    const std::vector<std::string> lines = RecordingReader::splitLines (text);
    std::vector<bool> folded (lines.size() + 1, false);
    std::vector<std::string> replacement (lines.size() + 1);
    std::size_t runCount = 0, cyclesFolded = 0;

    for (std::size_t i = 0; knowsInput && i < recording.events.size();)
    {
        Cycle first;
        if (! cycleAt (recording, i, inputMessage, first))
        {
            ++i;
            continue;
        }
        std::size_t count = 1;
        Cycle next;
        while (cycleAt (recording, i + 5 * count, inputMessage, next) && next.sameShape (first)
               && recording.events[i + 5 * count].line == recording.events[i + 5 * count - 1].line + 1)
            ++count;
        if (count < 2)
        {
            ++i;
            continue;
        }

        for (std::size_t e = i; e < i + 5 * count; ++e)
            folded[static_cast<std::size_t> (recording.events[e].line)] = true;
        replacement[static_cast<std::size_t> (recording.events[i].line)] = runLine (recording, i, count, first);
        ++runCount;
        cyclesFolded += count;
        i += 5 * count;
    }

    std::string result;
    for (std::size_t n = 1; n <= lines.size(); ++n)
    {
        if (! replacement[n].empty())
            result += replacement[n] + "\n";
        else if (! folded[n])
            result += lines[n - 1] + "\n";
    }

    // What is written must read back.
    Recording check;
    if (! RecordingReader::parse (result, check, error))
    {
        std::cerr << in << ": the compacted recording does not read back: " << error << "\n";
        return 1;
    }

    if (! RecordingFile::writeAll (out, result.data(), result.size()))
    {
        std::cerr << out << ": cannot write the file\n";
        return 1;
    }
    std::printf ("%s: %zu cycles folded into %zu runs; %zu lines of %zu left\n", out.c_str(), cyclesFolded, runCount,
                 RecordingReader::splitLines (result).size(), lines.size());
    return 0;
}

} // namespace

int main (int argc, char** argv)
{
    const std::vector<std::string> args (argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "check")
        return check (args[1]);
    if (args.size() == 3 && args[0] == "compact")
        return compact (args[1], args[2]);

    std::cerr << "usage: vqd_recording check IN\n"
                 "       vqd_recording compact IN OUT\n";
    return 2;
}
