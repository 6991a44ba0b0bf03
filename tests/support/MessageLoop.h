#pragma once

#include <juce_events/juce_events.h>

#include <functional>

// The tests run on the JUCE message thread; these pump its real loop, so
// that the library's notices arrive the way they do in the program.
namespace MessageLoop
{
// Runs the loop until `done` is true or the time is up; returns `done`.
bool runUntil (const std::function<bool()>& done, int timeoutMs = 5000);

// Runs the loop for a while.
void runFor (int milliseconds);

// Dispatches what is already waiting (messages, X events, callbacks that a
// dispatched one posts in turn) until nothing is, and returns at once then.
void runUntilIdle();
} // namespace MessageLoop
