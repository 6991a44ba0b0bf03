#pragma once
#include <juce_gui_basics/juce_gui_basics.h>
#include "device/HidCtrl.h"
class MainComponent : public juce::Component, public HidHandler
{
public:
    MainComponent() { hidCtrl = new HidCtrl(); hidCtrl->open (this); }
    ~MainComponent() override { delete hidCtrl; }
    void deviceRemoved() override {}
    void deviceArrived() override {}
    void reportReceived (int) override {}
private:
    HidCtrl* hidCtrl = nullptr;
};
