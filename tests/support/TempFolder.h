#pragma once

#include <juce_core/juce_core.h>

// A fresh folder under the system's temporary folder, deleted with its
// contents when the object goes.
class TempFolder
{
public:
    TempFolder()
        : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                      .getNonexistentChildFile ("vqdtrm4_test_", "", false))
    {
        folder.createDirectory();
    }

    ~TempFolder() { folder.deleteRecursively(); }

    const juce::File& get() const noexcept { return folder; }
    juce::File operator/ (const juce::String& name) const { return folder.getChildFile (name); }

private:
    juce::File folder;
};
