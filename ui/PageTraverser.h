#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <vector>

// The order in which the page's controls are met, by Tab and Shift+Tab and by
// a screen reader walking the page: the reading order, top to bottom, left to
// right (the list or the progress bar, then the left-hand button, then the
// right-hand one), only the controls the screen shows.
//
// Where JUCE picks a control for the keyboard focus by itself (a click on
// the page or on the language list while no control has the focus), the
// keyboard order's default is the first of `keyboardDefaults` that can take
// it: the button Return is then meant to act on, as the page's focus rule
// has it, not the first control in reading order.
class PageTraverser : public juce::ComponentTraverser
{
public:
    enum class Kind
    {
        screenReader,
        keyboard
    };

    PageTraverser (Kind kind, std::vector<juce::Component*> readingOrder, std::vector<juce::Component*> keyboardDefaults);

    juce::Component* getDefaultComponent (juce::Component* parent) override;
    juce::Component* getNextComponent (juce::Component* current) override;
    juce::Component* getPreviousComponent (juce::Component* current) override;
    std::vector<juce::Component*> getAllComponents (juce::Component* parent) override;

private:
    bool canReach (const juce::Component* c) const;

    Kind kind;
    std::vector<juce::Component*> reachable;
    std::vector<juce::Component*> defaults;
};
