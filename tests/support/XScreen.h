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
