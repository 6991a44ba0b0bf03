#pragma once

#include <signal.h>

// The system's requests to quit, as Linux makes them: SIGTERM (a log-off, a
// shutdown, a service manager, `kill`) and SIGHUP (the terminal went away).
// Their default action ends the process on the spot, which would leave the
// device session open and the update worker writing into a session that no
// longer exists. Windows asks through systemRequestedQuit instead, and the
// program then leaves through JUCE's normal shutdown; this turns the two
// signals into that same call.
//
// A signal handler may do next to nothing, so it only writes one byte into a
// pipe. The pipe's read end is watched by JUCE's event loop, and the call is
// made from there, on the message thread. SIGINT is left to JUCE, which
// already turns it into quit().
//
// One at a time per process. Created and destroyed on the message thread;
// the destructor puts back the handlers that were there before.
class QuitSignals
{
public:
    QuitSignals();
    ~QuitSignals();

private:
    void takeRequests (int fd);

    int readEnd = -1;
    int writeEnd = -1;
    bool watching = false;
    struct sigaction previousTerminate = {};
    struct sigaction previousHangUp = {};

    QuitSignals (const QuitSignals&) = delete;
    QuitSignals& operator= (const QuitSignals&) = delete;
};
