// Writes a VQD-TRM4 update file for developers and tests:
//
//   make_update_file [--version 1.02] [--date 20240318] [--seed N]
//                    [--defect none|short|long|date|version|crc] OUTPUT
//
// The date is given as the eight hex digits of its BCD bytes (century, year,
// month, day). Name the output as the program expects it, for example
// vqdtrm4__v102.bin (SH7269) or vqdtrm4_B__v102.bin (RT1062).
#include "tools/UpdateFileMaker.h"

#include <iostream>

namespace
{
int usage()
{
    std::cerr << "usage: make_update_file [--version X.YZ] [--date CCYYMMDD] [--seed N]\n"
                 "                        [--defect none|short|long|date|version|crc] OUTPUT\n";
    return 2;
}
} // namespace

int main (int argc, char** argv)
{
    UpdateFileMaker::Options options;
    juce::String output;

    for (int i = 1; i < argc; ++i)
    {
        const juce::String arg (argv[i]);
        const bool hasValue = i + 1 < argc;

        if (arg == "--version" && hasValue)
        {
            options.version = argv[++i];
        }
        else if (arg == "--date" && hasValue)
        {
            if (! UpdateFileMaker::parseDate (argv[++i], options.date))
                return usage();
        }
        else if (arg == "--seed" && hasValue)
        {
            options.seed = (uint32_t) juce::String (argv[++i]).getLargeIntValue();
        }
        else if (arg == "--defect" && hasValue)
        {
            if (! UpdateFileMaker::parseDefect (argv[++i], options.defect))
                return usage();
        }
        else if (output.isEmpty() && ! arg.startsWith ("--"))
        {
            output = arg;
        }
        else
        {
            return usage();
        }
    }

    if (output.isEmpty())
        return usage();

    const auto file = juce::File::getCurrentWorkingDirectory().getChildFile (output);

    if (! UpdateFileMaker::write (file, options))
    {
        std::cerr << "make_update_file: cannot write " << file.getFullPathName() << "\n";
        return 1;
    }

    return 0;
}
