#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

class BtnLookAndFeel;

// The program's push button. It draws its own caption, in a font and an
// alignment of its own, a thin frame while it has the keyboard focus, and
// answers Return (or Space) with a press that shows for as long as the key is
// held and a click once the key is let go. The main component moves the focus to the
// button that Return should act on, so each screen's default button is the
// one that Return triggers.
class AlineButton : public juce::Button
{
public:
    explicit AlineButton (const juce::String& name);
    ~AlineButton() override;

    // Take effect at the next paint; neither repaints by itself.
    void setFontName (const juce::String& name);
    void setFontStyle (int flags);

    // Sets the caption and always repaints, even when it is unchanged, so a
    // screen that re-composes itself is sure to be redrawn.
    void setCaption (const juce::String& caption);

    // A button that is not armed yet draws its caption grey; its owner takes
    // no click from it (the button itself still takes the focus and the
    // keys, so that the focus does not move while it waits). Armed at
    // creation; repaints on a change.
    void setArmed (bool shouldBeArmed);
    bool isArmed() const noexcept { return armed; }

    const juce::String& getFontName() const noexcept { return fontName; }
    int getFontStyle() const noexcept { return fontStyle; }
    bool isReturnKeyDown() const noexcept { return returnKeyDown; }

    bool keyPressed (const juce::KeyPress& key) override;
    void paintButton (juce::Graphics& g, bool isMouseOverButton, bool isButtonDown) override;

private:
    BtnLookAndFeel* buttonLookAndFeel;
    juce::Justification justification;
    juce::String fontName;
    int fontStyle;
    // A press by the keyboard shows until the key that made it, Return or
    // Space, is let go.
    bool returnKeyDown;
    int pressKeyCode;
    bool armed = true;

    JUCE_DECLARE_NON_COPYABLE (AlineButton)
};
