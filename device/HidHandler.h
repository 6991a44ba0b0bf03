#pragma once

// The receiver of device events. HidCtrl is one and forwards each event to
// another one, the main component.
class HidHandler
{
public:
    virtual ~HidHandler() = default;

    // The selected device went away.
    virtual void deviceRemoved() = 0;

    // A device of the wanted type was selected.
    virtual void deviceArrived() = 0;

    // An input report is waiting in the HidCtrl's buffer.
    virtual void reportReceived (int param) = 0;

    // Whether a thread of the receiver may be inside a library call that
    // has not returned (a write left hanging after a removal). While it is,
    // the message thread makes no library call of its own for an arrival: a
    // library may hold one lock for all its calls, and the window would then
    // wait as long as the hanging write.
    virtual bool mayBeInLibrary() const noexcept { return false; }
};
