#pragma once

// Tests that need a real window on a screen (keyboard focus, for one) run
// under Xvfb; these tell whether there is a screen and make the test program
// survive a bare X server.

// Whether JUCE sees a display.
bool hasScreen();

// A JUCE application installs, for its whole life, an X error handler that
// ignores the errors of a bare X server (without a window manager JUCE asks
// for WM_STATE and the like, which then do not exist). A test program is not
// a JUCE application, so Xlib's default handler would end the whole run at
// the first window; this installs the same kind of handler, once. False when
// it could not.
bool ignoreXErrorsLikeAJuceApplication();

namespace juce
{
class Component;
}

// Sends a window of this program, from a connection of its own, the notice
// a window gets when it gains the keyboard focus, followed by a press and
// release of `markerKeysym` (an X keysym no control of the window uses).
// JUCE reads X events only when its connection has new data, so a notice
// that Xlib already took in during one of JUCE's own round trips can wait
// there until the next event arrives, and JUCE then acts on it late (it
// focuses the window itself when it first learns that the window has the
// focus). This makes it act now: once a key listener of the window has seen
// the marker key, JUCE has handled every X event before it. False when it
// could not be sent.
bool sendFocusNotice (juce::Component& window, unsigned long markerKeysym);
