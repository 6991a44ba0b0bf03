#pragma once

// Pixel checks for tests that paint real components into images.
#include <gtest/gtest.h>
#include <juce_graphics/juce_graphics.h>

#include <functional>

inline juce::uint32 pixel (const juce::Image& image, int x, int y)
{
    return image.getPixelAt (x, y).getARGB();
}

// Exact colour of one pixel, with both colours in the failure message.
inline ::testing::AssertionResult pixelIs (const juce::Image& image, int x, int y, juce::uint32 expected)
{
    const auto actual = pixel (image, x, y);

    if (actual == expected)
        return ::testing::AssertionSuccess();

    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is 0x"
                                         << juce::String::toHexString ((int) actual)
                                         << ", expected 0x" << juce::String::toHexString ((int) expected);
}

// Same size, same pixels.
inline bool imagesEqual (const juce::Image& a, const juce::Image& b)
{
    if (a.getWidth() != b.getWidth() || a.getHeight() != b.getHeight())
        return false;

    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
            if (pixel (a, x, y) != pixel (b, x, y))
                return false;

    return true;
}

// The smallest rectangle of `area` that holds every pixel matching the
// predicate; empty when none does.
inline juce::Rectangle<int> boundsOfPixels (const juce::Image& image, juce::Rectangle<int> area,
                                            const std::function<bool (juce::Colour)>& predicate)
{
    int minX = area.getRight(), minY = area.getBottom(), maxX = -1, maxY = -1;

    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            if (predicate (image.getPixelAt (x, y)))
            {
                minX = juce::jmin (minX, x);
                maxX = juce::jmax (maxX, x);
                minY = juce::jmin (minY, y);
                maxY = juce::jmax (maxY, y);
            }

    return maxX < 0 ? juce::Rectangle<int>() : juce::Rectangle<int> (minX, minY, maxX - minX + 1, maxY - minY + 1);
}

inline juce::Rectangle<int> boundsOfPixels (const juce::Image& image, const std::function<bool (juce::Colour)>& predicate)
{
    return boundsOfPixels (image, image.getBounds(), predicate);
}
