// Fuzzes the simulated controller's scenario text (VQDTRM4_SIM) with
// vqdsim::parseScenario. Whatever the text:
//   - a refused text leaves an explanation and the scenario as it was;
//   - an accepted text clears the error, gives values in their ranges, and
//     gives the same scenario when parsed again;
//   - parsing the text in two pieces cut at a ';' (the second piece into the
//     first one's result) gives what the whole gives, accepted or not;
//   - the scenario it gives, written out again in the syntax sim/README.md
//     documents (with spaces, empty items, letter case and number forms
//     chosen from the input), reads back as the same scenario.
// A mismatch traps.
#include "sim/SimControl.h"

#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>

namespace
{
[[noreturn]] void fail (const char* what, const std::string& text)
{
    std::fprintf (stderr, "scenario text mismatch: %s\ntext (%zu bytes): %s\n", what, text.size(), text.c_str());
    std::fflush (stderr);
    __builtin_trap();
}

bool sameFault (const vqdsim::Fault& a, const vqdsim::Fault& b)
{
    return a.command == b.command && a.occurrence == b.occurrence && a.action == b.action && a.value == b.value
           && a.repeat == b.repeat;
}

bool sameScenario (const vqdsim::Scenario& a, const vqdsim::Scenario& b)
{
    if (a.faults.size() != b.faults.size())
        return false;

    for (size_t i = 0; i < a.faults.size(); ++i)
        if (! sameFault (a.faults[i], b.faults[i]))
            return false;

    for (int i = 0; i < 4; ++i)
        if (a.date[i] != b.date[i] || a.version[i] != b.version[i])
            return false;

    return a.statusAnswer == b.statusAnswer && a.firmwareVersion == b.firmwareVersion
           && a.busyPerBlock == b.busyPerBlock && a.answerDelayUs == b.answerDelayUs && a.framed == b.framed
           && a.absentAtStart == b.absentAtStart && a.removeAfterMs == b.removeAfterMs
           && a.arriveAfterMs == b.arriveAfterMs && a.secondController == b.secondController
           && a.otherDevice == b.otherDevice && a.flashFill == b.flashFill && a.dumpPath == b.dumpPath
           && a.logPath == b.logPath && a.inputLengthOverride == b.inputLengthOverride
           && a.enumCountOverride == b.enumCountOverride;
}

bool takesValue (vqdsim::Fault::Action action)
{
    using A = vqdsim::Fault::Action;
    return action == A::refuse || action == A::wrongEcho || action == A::answerCode;
}

bool isSpace (char c)
{
    return std::isspace (static_cast<unsigned char> (c)) != 0;
}

// A path runs up to the next ';' and loses the spaces around it.
bool plausiblePath (const std::string& path)
{
    return path.find (';') == std::string::npos && (path.empty() || (! isSpace (path.front()) && ! isSpace (path.back())));
}

const char* rangeFault (const vqdsim::Scenario& s)
{
    if (s.busyPerBlock < 0 || s.busyPerBlock > 1000000)
        return "busy out of 0..1000000";
    if (s.answerDelayUs < 0 || s.answerDelayUs > 60000000)
        return "delay_us out of 0..60000000";
    if (s.firmwareVersion < 0)
        return "negative fw";
    if (s.removeAfterMs < -1 || s.removeAfterMs > 3600000 || s.arriveAfterMs < -1 || s.arriveAfterMs > 3600000)
        return "remove_ms or arrive_ms out of range";
    if (! plausiblePath (s.dumpPath) || ! plausiblePath (s.logPath))
        return "a path with ';' or spaces around it";

    for (const auto& f : s.faults)
    {
        if (f.command < 0 || f.command > 255)
            return "fault command out of 0..255";
        if (f.occurrence < 1)
            return "fault occurrence below 1";
        if (f.value < 0 || f.value > 255)
            return "fault value out of 0..255";
        if (! takesValue (f.action) && f.value != 0)
            return "a value for an action that takes none";
    }

    return nullptr;
}

//==============================================================================
// Writes a scenario in the documented syntax. Each choice (spaces, empty
// items, letter case, decimal or hexadecimal, names or numbers, spelling of
// flags) is taken from a stream of bits drawn from the input.
class Writer
{
public:
    explicit Writer (uint64_t seed) : bits (seed | 1) {}

    std::string write (const vqdsim::Scenario& s)
    {
        const vqdsim::Scenario defaults;

        if (s.statusAnswer == 0x80 && coin())
            item ("cpu", name ("sh7269"));
        else if (s.statusAnswer == 0x8B && coin())
            item ("cpu", name ("rt1062"));
        else
            item ("status", number (s.statusAnswer));

        item ("date", hex (s.date));

        if (printableVersion (s.version) && coin())
            item ("version", std::string (reinterpret_cast<const char*> (s.version), 4));
        else
            item ("version", hex (s.version));

        item ("fw", number (s.firmwareVersion));
        item ("busy", number (s.busyPerBlock));
        item ("delay_us", number (s.answerDelayUs));
        item ("framed", flag (s.framed));
        item ("absent", flag (s.absentAtStart));
        item ("second", flag (s.secondController));
        item ("other", flag (s.otherDevice));
        item ("fill", number (s.flashFill));

        if (s.removeAfterMs >= 0)
            item ("remove_ms", number (s.removeAfterMs));
        if (s.arriveAfterMs >= 0)
            item ("arrive_ms", number (s.arriveAfterMs));
        if (! s.dumpPath.empty())
            item ("dump", s.dumpPath);
        if (! s.logPath.empty())
            item ("log", s.logPath);
        if (s.inputLengthOverride != vqdsim::Scenario::noOverride)
            item ("input_len", number (s.inputLengthOverride));
        if (s.enumCountOverride != vqdsim::Scenario::noOverride)
            item ("enum_count", number (s.enumCountOverride));

        for (const auto& f : s.faults)
            item ("fault", fault (f));

        return text;
    }

private:
    uint64_t bits;
    std::string text;

    unsigned draw (unsigned n)
    {
        bits ^= bits << 13;
        bits ^= bits >> 7;
        bits ^= bits << 17;
        return (unsigned) (bits % n);
    }

    bool coin() { return draw (2) == 0; }

    std::string spaces()
    {
        static const char* const choices[] = { "", "", " ", "\t", "  " };
        return choices[draw (5)];
    }

    void item (const std::string& key, const std::string& value)
    {
        if (! text.empty() || coin())
            text += spaces() + ";" + spaces();
        if (draw (4) == 0)
            text += ";" + spaces(); // an empty item

        text += spaces() + name (key) + spaces() + "=" + spaces() + value + spaces();
    }

    // Keys and names in any letter case.
    std::string name (std::string word)
    {
        const unsigned style = draw (3);

        for (char& c : word)
            if (style == 1 || (style == 2 && coin()))
                c = (char) std::toupper (static_cast<unsigned char> (c));

        return word;
    }

    std::string number (long long value)
    {
        if (value >= 0 && coin())
        {
            char buffer[32];
            std::snprintf (buffer, sizeof (buffer), coin() ? "0x%llx" : "0x%llX", value);
            return buffer;
        }

        return std::to_string (value);
    }

    std::string hex (const uint8_t (&bytes)[4])
    {
        char buffer[16];
        std::snprintf (buffer, sizeof (buffer), coin() ? "%02x%02x%02x%02x" : "%02X%02X%02X%02X", bytes[0], bytes[1],
                       bytes[2], bytes[3]);
        return buffer;
    }

    std::string flag (bool value)
    {
        static const char* const on[] = { "1", "true", "yes", "on" };
        static const char* const off[] = { "0", "false", "no", "off" };
        return value ? on[draw (4)] : off[draw (4)];
    }

    // Four characters survive as such when none is trimmed away or ends the item.
    static bool printableVersion (const uint8_t (&v)[4])
    {
        for (uint8_t c : v)
            if (c < 0x21 || c > 0x7E || c == ';')
                return false;

        return true;
    }

    std::string fault (const vqdsim::Fault& f)
    {
        using A = vqdsim::Fault::Action;
        static const char* const commands[] = { "status", "info", "blockstart", "data", "blocksum",
                                                "commit", "finish", "lastlength", "prepare" };

        std::string command = f.command >= 0 && f.command <= 8 && coin() ? name (commands[f.command]) : number (f.command);
        std::string action;

        switch (f.action)
        {
            case A::refuse: action = "refuse"; break;
            case A::wrongEcho: action = coin() ? "wrongecho" : "wrong_echo"; break;
            case A::silent: action = "silent"; break;
            case A::answerCode: action = coin() ? "answercode" : "answer_code"; break;
            case A::remove: action = "remove"; break;
            case A::writeFail: action = coin() ? "writefail" : "write_fail"; break;
        }

        const std::string colon = spaces() + ":" + spaces();
        std::string value = command + colon + number (f.occurrence) + colon + name (action);

        if (takesValue (f.action))
            value += colon + number (f.value);
        if (f.repeat)
            value += colon + "repeat";

        return value;
    }
};

uint64_t hashOf (const std::string& text)
{
    uint64_t h = 0xCBF29CE484222325ull;

    for (unsigned char c : text)
        h = (h ^ c) * 0x100000001B3ull;

    return h;
}

// A scenario that differs from the default everywhere, to see that a
// refused text leaves every field alone.
vqdsim::Scenario filledScenario()
{
    vqdsim::Scenario s;
    s.statusAnswer = 0x8B;
    s.date[0] = 0x19;
    s.version[0] = 'X';
    s.firmwareVersion = 7;
    s.busyPerBlock = 3;
    s.answerDelayUs = 11;
    s.framed = s.absentAtStart = s.secondController = s.otherDevice = true;
    s.removeAfterMs = 5;
    s.arriveAfterMs = 6;
    s.flashFill = 0x12;
    s.dumpPath = "/tmp/dump";
    s.logPath = "/tmp/log";
    s.inputLengthOverride = -3;
    s.enumCountOverride = 200;
    vqdsim::Fault f;
    f.command = 3;
    f.occurrence = 9;
    f.action = vqdsim::Fault::Action::wrongEcho;
    f.value = 0x42;
    f.repeat = true;
    s.faults.push_back (f);
    return s;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    const std::string text (reinterpret_cast<const char*> (data), size);
    const vqdsim::Scenario defaults;

    vqdsim::Scenario first;
    std::string error = "left over";
    const bool accepted = vqdsim::parseScenario (text, first, error);

    // A refused text is refused whatever it is parsed into, and changes nothing.
    const vqdsim::Scenario filled = filledScenario();
    vqdsim::Scenario filledCopy = filled;
    std::string filledError;
    const bool acceptedOverFilled = vqdsim::parseScenario (text, filledCopy, filledError);

    if (acceptedOverFilled != accepted)
        fail ("accepted over one scenario but not over another", text);

    if (! accepted)
    {
        if (error.empty() || filledError.empty())
            fail ("refused without saying why", text);
        if (! sameScenario (first, defaults) || ! sameScenario (filledCopy, filled))
            fail ("a refused text changed the scenario", text);
    }
    else
    {
        if (! error.empty())
            fail ("accepted but the error was left", text);
        if (const char* what = rangeFault (first))
            fail (what, text);

        vqdsim::Scenario again;
        std::string againError;
        if (! vqdsim::parseScenario (text, again, againError) || ! sameScenario (again, first))
            fail ("a second parse gave another result", text);
    }

    // Two pieces cut at one of the text's ';' (chosen from the input).
    size_t separators = 0;
    for (char c : text)
        separators += c == ';' ? 1 : 0;

    if (separators > 0)
    {
        size_t wanted = (size_t) (hashOf (text) % separators);
        size_t cut = 0;

        for (; cut < text.size(); ++cut)
            if (text[cut] == ';' && wanted-- == 0)
                break;

        vqdsim::Scenario pieces;
        std::string pieceError;
        const bool firstPiece = vqdsim::parseScenario (text.substr (0, cut), pieces, pieceError);
        const bool bothPieces = firstPiece && vqdsim::parseScenario (text.substr (cut + 1), pieces, pieceError);

        if (bothPieces != accepted)
            fail ("the text in two pieces is judged otherwise than whole", text);
        if (accepted && ! sameScenario (pieces, first))
            fail ("the text in two pieces gives another scenario than whole", text);
    }

    // Written out again and read back.
    if (accepted)
    {
        const std::string written = Writer (hashOf (text)).write (first);
        vqdsim::Scenario reread;
        std::string rereadError;

        if (! vqdsim::parseScenario (written, reread, rereadError))
            fail (("the scenario written out again is refused: " + rereadError + "; written: " + written).c_str(), text);
        if (! sameScenario (reread, first))
            fail (("the scenario written out again reads back otherwise; written: " + written).c_str(), text);
    }

    return 0;
}
