#include "ui/ScreenAnnouncer.h"

#include <cmath>
#include <limits>

namespace
{
const int noScreen = std::numeric_limits<int>::min();
}

ScreenAnnouncer::ScreenAnnouncer()
    : poster ([] (const juce::String& text, Priority priority) {
          juce::AccessibilityHandler::postAnnouncement (text, priority);
      }),
      announcedScreen (noScreen)
{
}

void ScreenAnnouncer::screenComposed (int screen, const juce::String& text, bool isError)
{
    if (screen == announcedScreen || text.isEmpty())
        return;

    announcedScreen = screen;
    poster (text, isError ? Priority::high : Priority::medium);
}

void ScreenAnnouncer::progressShown (double progress)
{
    // A hair of tolerance: 0.3 may arrive as 0.29999999999999999.
    const int tenths = juce::jlimit (0, 10, (int) std::floor (progress * 10.0 + 1.0e-9));

    if (tenths <= announcedTenths)
        return;

    announcedTenths = tenths;
    poster (juce::String (tenths * 10) + "%", Priority::low);
}
