#include "ui/AlineButton.h"

#include "ui/BtnLookAndFeel.h"

namespace
{
const juce::Colour captionColour (0xff101010);
const juce::Colour unarmedCaptionColour (0xffa0a0a0);
const juce::Colour focusFrameColour (0xff808080);

// Whether a key is physically held right now. JUCE asks the X server,
// and without one (a headless run) it would query a null display, so
// with no screen at all the key is simply not down.
bool isKeyPhysicallyDown (int keyCode)
{
    if (juce::Desktop::getInstance().getDisplays().getPrimaryDisplay() == nullptr)
        return false;

    return juce::KeyPress::isKeyCurrentlyDown (keyCode);
}
} // namespace

AlineButton::AlineButton (const juce::String& name)
    : juce::Button (name),
      buttonLookAndFeel (new BtnLookAndFeel()),
      justification (juce::Justification::centred),
      fontName (juce::Font::getDefaultSansSerifFontName()),
      fontStyle (juce::Font::plain),
      returnKeyDown (false),
      pressKeyCode (juce::KeyPress::returnKey)
{
    setLookAndFeel (buttonLookAndFeel);

    // Not a TextButton, but the background reads the text button's colour
    // identifiers so owners can colour it the usual JUCE way.
    setColour (juce::TextButton::buttonColourId, juce::Colour (0xffffffff));
    setColour (juce::TextButton::buttonOnColourId, juce::Colour (0xffffffff));

    // Square on every side: the bevel runs right up to the edges.
    setConnectedEdges (ConnectedOnLeft | ConnectedOnRight | ConnectedOnTop | ConnectedOnBottom);
}

AlineButton::~AlineButton()
{
    // Detach first: JUCE insists that no component still uses a look-and-feel
    // when it is deleted.
    setLookAndFeel (nullptr);
    delete buttonLookAndFeel;
    buttonLookAndFeel = nullptr;
}

void AlineButton::setFontName (const juce::String& name)
{
    fontName = name;
}

void AlineButton::setFontStyle (int flags)
{
    fontStyle = flags;
}

void AlineButton::setCaption (const juce::String& caption)
{
    // setButtonText repaints only on a change; the screens count on a
    // repaint with every call.
    if (caption != getButtonText())
        setButtonText (caption);
    else
        repaint();
}

void AlineButton::setArmed (bool shouldBeArmed)
{
    if (armed == shouldBeArmed)
        return;

    armed = shouldBeArmed;
    repaint();
}

bool AlineButton::keyPressed (const juce::KeyPress& key)
{
    // Return alone presses the button, and so does Space, the key that
    // presses a focused button everywhere else on Windows; the click comes
    // when the key is let go (see paintButton). Either with a modifier, and
    // every other key, is left to the parent. The base's handling, an
    // immediate click on Return, is deliberately not used.
    const auto modifiers = key.getModifiers();
    const int code = key.getKeyCode();

    if ((code == juce::KeyPress::returnKey || code == juce::KeyPress::spaceKey)
        && ! modifiers.isShiftDown() && ! modifiers.isCtrlDown() && ! modifiers.isAltDown())
    {
        returnKeyDown = true;
        pressKeyCode = code;
        repaint();
        return true;
    }

    return false;
}

void AlineButton::paintButton (juce::Graphics& g, bool isMouseOverButton, bool isButtonDown)
{
    const bool down = returnKeyDown || isButtonDown;

    const auto background = findColour (getToggleState() ? juce::TextButton::buttonOnColourId
                                                         : juce::TextButton::buttonColourId,
                                        false);

    getLookAndFeel().drawButtonBackground (g, *this, background, isMouseOverButton, down);

    const float width = (float) getWidth();
    const float height = (float) getHeight();

    g.setFont (juce::Font (fontName, juce::jmin (height * 0.8f, 13.0f), fontStyle));
    g.setColour (armed ? captionColour : unarmedCaptionColour);

    // The caption sinks by one pixel right and down while the button is down.
    const int offset = down ? 5 : 4;
    g.drawFittedText (getButtonText(),
                      juce::Rectangle<int> (offset, offset, getWidth() - 8, getHeight() - 8),
                      justification, 1);

    if (hasKeyboardFocus (true))
    {
        g.setColour (focusFrameColour);
        g.drawRect (juce::Rectangle<float> (width * 0.05f, height * 0.15f, width * 0.9f, height * 0.7f), 0.5f);
    }

    // While the key is held the button keeps asking to be painted, so it
    // stays down; the first paint that finds the key released clicks, once.
    if (isKeyPhysicallyDown (returnKeyDown ? pressKeyCode : (int) juce::KeyPress::returnKey))
    {
        repaint();
    }
    else if (returnKeyDown)
    {
        returnKeyDown = false;
        triggerClick();
    }
}
