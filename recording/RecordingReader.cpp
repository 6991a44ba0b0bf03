#include "recording/RecordingReader.h"

#include "recording/RecordingFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <utility>

namespace vqdrec
{
namespace
{

constexpr std::size_t maxReportBytes = 4096; // far beyond the 64 of any real report
constexpr std::size_t maxListedValues = 128; // HID_EnumHIDno writes at most 128 numbers
// Times and spans up to 2^40 microseconds (12.7 days) and runs of up to 2^22
// cycles (a whole update has some 32,000): the replay multiplies a span by a
// cycle number and turns microseconds into nanoseconds, and within these
// limits neither can overflow.
constexpr int64_t maxTimeUs = int64_t { 1 } << 40;
constexpr int64_t maxRunCycles = int64_t { 1 } << 22;

// Refusal of one line: thrown inside the parser only, caught by parse().
struct LineError
{
    std::string what;
};

[[noreturn]] void refuse (const std::string& what)
{
    throw LineError { what };
}

std::vector<std::string> fieldsOf (const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t at = 0;
    while (at < line.size())
    {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
            ++at;
        const std::size_t start = at;
        while (at < line.size() && line[at] != ' ' && line[at] != '\t')
            ++at;
        if (at > start)
            fields.push_back (line.substr (start, at - start));
    }
    return fields;
}

int hexDigit (char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// A whole number: decimal, or hexadecimal with 0x, within [low, high].
int64_t number (const std::string& text, const char* what, int64_t low, int64_t high)
{
    const bool negative = ! text.empty() && text[0] == '-';
    std::string digits = negative ? text.substr (1) : text;
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
    {
        base = 16;
        digits = digits.substr (2);
    }

    bool valid = ! digits.empty() && digits.size() <= 20;
    for (char c : digits)
        valid = valid && (base == 16 ? hexDigit (c) >= 0 : (c >= '0' && c <= '9'));

    errno = 0;
    char* end = nullptr;
    const unsigned long long magnitude = valid ? std::strtoull (digits.c_str(), &end, base) : 0;
    valid = valid && errno == 0 && end != nullptr && *end == '\0' && magnitude <= static_cast<unsigned long long> (LLONG_MAX);
    const int64_t value = negative ? -static_cast<int64_t> (magnitude) : static_cast<int64_t> (magnitude);
    if (! valid || value < low || value > high)
        refuse (std::string (what) + " '" + text + "' is not a whole number from " + std::to_string (low) + " to "
                + std::to_string (high));
    return value;
}

std::vector<uint8_t> hexBytes (const std::string& text, const char* what, std::size_t maxBytes)
{
    if (text == "-")
        return {};
    if (text.size() % 2 != 0)
        refuse (std::string (what) + " '" + text + "' has an odd number of hex digits");
    if (text.size() / 2 > maxBytes)
        refuse (std::string (what) + " has " + std::to_string (text.size() / 2) + " bytes, more than "
                + std::to_string (maxBytes));

    std::vector<uint8_t> bytes;
    bytes.reserve (text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2)
    {
        const int high = hexDigit (text[i]);
        const int low = hexDigit (text[i + 1]);
        if (high < 0 || low < 0)
            refuse (std::string (what) + " '" + text + "' is not hex (a report is hex digits, or '-' when empty)");
        bytes.push_back (static_cast<uint8_t> (high * 16 + low));
    }
    return bytes;
}

int threadOf (const std::string& text)
{
    if (text.size() < 2 || text[0] != 't')
        refuse ("thread '" + text + "' is not t1, t2, ...");
    return static_cast<int> (number (text.substr (1), "thread number", 1, 1000000));
}

bool postedOrSent (const std::string& text)
{
    if (text == "posted")
        return false;
    if (text == "sent")
        return true;
    refuse ("'" + text + "' is neither posted nor sent");
}

bool functionFromName (const std::string& name, Function& function)
{
    for (int i = 0; i <= static_cast<int> (Function::input); ++i)
        if (name == functionName (static_cast<Function> (i)))
        {
            function = static_cast<Function> (i);
            return true;
        }
    return false;
}

// Checks the number of fields after the function's name: exactly `exact`,
// or at least `exact` when `more` further ones may follow.
void expectFields (const std::vector<std::string>& fields, std::size_t exact, std::size_t more, const std::string& what)
{
    const std::size_t given = fields.size() - 4;
    if (given < exact || given > exact + more)
        refuse (what + " takes " + std::to_string (exact) + (more > 0 ? " or more" : "") + " field"
                + (exact == 1 && more == 0 ? "" : "s") + ", the line has " + std::to_string (given));
}

// Fields 4.. of a ">" or "<" line, by function.
void readCall (const std::vector<std::string>& fields, Event& event)
{
    const std::string what = std::string (event.kind == Event::Kind::call ? "> " : "< ") + functionName (event.function);
    const auto field = [&] (std::size_t i) -> const std::string& { return fields[4 + i]; };
    const auto listFrom = [&] (std::size_t first, const char* name) {
        for (std::size_t i = 4 + first; i < fields.size(); ++i)
            event.values.push_back (number (fields[i], name, INT_MIN, INT_MAX));
    };

    const bool call = event.kind == Event::Kind::call;
    switch (event.function)
    {
        case Function::initialize:
        case Function::start:
        case Function::stop:
        case Function::finalize:
            expectFields (fields, 0, 0, what);
            return;
        case Function::setCallback:
            if (! call)
            {
                expectFields (fields, 0, 0, what);
                return;
            }
            expectFields (fields, 4, 0, what);
            if (field (0) != "window" && field (0) != "null")
                refuse ("HID_SetCallback's window '" + field (0) + "' is neither window nor null");
            event.values.push_back (field (0) == "window" ? 1 : 0);
            for (std::size_t i = 1; i < 4; ++i)
                event.values.push_back (number (field (i), "message", 0, UINT_MAX));
            return;
        case Function::enumHidNo:
            if (call)
            {
                expectFields (fields, 0, 0, what);
                return;
            }
            expectFields (fields, 1, maxListedValues, what);
            listFrom (0, "number");
            return;
        case Function::getDeviceType:
            expectFields (fields, 1, 0, what);
            event.values.push_back (number (field (0), call ? "HID number" : "device type", INT_MIN, INT_MAX));
            return;
        case Function::getFirmwareVersion:
            expectFields (fields, 2 - (call ? 0 : 1), maxListedValues, what);
            listFrom (0, "number");
            return;
        case Function::write:
            if (call)
            {
                expectFields (fields, 3, 0, what);
                event.values.push_back (number (field (0), "HID number", INT_MIN, INT_MAX));
                event.values.push_back (number (field (1), "length", INT_MIN, INT_MAX));
                event.report = hexBytes (field (2), "report", maxReportBytes);
                if (static_cast<int64_t> (event.report.size()) > event.values[1])
                    refuse ("the report has " + std::to_string (event.report.size()) + " bytes, more than its length "
                            + field (1));
            }
            else
            {
                expectFields (fields, 1, 0, what);
                event.values.push_back (number (field (0), "result", INT_MIN, INT_MAX));
            }
            return;
        case Function::input:
            expectFields (fields, 2, 0, what);
            event.values.push_back (number (field (0), call ? "HID number" : "length", INT_MIN, INT_MAX));
            if (call)
                event.values.push_back (number (field (1), "length", INT_MIN, INT_MAX));
            else
                event.report = hexBytes (field (1), "report", maxReportBytes);
            return;
    }
}

void readNotice (const std::vector<std::string>& fields, Event& event)
{
    if (fields.size() != 7)
        refuse ("notice takes 4 fields (message, wParam, lParam, posted or sent), the line has "
                + std::to_string (fields.size() - 3));
    if (fields[3].rfind ("0x", 0) != 0 && fields[3].rfind ("0X", 0) != 0)
        refuse ("message '" + fields[3] + "' is not hexadecimal with 0x");
    event.message = static_cast<uint32_t> (number (fields[3], "message", 0, UINT_MAX));
    event.wParam = static_cast<uint64_t> (number (fields[4], "wParam", 0, LLONG_MAX));
    event.lParam = number (fields[5], "lParam", LLONG_MIN + 1, LLONG_MAX);
    event.sent = postedOrSent (fields[6]);
}

// <time> <thread> run <count> <span> <hid> <prefix> <crc> <answer> <notice-thread> <input-thread> <posted|sent>
void readRun (const std::vector<std::string>& fields, Event& event)
{
    if (fields.size() != 12)
        refuse ("run takes 9 fields (count, span, HID number, prefix, CRC, answer, notice thread, input thread, "
                "posted or sent), the line has "
                + std::to_string (fields.size() - 3));
    Run& run = event.run;
    run.count = number (fields[3], "count", 1, maxRunCycles);
    run.spanUs = number (fields[4], "span", 0, maxTimeUs);
    run.hidNo = static_cast<int> (number (fields[5], "HID number", INT_MIN, INT_MAX));

    if (fields[6].size() != 4)
        refuse ("prefix '" + fields[6] + "' is not two bytes in 4 hex digits");
    const std::vector<uint8_t> prefix = hexBytes (fields[6], "prefix", 2);
    run.prefix[0] = prefix[0];
    run.prefix[1] = prefix[1];

    if (fields[7].size() != 8)
        refuse ("CRC '" + fields[7] + "' is not 8 hex digits");
    for (uint8_t byte : hexBytes (fields[7], "CRC", 4))
        run.crc = (run.crc << 8) | byte;

    run.answer = hexBytes (fields[8], "answer", 64);
    run.noticeThread = threadOf (fields[9]);
    run.inputThread = threadOf (fields[10]);
    run.sent = postedOrSent (fields[11]);
}

class Parser
{
public:
    explicit Parser (Recording& target) : recording (target) {}

    void line (const std::string& text, int lineNumber)
    {
        if (! text.empty() && text[0] == '#')
            return;

        const std::vector<std::string> fields = fieldsOf (text);
        if (fields.empty())
            return;

        if (! inEvents)
        {
            headerLine (fields, text);
            return;
        }

        Event event;
        event.line = lineNumber;
        event.text = text;
        eventLine (fields, event);
        recording.events.push_back (std::move (event));
    }

    void end()
    {
        if (! sawFirstLine)
            refuse ("the file is empty: a recording starts with 'vqdtrm4-recording 1'");
        if (! inEvents)
            refuse ("the header is cut short: no '---' line ends it");
        for (const auto& [thread, index] : pending)
            if (index != none)
            {
                Event& call = recording.events[index];
                call.open = true;
                call.partner = Event::noPartner;
            }
    }

private:
    static constexpr std::size_t none = static_cast<std::size_t> (-1);

    void headerLine (const std::vector<std::string>& fields, const std::string& text)
    {
        if (! sawFirstLine)
        {
            if (fields[0] != "vqdtrm4-recording")
                refuse ("not a recording: the first line is '" + text + "', expected 'vqdtrm4-recording 1'");
            if (fields.size() != 2)
                refuse ("the first line is '" + text + "', expected 'vqdtrm4-recording 1'");
            recording.version = static_cast<int> (number (fields[1], "version", 0, INT_MAX));
            if (recording.version != 1)
                refuse ("format version " + fields[1] + ": only version 1 can be read");
            sawFirstLine = true;
            return;
        }

        if (fields.size() == 1 && fields[0] == "---")
        {
            inEvents = true;
            return;
        }

        // A key, then its value, which may hold spaces (the start's date and time).
        const std::size_t keyEnd = text.find_first_of (" \t");
        if (keyEnd == std::string::npos)
            refuse ("header line '" + text + "' is not 'key value' (or the header lacks its '---' line)");
        const std::size_t valueStart = text.find_first_not_of (" \t", keyEnd);
        recording.header[fields[0]] = valueStart == std::string::npos ? std::string() : text.substr (valueStart);
    }

    void eventLine (const std::vector<std::string>& fields, Event& event)
    {
        if (fields.size() < 3)
            refuse ("an event is '<microseconds> <thread> <event> <fields...>', the line has "
                    + std::to_string (fields.size()) + " field" + (fields.size() == 1 ? "" : "s"));
        event.timeUs = number (fields[0], "time", 0, maxTimeUs);
        event.thread = threadOf (fields[1]);

        const std::string& kind = fields[2];
        if (kind == ">" || kind == "<")
        {
            event.kind = kind == ">" ? Event::Kind::call : Event::Kind::result;
            if (fields.size() < 4)
                refuse ("'" + kind + "' names no function");
            if (! functionFromName (fields[3], event.function))
                refuse ("unknown function '" + fields[3] + "'");
            readCall (fields, event);
            pair (event);
        }
        else if (kind == "notice")
        {
            event.kind = Event::Kind::notice;
            readNotice (fields, event);
        }
        else if (kind == "run")
        {
            event.kind = Event::Kind::run;
            readRun (fields, event);
            for (int thread : { event.thread, event.run.inputThread })
                if (pendingOf (thread) != none)
                    refuse ("a run on t" + std::to_string (thread) + " while its call of line "
                            + std::to_string (recording.events[pendingOf (thread)].line) + " has not returned");
        }
        else
            refuse ("unknown event '" + kind + "' (>, <, notice or run)");
    }

    std::size_t pendingOf (int thread) const
    {
        const auto found = pending.find (thread);
        return found == pending.end() ? none : found->second;
    }

    // Each thread's call returns before that thread calls again.
    void pair (Event& event)
    {
        const std::size_t index = recording.events.size();
        const std::size_t open = pendingOf (event.thread);
        const std::string thread = "t" + std::to_string (event.thread);

        if (event.kind == Event::Kind::call)
        {
            if (open != none)
                refuse (thread + " calls " + functionName (event.function) + " while its call of line "
                        + std::to_string (recording.events[open].line) + " has not returned");
            pending[event.thread] = index;
            return;
        }

        if (open == none)
            refuse ("a '<' with no '>': " + thread + " has no call of " + functionName (event.function)
                    + " under way");
        Event& call = recording.events[open];
        if (call.function != event.function)
            refuse (std::string ("'< ") + functionName (event.function) + "' returns from "
                    + functionName (call.function) + " (line " + std::to_string (call.line) + ")");
        call.partner = index;
        event.partner = open;
        pending[event.thread] = none;
    }

    Recording& recording;
    bool sawFirstLine = false;
    bool inEvents = false;
    std::map<int, std::size_t> pending; // each thread's call under way
};

} // namespace

std::vector<std::string> RecordingReader::splitLines (const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size())
    {
        std::size_t end = text.find ('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr (start, end - start);
        if (! line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back (std::move (line));
        start = end + 1;
    }
    return lines;
}

bool RecordingReader::parse (const std::string& text, Recording& recording, std::string& error)
{
    Recording result;
    Parser parser (result);
    int lineNumber = 0;
    try
    {
        for (const std::string& line : splitLines (text))
            parser.line (line, ++lineNumber);
        ++lineNumber; // what is missing is missing after the last line
        parser.end();
    }
    catch (const LineError& refusal)
    {
        error = "line " + std::to_string (lineNumber) + ": " + refusal.what;
        return false;
    }

    recording = std::move (result);
    error.clear();
    return true;
}

bool RecordingReader::readFile (const std::string& path, Recording& recording, std::string& error)
{
    std::string text;
    if (! RecordingFile::readAll (path, text))
    {
        error = "cannot read the file";
        return false;
    }
    return parse (text, recording, error);
}

std::string RecordingReader::formatReport (const uint8_t* bytes, std::size_t count)
{
    while (count > 0 && bytes[count - 1] == 0)
        --count;
    if (count == 0)
        return "-";

    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve (count * 2);
    for (std::size_t i = 0; i < count; ++i)
    {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
    return text;
}

} // namespace vqdrec
