// The VQDTRM4_SIM text: "key=value;key=value". The running program cannot
// reach the in-process interface, so everything a scenario holds has to be
// expressible here; sim/README.md documents the keys.
#include "sim/Scenario.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

namespace vqdsim
{
namespace
{

std::string trim (const std::string& text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && std::isspace (static_cast<unsigned char> (text[begin])))
        ++begin;
    while (end > begin && std::isspace (static_cast<unsigned char> (text[end - 1])))
        --end;
    return text.substr (begin, end - begin);
}

std::string lower (std::string text)
{
    for (char& c : text)
        c = static_cast<char> (std::tolower (static_cast<unsigned char> (c)));
    return text;
}

std::vector<std::string> split (const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;)
    {
        const std::size_t at = text.find (separator, start);
        parts.push_back (text.substr (start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos)
            return parts;
        start = at + 1;
    }
}

// A whole number, decimal or with a 0x prefix, within [low, high].
bool parseNumber (const std::string& text, long long low, long long high, long long& value)
{
    if (text.empty())
        return false;

    int base = 10;
    const bool negative = text[0] == '-';
    std::string digits = negative ? text.substr (1) : text;
    if (digits.empty())
        return false;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
    {
        base = 16;
        digits = digits.substr (2);
    }

    for (char c : digits)
        if (! (base == 16 ? std::isxdigit (static_cast<unsigned char> (c)) : std::isdigit (static_cast<unsigned char> (c))))
            return false;

    errno = 0;
    char* end = nullptr;
    const long long magnitude = std::strtoll (digits.c_str(), &end, base);
    const long long parsed = negative ? -magnitude : magnitude;
    if (errno != 0 || end == digits.c_str() || *end != '\0' || parsed < low || parsed > high)
        return false;

    value = parsed;
    return true;
}

bool parseHexBytes (const std::string& text, uint8_t (&bytes)[4])
{
    if (text.size() != 8)
        return false;
    for (char c : text)
        if (! std::isxdigit (static_cast<unsigned char> (c)))
            return false;
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<uint8_t> (std::strtoul (text.substr (static_cast<std::size_t> (i) * 2, 2).c_str(), nullptr, 16));
    return true;
}

bool parseFlag (const std::string& text, bool& value)
{
    const std::string word = lower (text);
    if (word == "1" || word == "true" || word == "yes" || word == "on")
        value = true;
    else if (word == "0" || word == "false" || word == "no" || word == "off")
        value = false;
    else
        return false;
    return true;
}

struct CommandName
{
    const char* name;
    int code;
};

constexpr CommandName commandNames[] = { { "status", 0x00 }, { "info", 0x01 }, { "blockstart", 0x02 }, { "data", 0x03 }, { "blocksum", 0x04 }, { "commit", 0x05 }, { "finish", 0x06 }, { "lastlength", 0x07 }, { "prepare", 0x08 } };

bool parseCommand (const std::string& text, int& code)
{
    const std::string word = lower (text);
    for (const CommandName& entry : commandNames)
        if (word == entry.name)
        {
            code = entry.code;
            return true;
        }

    long long number = 0;
    if (! parseNumber (word, 0, 255, number))
        return false;
    code = static_cast<int> (number);
    return true;
}

bool parseAction (const std::string& text, Fault::Action& action)
{
    const std::string word = lower (text);
    if (word == "refuse")
        action = Fault::Action::refuse;
    else if (word == "wrongecho" || word == "wrong_echo")
        action = Fault::Action::wrongEcho;
    else if (word == "silent")
        action = Fault::Action::silent;
    else if (word == "answercode" || word == "answer_code")
        action = Fault::Action::answerCode;
    else if (word == "remove")
        action = Fault::Action::remove;
    else if (word == "writefail" || word == "write_fail")
        action = Fault::Action::writeFail;
    else
        return false;
    return true;
}

bool actionTakesValue (Fault::Action action)
{
    return action == Fault::Action::refuse || action == Fault::Action::wrongEcho
           || action == Fault::Action::answerCode;
}

// <command>:<occurrence>:<action>[:<value>][:repeat]
bool parseFault (const std::string& text, Fault& fault, std::string& why)
{
    const std::vector<std::string> parts = split (text, ':');
    if (parts.size() < 3 || parts.size() > 5)
    {
        why = "expected <command>:<n>:<action>[:<value>][:repeat]";
        return false;
    }

    if (! parseCommand (trim (parts[0]), fault.command))
    {
        why = "unknown command '" + trim (parts[0])
              + "' (status, info, prepare, blockstart, data, lastlength, blocksum, commit, finish or 0..255)";
        return false;
    }

    long long occurrence = 0;
    if (! parseNumber (trim (parts[1]), 1, INT_MAX, occurrence))
    {
        why = "occurrence '" + trim (parts[1]) + "' is not a whole number from 1";
        return false;
    }
    fault.occurrence = static_cast<int> (occurrence);

    if (! parseAction (trim (parts[2]), fault.action))
    {
        why = "unknown action '" + trim (parts[2]) + "' (refuse, wrongecho, silent, answercode, remove or writefail)";
        return false;
    }

    std::size_t next = 3;
    if (actionTakesValue (fault.action))
    {
        long long value = 0;
        if (next >= parts.size() || ! parseNumber (trim (parts[next]), 0, 255, value))
        {
            why = "action '" + trim (parts[2]) + "' needs a byte value 0..255";
            return false;
        }
        fault.value = static_cast<int> (value);
        ++next;
    }

    if (next < parts.size())
    {
        if (lower (trim (parts[next])) != "repeat")
        {
            why = "unexpected '" + trim (parts[next]) + "' (only 'repeat' may follow"
                  + (actionTakesValue (fault.action) ? " the value)" : " this action)");
            return false;
        }
        fault.repeat = true;
        ++next;
    }

    if (next != parts.size())
    {
        why = "too many fields";
        return false;
    }
    return true;
}

// Sets a field of any integer type from a whole number within [low, high].
template <typename Field>
bool setNumber (const std::string& value, long long low, long long high, Field& field)
{
    long long number = 0;
    if (! parseNumber (value, low, high, number))
        return false;
    field = static_cast<Field> (number);
    return true;
}

bool setFlag (const std::string& value, bool& field)
{
    return parseFlag (value, field);
}

bool setPath (const std::string& value, std::string& field)
{
    field = value;
    return ! value.empty();
}

bool setCpu (const std::string& value, uint8_t& statusAnswer)
{
    const std::string kind = lower (value);
    if (kind != "sh7269" && kind != "rt1062")
        return false;
    statusAnswer = kind == "sh7269" ? 0x80 : 0x8B;
    return true;
}

// Four characters as they are, or their bytes in hex.
bool setVersion (const std::string& value, uint8_t (&version)[4])
{
    if (value.size() != 4)
        return parseHexBytes (value, version);
    for (std::size_t i = 0; i < 4; ++i)
        version[i] = static_cast<uint8_t> (value[i]);
    return true;
}

// One key of the text: what its value must be, and how it sets the scenario
// (false when the value is not what it must be; the scenario may then be
// half changed, which parseScenario's copy makes harmless).
struct Key
{
    const char* name;
    const char* expected;
    bool (*set) (const std::string& value, Scenario& scenario);
};

const Key keys[] = {
    { "cpu", "sh7269 or rt1062", [] (const std::string& v, Scenario& s) { return setCpu (v, s.statusAnswer); } },
    { "status", "a byte 0..255 (such as 0x80 or 0x8B)",
      [] (const std::string& v, Scenario& s) { return setNumber (v, 0, 255, s.statusAnswer); } },
    { "date", "8 hex digits, century year month day in BCD (such as 20230715)",
      [] (const std::string& v, Scenario& s) { return parseHexBytes (v, s.date); } },
    { "version", "four characters (such as 1.00) or 8 hex digits (such as ffffffff)",
      [] (const std::string& v, Scenario& s) { return setVersion (v, s.version); } },
    { "fw", "a whole number (such as 0x0100)",
      [] (const std::string& v, Scenario& s) { return setNumber (v, 0, INT_MAX, s.firmwareVersion); } },
    { "busy", "a whole number 0..1000000",
      [] (const std::string& v, Scenario& s) { return setNumber (v, 0, 1000000, s.busyPerBlock); } },
    { "delay_us", "microseconds 0..60000000",
      [] (const std::string& v, Scenario& s) { return setNumber (v, 0, 60000000, s.answerDelayUs); } },
    { "framed", "0 or 1", [] (const std::string& v, Scenario& s) { return setFlag (v, s.framed); } },
    { "absent", "0 or 1", [] (const std::string& v, Scenario& s) { return setFlag (v, s.absentAtStart); } },
    { "second", "0 or 1", [] (const std::string& v, Scenario& s) { return setFlag (v, s.secondController); } },
    { "other", "0 or 1", [] (const std::string& v, Scenario& s) { return setFlag (v, s.otherDevice); } },
    { "remove_ms", "milliseconds 0..3600000",
      [] (const std::string& v, Scenario& s) { return setNumber (v, 0, 3600000, s.removeAfterMs); } },
    { "arrive_ms", "milliseconds 0..3600000",
      [] (const std::string& v, Scenario& s) { return setNumber (v, 0, 3600000, s.arriveAfterMs); } },
    { "fill", "a byte 0..255 (such as 0xFF)",
      [] (const std::string& v, Scenario& s) { return setNumber (v, 0, 255, s.flashFill); } },
    { "dump", "a file path", [] (const std::string& v, Scenario& s) { return setPath (v, s.dumpPath); } },
    { "log", "a file path", [] (const std::string& v, Scenario& s) { return setPath (v, s.logPath); } },
    { "input_len", "a whole number",
      [] (const std::string& v, Scenario& s) { return setNumber (v, INT_MIN + 1, INT_MAX, s.inputLengthOverride); } },
    { "enum_count", "a whole number",
      [] (const std::string& v, Scenario& s) { return setNumber (v, INT_MIN + 1, INT_MAX, s.enumCountOverride); } },
#if defined(_WIN32)
    { "send", "0 or 1", [] (const std::string& v, Scenario& s) { return setFlag (v, s.sendNotices); } },
#endif
    { "write_block_ms", "milliseconds 0..600000",
      [] (const std::string& v, Scenario& s) { return setNumber (v, 0, 600000, s.writeBlockMs); } },
    { "stop_waits", "0 or 1", [] (const std::string& v, Scenario& s) { return setFlag (v, s.stopWaits); } },
    { "queries_wait", "0 or 1", [] (const std::string& v, Scenario& s) { return setFlag (v, s.queriesWait); } },
    { "replay", "a file path", [] (const std::string& v, Scenario& s) { return setPath (v, s.replayPath); } },
    { "fast", "0 or 1", [] (const std::string& v, Scenario& s) { return setFlag (v, s.replayFast); } },
};

// Applies one key=value item; false, saying why, when it cannot.
bool applyItem (const std::string& item, Scenario& scenario, std::string& error)
{
    const std::size_t equals = item.find ('=');
    if (equals == std::string::npos)
    {
        error = "'" + item + "' is not key=value";
        return false;
    }

    const std::string key = lower (trim (item.substr (0, equals)));
    const std::string value = trim (item.substr (equals + 1));

    // A fault adds an entry and has a grammar of its own.
    if (key == "fault")
    {
        Fault fault;
        std::string why;
        if (! parseFault (value, fault, why))
        {
            error = "bad fault '" + value + "': " + why;
            return false;
        }
        scenario.faults.push_back (fault);
        return true;
    }

    for (const Key& known : keys)
    {
        if (key != known.name)
            continue;
        if (known.set (value, scenario))
            return true;
        error = "bad value '" + value + "' for " + key + ": expected " + known.expected;
        return false;
    }

#if ! defined(_WIN32)
    if (key == "send")
    {
        error = "send is a Windows switch: a library can only post to the Linux window";
        return false;
    }
#endif
    error = "unknown key '" + key + "'";
    return false;
}

} // namespace

bool parseScenario (const std::string& text, Scenario& scenario, std::string& error)
{
    // Work on a copy so that a text with a mistake changes nothing.
    Scenario result = scenario;

    for (const std::string& rawItem : split (text, ';'))
    {
        const std::string item = trim (rawItem);
        if (! item.empty() && ! applyItem (item, result, error))
            return false;
    }

    scenario = result;
    error.clear();
    return true;
}

} // namespace vqdsim
