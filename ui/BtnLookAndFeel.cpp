#include "ui/BtnLookAndFeel.h"

BtnLookAndFeel::BtnLookAndFeel() = default;

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
    constexpr float freeInset = 1.25f;
    constexpr float bevelThickness = 2.5f;

    const bool left = button.isConnectedOnLeft();
    const bool right = button.isConnectedOnRight();
    const bool top = button.isConnectedOnTop();
    const bool bottom = button.isConnectedOnBottom();

    const float leftInset = left ? connectedInset : freeInset;
    const float rightInset = right ? connectedInset : freeInset;
    const float topInset = top ? connectedInset : freeInset;
    const float bottomInset = bottom ? connectedInset : freeInset;

    const float x = leftInset;
    const float y = topInset;
    const float w = (float) button.getWidth() - leftInset - rightInset;
    const float h = (float) button.getHeight() - topInset - bottomInset;

    // Too small to hold even the bevel: nothing sensible can be drawn.
    if (w <= bevelThickness || h <= bevelThickness)
        return;

    // Free corners are fully rounded, so a button without neighbours is a
    // lozenge with semicircular ends.
    const float cs = juce::jmin (w, h) * 0.5f;
    const float cs2 = cs * 2.0f;

    const bool roundTopLeft = ! (left || top);
    const bool roundTopRight = ! (right || top);
    const bool roundBottomLeft = ! (left || bottom);
    const bool roundBottomRight = ! (right || bottom);

    const float pi = juce::MathConstants<float>::pi;

    // Each corner: whether it is rounded, where its quarter circle (of the
    // 2cs square in the corner) begins, and the corner point itself. Angles
    // run clockwise from 12 o'clock, as juce::Path::addArc takes them, and
    // every path below goes clockwise through its corners.
    struct Corner
    {
        bool round;
        juce::Point<float> arcStart, point;
        float arcX, arcY, fromAngle, toAngle;
    };

    const Corner topLeft { roundTopLeft, { x, y + cs }, { x, y }, x, y, 1.5f * pi, 2.0f * pi };
    const Corner topRight { roundTopRight, { x + w - cs, y }, { x + w, y }, x + w - cs2, y, 0.0f, 0.5f * pi };
    const Corner bottomRight { roundBottomRight, { x + w, y + h - cs }, { x + w, y + h }, x + w - cs2, y + h - cs2, 0.5f * pi, pi };
    const Corner bottomLeft { roundBottomLeft, { x + cs, y + h }, { x, y + h }, x, y + h - cs2, pi, 1.5f * pi };

    // Where a path meets a corner: the start of its arc, or the point.
    auto reach = [] (const Corner& c) { return c.round ? c.arcStart : c.point; };

    // Goes along an edge into a corner and round it (or starts there).
    auto pass = [&] (juce::Path& p, const Corner& c, bool startsPath) {
        if (startsPath)
            p.startNewSubPath (reach (c));
        else
            p.lineTo (reach (c));

        if (c.round)
            p.addArc (c.arcX, c.arcY, cs2, cs2, c.fromAngle, c.toAngle);
    };

    // The face.
    juce::Path outline;
    pass (outline, topLeft, true);
    pass (outline, topRight, false);
    pass (outline, bottomRight, false);
    pass (outline, bottomLeft, false);
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
    pass (light, bottomLeft, true);
    pass (light, topLeft, false);
    light.lineTo (reach (topRight));

    g.setColour (isButtonDown ? black : white);
    g.strokePath (light, bevelStroke);

    // Dark side: top-right corner, right edge, bottom-right corner, bottom edge.
    juce::Path dark;
    pass (dark, topRight, true);
    pass (dark, bottomRight, false);
    dark.lineTo (reach (bottomLeft));

    g.setColour (isButtonDown ? white : black);
    g.strokePath (dark, bevelStroke);
}
