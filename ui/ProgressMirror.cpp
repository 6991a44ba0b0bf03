#include "ui/ProgressMirror.h"

#include "update/UpdateEngine.h"

namespace
{
// The progress bar's own repaint timer runs at this rate.
const int mirrorIntervalMs = 30;
} // namespace

ProgressMirror::ProgressMirror (const UpdateEngine& e, double& shownProgress)
    : engine (e), shown (shownProgress)
{
}

ProgressMirror::~ProgressMirror()
{
    stopTimer();
}

void ProgressMirror::setActive (bool shouldRun)
{
    update();

    if (shouldRun && ! isTimerRunning())
        startTimer (mirrorIntervalMs);
    else if (! shouldRun)
        stopTimer();
}

void ProgressMirror::update()
{
    shown = engine.getProgress();
}

void ProgressMirror::timerCallback()
{
    update();

    if (onCopied)
        onCopied (shown);
}
