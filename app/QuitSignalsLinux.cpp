#include "app/QuitSignals.h"

#include <juce_events/juce_events.h>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace
{
// Where the handler writes. A plain int that the handler only reads is all
// an asynchronous signal may touch; -1 while no QuitSignals exists.
volatile sig_atomic_t requestWriteEnd = -1;

extern "C" void onQuitSignal (int)
{
    // write() is async-signal-safe; errno belongs to whatever code the signal
    // interrupted, so it is put back. A full pipe (EAGAIN) loses nothing:
    // one waiting byte is as good as many.
    const int savedErrno = errno;
    const int fd = requestWriteEnd;

    if (fd >= 0)
    {
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write (fd, &byte, 1);
    }

    errno = savedErrno;
}

bool installHandler (int signalNumber, struct sigaction& previous)
{
    struct sigaction action = {};
    action.sa_handler = onQuitSignal;
    // SA_RESTART: the threads that the signal lands on (the message thread,
    // the worker, the library's thread) go on with their system calls.
    action.sa_flags = SA_RESTART;
    sigemptyset (&action.sa_mask);
    sigaddset (&action.sa_mask, SIGTERM);
    sigaddset (&action.sa_mask, SIGHUP);
    return sigaction (signalNumber, &action, &previous) == 0;
}
} // namespace

QuitSignals::QuitSignals()
{
    jassert (requestWriteEnd < 0); // one at a time

    int ends[2] = { -1, -1 };

    // Non-blocking on both ends: the handler must never wait for the reader,
    // and the reader empties the pipe without waiting for more.
    if (pipe2 (ends, O_NONBLOCK | O_CLOEXEC) != 0)
        return;

    readEnd = ends[0];
    writeEnd = ends[1];
    requestWriteEnd = writeEnd;

    juce::LinuxEventLoop::registerFdCallback (readEnd, [this] (int fd) { takeRequests (fd); });

    // Watched before the handlers go in, so that no request finds the pipe
    // unread. A signal that comes before the message loop runs waits in the
    // pipe and is taken as soon as the loop starts.
    const bool terminate = installHandler (SIGTERM, previousTerminate);
    const bool hangUp = installHandler (SIGHUP, previousHangUp);

    if (! hangUp && terminate)
        sigaction (SIGTERM, &previousTerminate, nullptr);

    watching = terminate && hangUp;

    if (! watching)
    {
        juce::LinuxEventLoop::unregisterFdCallback (readEnd);
        requestWriteEnd = -1;
        ::close (readEnd);
        ::close (writeEnd);
        readEnd = writeEnd = -1;
    }
}

QuitSignals::~QuitSignals()
{
    if (! watching)
        return;

    // The old handlers first, so that no new signal writes into a pipe that
    // is about to close.
    sigaction (SIGHUP, &previousHangUp, nullptr);
    sigaction (SIGTERM, &previousTerminate, nullptr);
    requestWriteEnd = -1;

    juce::LinuxEventLoop::unregisterFdCallback (readEnd);
    ::close (readEnd);
    ::close (writeEnd);
}

void QuitSignals::takeRequests (int fd)
{
    // However many signals came, they are one request.
    char bytes[64];
    bool requested = false;

    for (;;)
    {
        const auto count = ::read (fd, bytes, sizeof (bytes));

        if (count > 0)
        {
            requested = true;
            continue;
        }

        if (count < 0 && errno == EINTR)
            continue;

        break; // empty (EAGAIN), or nothing more to read
    }

    if (! requested)
        return;

    // What Windows calls at log-off. The program does not override it, so
    // JUCE's quit() follows at once, whatever the update state: the loop ends
    // and shutdown() deletes the window, whose main component stops the
    // worker before it closes the device session.
    if (auto* app = juce::JUCEApplicationBase::getInstance())
        app->systemRequestedQuit();
}
