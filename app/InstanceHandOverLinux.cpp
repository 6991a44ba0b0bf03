#include "app/InstanceHandOver.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace
{
const int maxMessageBytes = 4096;

// The abstract socket address: a leading NUL, then a name that no other
// program or user shares.
socklen_t makeAddress (const juce::String& applicationName, sockaddr_un& address)
{
    std::memset (&address, 0, sizeof (address));
    address.sun_family = AF_UNIX;

    const auto name = "juceAppHandOver_" + applicationName + "_" + juce::String ((int) getuid());
    const auto utf8 = name.toRawUTF8();
    const auto length = juce::jmin (std::strlen (utf8), sizeof (address.sun_path) - 1);
    std::memcpy (address.sun_path + 1, utf8, length);
    return (socklen_t) (offsetof (sockaddr_un, sun_path) + 1 + length);
}
} // namespace

InstanceHandOver::InstanceHandOver (const juce::String& name)
    : juce::Thread ("InstanceHandOver"), applicationName (name)
{
    sockaddr_un address;
    const auto length = makeAddress (applicationName, address);

    listenSocket = socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);

    if (listenSocket >= 0
        && (bind (listenSocket, reinterpret_cast<sockaddr*> (&address), length) != 0
            || listen (listenSocket, 4) != 0))
    {
        close (listenSocket);
        listenSocket = -1;
    }

    if (listenSocket >= 0)
        startThread();
}

InstanceHandOver::~InstanceHandOver()
{
    signalThreadShouldExit();
    stopThread (2000);

    if (listenSocket >= 0)
        close (listenSocket);
}

bool InstanceHandOver::sendToRunningInstance (const juce::String& name, const juce::String& commandLine)
{
    sockaddr_un address;
    const auto length = makeAddress (name, address);

    const int fd = socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);

    if (fd < 0)
        return false;

    bool sent = false;

    if (connect (fd, reinterpret_cast<sockaddr*> (&address), length) == 0)
    {
        const auto message = name + "/" + commandLine;
        const auto* bytes = message.toRawUTF8();
        auto remaining = juce::jmin ((int) std::strlen (bytes), maxMessageBytes);
        sent = true;

        while (remaining > 0)
        {
            const auto written = send (fd, bytes, (size_t) remaining, MSG_NOSIGNAL);

            if (written <= 0)
            {
                sent = false;
                break;
            }

            bytes += written;
            remaining -= (int) written;
        }
    }

    close (fd);
    return sent;
}

void InstanceHandOver::run()
{
    while (! threadShouldExit())
    {
        pollfd waiting { listenSocket, POLLIN, 0 };

        // Wake up regularly so that the destructor never waits long.
        if (poll (&waiting, 1, 100) <= 0)
            continue;

        const int client = accept4 (listenSocket, nullptr, nullptr, SOCK_CLOEXEC);

        if (client < 0)
            continue;

        juce::MemoryBlock received;
        char buffer[512];

        // A sender writes its message and closes; a silent or endless one is
        // cut off after a second or at the size limit.
        for (;;)
        {
            pollfd readable { client, POLLIN, 0 };

            if (poll (&readable, 1, 1000) <= 0)
                break;

            const auto count = recv (client, buffer, sizeof (buffer), 0);

            if (count <= 0)
                break;

            received.append (buffer, (size_t) count);

            if (received.getSize() >= (size_t) maxMessageBytes)
                break;
        }

        close (client);
        deliver (received.toString());
    }
}

void InstanceHandOver::deliver (const juce::String& message) const
{
    const auto prefix = applicationName + "/";

    if (! message.startsWith (prefix))
        return;

    const auto commandLine = message.substring (prefix.length());

    juce::MessageManager::callAsync ([commandLine] {
        if (auto* app = juce::JUCEApplicationBase::getInstance())
            app->anotherInstanceStarted (commandLine);
    });
}
