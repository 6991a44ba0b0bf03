#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// The language list. A screen reader names it by the page's prompt (the
// component's title) and gives the chosen language as its value; JUCE's own
// list would name it by the chosen language and so never say what it is for.
//
// Tab reaches it, so that the language can be chosen by keys (arrows, or
// Return to open it), but a click leaves the keyboard focus on the page's
// default button: Return after choosing with the mouse goes on, as it did
// when the list took no focus at all, and no focus frame appears on it.
class LanguageList : public juce::ComboBox
{
public:
    LanguageList();

    void mouseDown (const juce::MouseEvent& e) override;

private:
    std::unique_ptr<juce::AccessibilityHandler> createAccessibilityHandler() override;

    JUCE_DECLARE_NON_COPYABLE (LanguageList)
};
