#include "app/MainWindow.h"

#include "ui/MainComponent.h"
#include "ui/PageStyle.h"

namespace
{
const int contentWidth = 404;
const int contentHeight = 126;
} // namespace

MainWindow::MainWindow()
    : juce::DocumentWindow ("VQD-TRM4 update program", juce::Colour (PageStyle::pageColour), 0, true)
{
    mainComponent = new MainComponent();
    mainComponent->setSize (contentWidth, contentHeight);

    // Resize-to-fit: the error screens make the content 800 x 300 and the
    // window follows.
    setContentOwned (mainComponent, true);
    setResizable (false, false);

    const int w = mainComponent->getWidth();
    const int h = mainComponent->getHeight();
    centreWithSize (w + 2, h + getTitleBarHeight() + 2);

    setAlwaysOnTop (true);

    // The native title bar keeps the window's size as its client area and the
    // content fills all of it (406 x 154 at first).
    setUsingNativeTitleBar (true);
    setVisible (true);
}

MainWindow::~MainWindow() = default;

void MainWindow::activeWindowStatusChanged()
{
    juce::DocumentWindow::activeWindowStatusChanged();

    if (isActiveWindow() && mainComponent != nullptr)
        mainComponent->repaint();
}

void MainWindow::focusGained (FocusChangeType cause)
{
    juce::DocumentWindow::focusGained (cause);

    if (mainComponent != nullptr)
        mainComponent->applyFocusRule();
}

void MainWindow::closeButtonPressed()
{
}
