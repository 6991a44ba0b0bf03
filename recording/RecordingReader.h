// Reads a recording (docs/recording.md, "The format (version 1)"). A recording
// comes from another machine and may have been cut short or edited by hand,
// so nothing in it is trusted: anything malformed is refused with the number
// of the first line that is wrong and what is wrong with it.
#pragma once

#include "recording/Recording.h"

#include <string>
#include <vector>

namespace vqdrec
{

class RecordingReader
{
public:
    // Reads the file at `path`. On failure returns false, leaves `recording`
    // as it was and sets `error` ("line 12: ..." or "cannot read the file").
    static bool readFile (const std::string& path, Recording& recording, std::string& error);

    // The same for a recording's whole text.
    static bool parse (const std::string& text, Recording& recording, std::string& error);

    // The lines of a text, without their "\n" or "\r\n".
    static std::vector<std::string> splitLines (const std::string& text);

    // A report's bytes as the format writes them: upper-case hex without
    // spaces, trailing zero bytes left out, "-" when nothing is left.
    static std::string formatReport (const uint8_t* bytes, std::size_t count);
};

} // namespace vqdrec
