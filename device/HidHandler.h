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
};
