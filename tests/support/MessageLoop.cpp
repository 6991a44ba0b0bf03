#include "MessageLoop.h"

namespace juce
{
// JUCE's own step of the Linux message loop: dispatches the next message,
// sleeping in poll() until one comes. MessageManager::runDispatchLoopUntil
// sleeps a whole millisecond whenever the queue is empty, which would make
// every round trip to the simulated controller cost a millisecond.
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
} // namespace juce

namespace
{
// Keeps the blocking dispatch waking up, so that a condition that changes
// without a message of its own is still seen soon.
class WakeUp : private juce::Timer
{
public:
    WakeUp() { startTimer (5); }
    ~WakeUp() override { stopTimer(); }

private:
    void timerCallback() override {}
};
} // namespace

namespace MessageLoop
{
bool runUntil (const std::function<bool()>& done, int timeoutMs)
{
    const WakeUp wakeUp;
    const auto end = juce::Time::getMillisecondCounterHiRes() + timeoutMs;

    while (! done())
    {
        if (juce::Time::getMillisecondCounterHiRes() > end)
            return done();

        juce::dispatchNextMessageOnSystemQueue (false);
    }

    return true;
}

void runFor (int milliseconds)
{
    runUntil ([] { return false; }, milliseconds);
}

void runUntilIdle()
{
    while (juce::dispatchNextMessageOnSystemQueue (true))
    {
    }
}
} // namespace MessageLoop
