// Every screen of the real main window, in English and in Japanese, as the
// user sees it and as a screen reader reads it.
//
// Looks: each page is drawn into an image and compared, pixel for pixel,
// with the image of it under tests/ui/pages/. Those images were drawn before
// the pages said anything to a screen reader; what a screen reader is told
// must never change what is seen. After a deliberate change to the look,
// VQD_WRITE_PAGE_IMAGES=1 writes them anew.
#include "ImageChecks.h"
#include "WindowOnScreen.h"

#include <gtest/gtest.h>

namespace
{
enum class Page
{
    language,
    ready,
    updating,
    completion,
    notConnected,
    fileError,
    recovery
};

struct PageCase
{
    Page page;
    const char* name;
    bool japanese;
};

std::string caseName (const ::testing::TestParamInfo<PageCase>& info)
{
    return std::string (info.param.name) + (info.param.japanese ? "_ja" : "_en");
}

void PrintTo (const PageCase& c, std::ostream* out)
{
    *out << caseName ({ c, 0 });
}

juce::File pageImage (const PageCase& c)
{
    return juce::File (VQD_PAGE_IMAGES_DIR).getChildFile (caseName ({ c, 0 }) + ".png");
}

int differingPixels (const juce::Image& a, const juce::Image& b)
{
    int count = 0;

    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
            if (pixel (a, x, y) != pixel (b, x, y))
                ++count;

    return count;
}

class PageTest : public ::testing::TestWithParam<PageCase>
{
protected:
    void SetUp() override
    {
        const auto failure = GetParam().japanese ? screen.open (0x0411, "00000411") : screen.open();

        if (failure.isNotEmpty())
            GTEST_SKIP() << failure;

        main = screen.main;
        bringUp (GetParam().page);
    }

    // The page as the worker's news would bring it, with the focus settled
    // where the page's rule puts it.
    void bringUp (Page page)
    {
        switch (page)
        {
            case Page::language:
                break;

            case Page::ready:
                ASSERT_TRUE (screen.runToReady());
                break;

            case Page::updating:
                screen.show (stateBlockData);
                break;

            case Page::completion:
                // The update's screen hid both buttons; the completion
                // shows OK alone.
                screen.show (stateBlockData);
                screen.show (stateComplete);
                break;

            case Page::notConnected:
                screen.show (errNotConnected);
                break;

            case Page::fileError:
                screen.show (errFileSize);
                break;

            case Page::recovery:
                // The processor's name comes from the update file, read on
                // the way to the ready screen.
                ASSERT_TRUE (screen.runToReady());
                main->stopWorker();
                screen.show (errDisconnected);
                ASSERT_TRUE (WindowOnScreen::eventually ([this] { return main->getWidth() == 800; }));
                break;
        }

        screen.repaintAndSettle();
    }

    WindowOnScreen screen;
    MainComponent* main = nullptr;
};

const PageCase pageCases[] = {
    { Page::language, "language", false },
    { Page::language, "language", true },
    { Page::ready, "ready", false },
    { Page::ready, "ready", true },
    { Page::updating, "updating", false },
    { Page::updating, "updating", true },
    { Page::completion, "completion", false },
    { Page::completion, "completion", true },
    { Page::notConnected, "not_connected", false },
    { Page::notConnected, "not_connected", true },
    { Page::fileError, "file_error", false },
    { Page::fileError, "file_error", true },
    { Page::recovery, "recovery", false },
    { Page::recovery, "recovery", true },
};
} // namespace

TEST_P (PageTest, LooksAsBefore)
{
    const auto drawn = main->createComponentSnapshot (main->getLocalBounds(), true, 1.0f)
                           .convertedToFormat (juce::Image::ARGB);
    const auto file = pageImage (GetParam());

    if (juce::SystemStats::getEnvironmentVariable ("VQD_WRITE_PAGE_IMAGES", {}) == "1")
    {
        file.deleteFile();
        juce::FileOutputStream out (file);
        ASSERT_TRUE (out.openedOk() && juce::PNGImageFormat().writeImageToStream (drawn, out)) << file.getFullPathName();
        return;
    }

    const auto before = juce::ImageFileFormat::loadFrom (file).convertedToFormat (juce::Image::ARGB);
    ASSERT_TRUE (before.isValid()) << "no image " << file.getFullPathName();

    if (! imagesEqual (drawn, before))
    {
        const auto saved = juce::File::getSpecialLocation (juce::File::tempDirectory)
                               .getNonexistentChildFile ("page-" + caseName ({ GetParam(), 0 }), ".png");
        juce::FileOutputStream out (saved);
        juce::PNGImageFormat().writeImageToStream (drawn, out);

        FAIL() << "the page is drawn differently from " << file.getFullPathName() << ": "
               << drawn.getWidth() << " x " << drawn.getHeight() << " against " << before.getWidth() << " x "
               << before.getHeight()
               << (drawn.getBounds() == before.getBounds()
                       ? ", " + juce::String (differingPixels (drawn, before)) + " pixels differ"
                       : juce::String())
               << "; drawn now: " << saved.getFullPathName();
    }
}

INSTANTIATE_TEST_SUITE_P (EveryScreen, PageTest, ::testing::ValuesIn (pageCases), caseName);
