#include "BtnLookAndFeel.h"

#include "localisation/FontSubstitution.h"

BtnLookAndFeel::BtnLookAndFeel()
{
    // The LookAndFeel constructor has just pointed JUCE's typeface hook back
    // at JUCE's own lookup; the program's Windows font names need ours.
    FontSubstitution::install();
}

BtnLookAndFeel::~BtnLookAndFeel() = default;

void BtnLookAndFeel::drawButtonBackground (juce::Graphics& g,
                                           juce::Button& button,
                                           const juce::Colour& backgroundColour,
                                           bool /*isMouseOverButton*/,
                                           bool isButtonDown)
{
    // A connected edge runs up to the neighbour, so it is inset by almost
    // nothing; a free edge leaves room for half the bevel's stroke.
    constexpr float connectedInset = 0.1f;
    constexpr float freeInset      = 1.25f;
    constexpr float bevelThickness = 2.5f;

    const bool left   = button.isConnectedOnLeft();
    const bool right  = button.isConnectedOnRight();
    const bool top    = button.isConnectedOnTop();
    const bool bottom = button.isConnectedOnBottom();

    const float leftInset   = left   ? connectedInset : freeInset;
    const float rightInset  = right  ? connectedInset : freeInset;
    const float topInset    = top    ? connectedInset : freeInset;
    const float bottomInset = bottom ? connectedInset : freeInset;

    const float x = leftInset;
    const float y = topInset;
    const float w = (float) button.getWidth()  - leftInset - rightInset;
    const float h = (float) button.getHeight() - topInset  - bottomInset;

    // Too small to hold even the bevel: nothing sensible can be drawn.
    if (w <= bevelThickness || h <= bevelThickness)
        return;

    // Free corners are fully rounded, so a button without neighbours is a
    // lozenge with semicircular ends.
    const float cs = juce::jmin (w, h) * 0.5f;
    const float cs2 = cs * 2.0f;

    const bool roundTopLeft     = ! (left  || top);
    const bool roundTopRight    = ! (right || top);
    const bool roundBottomLeft  = ! (left  || bottom);
    const bool roundBottomRight = ! (right || bottom);

    const float pi = juce::MathConstants<float>::pi;

    // Quarter circles of the 2cs square in each corner; angles run clockwise
    // from 12 o'clock, as juce::Path::addArc takes them.
    auto addTopLeftArc     = [&] (juce::Path& p) { p.addArc (x,            y,            cs2, cs2, 1.5f * pi, 2.0f * pi); };
    auto addTopRightArc    = [&] (juce::Path& p) { p.addArc (x + w - cs2,  y,            cs2, cs2, 0.0f,      0.5f * pi); };
    auto addBottomRightArc = [&] (juce::Path& p) { p.addArc (x + w - cs2,  y + h - cs2,  cs2, cs2, 0.5f * pi, pi); };
    auto addBottomLeftArc  = [&] (juce::Path& p) { p.addArc (x,            y + h - cs2,  cs2, cs2, pi,        1.5f * pi); };

    // The face.
    juce::Path outline;

    if (roundTopLeft)
    {
        outline.startNewSubPath (x, y + cs);
        addTopLeftArc (outline);
    }
    else
    {
        outline.startNewSubPath (x, y);
    }

    if (roundTopRight)
    {
        outline.lineTo (x + w - cs, y);
        addTopRightArc (outline);
    }
    else
    {
        outline.lineTo (x + w, y);
    }

    if (roundBottomRight)
    {
        outline.lineTo (x + w, y + h - cs);
        addBottomRightArc (outline);
    }
    else
    {
        outline.lineTo (x + w, y + h);
    }

    if (roundBottomLeft)
    {
        outline.lineTo (x + cs, y + h);
        addBottomLeftArc (outline);
    }
    else
    {
        outline.lineTo (x, y + h);
    }

    outline.closeSubPath();

    g.setColour (backgroundColour);
    g.fillPath (outline);

    const juce::PathStrokeType bevelStroke (bevelThickness,
                                            juce::PathStrokeType::mitered,
                                            juce::PathStrokeType::butt);

    const juce::Colour white (0xffffffff);
    const juce::Colour black (0xff000000);

    // Light side: bottom-left corner, left edge, top-left corner, top edge.
    juce::Path light;

    if (roundBottomLeft)
    {
        light.startNewSubPath (x + cs, y + h);
        addBottomLeftArc (light);
    }
    else
    {
        light.startNewSubPath (x, y + h);
    }

    if (roundTopLeft)
    {
        light.lineTo (x, y + cs);
        addTopLeftArc (light);
    }
    else
    {
        light.lineTo (x, y);
    }

    light.lineTo (roundTopRight ? x + w - cs : x + w, y);

    g.setColour (isButtonDown ? black : white);
    g.strokePath (light, bevelStroke);

    // Dark side: top-right corner, right edge, bottom-right corner, bottom edge.
    juce::Path dark;

    if (roundTopRight)
    {
        dark.startNewSubPath (x + w - cs, y);
        addTopRightArc (dark);
    }
    else
    {
        dark.startNewSubPath (x + w, y);
    }

    if (roundBottomRight)
    {
        dark.lineTo (x + w, y + h - cs);
        addBottomRightArc (dark);
    }
    else
    {
        dark.lineTo (x + w, y + h);
    }

    dark.lineTo (roundBottomLeft ? x + cs : x, y + h);

    g.setColour (isButtonDown ? white : black);
    g.strokePath (dark, bevelStroke);
}
