#pragma once

#include <juce_core/juce_core.h>

#include <filesystem>

// A fresh folder under the system's temporary folder, deleted with its
// contents when the object goes.
//
// The suites run in parallel processes, so the folder must be claimed
// atomically: a "does it exist? then create it" check lets two tests share
// one folder, and the first to finish deletes the other's files. Creating
// the directory is the claim; a name already taken is skipped.
class TempFolder
{
public:
    TempFolder()
    {
        const auto temp = juce::File::getSpecialLocation (juce::File::tempDirectory);
        juce::Random random;

        for (;;)
        {
            folder = temp.getChildFile ("vqdtrm4_test_" + juce::String::toHexString (random.nextInt64()));
            std::error_code error;

#ifdef _WIN32
            const std::filesystem::path path (folder.getFullPathName().toWideCharPointer());
#else
            const std::filesystem::path path (folder.getFullPathName().toStdString());
#endif
            if (std::filesystem::create_directory (path, error))
                break;

            // An error other than "already there" would loop forever.
            if (error)
            {
                jassertfalse;
                break;
            }
        }
    }

    ~TempFolder() { folder.deleteRecursively(); }

    TempFolder (const TempFolder&) = delete;
    TempFolder& operator= (const TempFolder&) = delete;

    const juce::File& get() const noexcept { return folder; }
    juce::File operator/ (const juce::String& name) const { return folder.getChildFile (name); }

private:
    juce::File folder;
};
