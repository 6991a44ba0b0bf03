#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

// What the program says aloud through the screen reader, besides what the
// reader finds by itself in the controls: each new screen's text once, and
// the update's progress in steps of a tenth. Everything else a reader can
// walk to (the page's text, the buttons, the list, the bar) lives in the
// components' accessibility handlers.
class ScreenAnnouncer
{
public:
    using Priority = juce::AccessibilityHandler::AnnouncementPriority;
    using Poster = std::function<void (const juce::String&, Priority)>;

    // Posts through JUCE to the platform's screen reader.
    ScreenAnnouncer();

    // Where the announcements go instead (tests listen here).
    void setPoster (Poster newPoster) { poster = std::move (newPoster); }

    // A screen was composed. `screen` tells screens apart; a screen already
    // announced, or one without text yet, says nothing, however often it is
    // composed again. Errors interrupt whatever is being read.
    void screenComposed (int screen, const juce::String& text, bool isError);

    // The progress, 0..1, as the bar shows it now: each tenth it reaches is
    // announced once ("40%"), only the highest when several pass at once.
    void progressShown (double progress);

private:
    Poster poster;
    int announcedScreen;
    int announcedTenths = 0;

    JUCE_DECLARE_NON_COPYABLE (ScreenAnnouncer)
};
