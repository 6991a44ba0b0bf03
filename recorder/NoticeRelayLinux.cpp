#include "recorder/NoticeRelay.h"

#include "recording/RecordingWriter.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <mutex>
#include <string>

// The library posts from its own threads. The notice is recorded and handed
// on in the same call, under one lock, which detach() takes too: once
// detach() has returned no post can still be on its way to the program.
struct NoticeRelay::Native
{
    // What the library gets: a HidWindow first, so that the handle it calls
    // post() with leads back here.
    struct Window
    {
        HidWindow base;
        Native* owner;
    };

    Window window {};
    RecordingWriter& writer;
    std::mutex lock;
    HidWindowHandle target = nullptr;
    unsigned int messages[3] = {};

    explicit Native (RecordingWriter& w) : writer (w)
    {
        window.base.post = &Native::post;
        window.owner = this;
    }

    static void post (HidWindow* window, unsigned int message, uintptr_t wParam, intptr_t lParam)
    {
        Native* self = reinterpret_cast<Window*> (window)->owner;
        std::lock_guard<std::mutex> guard (self->lock);
        char number[16];
        std::snprintf (number, sizeof (number), "0x%x", message);
        if (std::find (std::begin (self->messages), std::end (self->messages), message) == std::end (self->messages))
        {
            self->writer.comment (std::string ("the maker's library delivered message ") + number
                                  + ", which the program did not ask for; not handed on");
            return;
        }
        self->writer.event (std::string ("notice ") + number + " " + std::to_string (wParam) + " "
                            + std::to_string (lParam) + " posted");
        if (self->target != nullptr && self->target->post != nullptr)
            self->target->post (self->target, message, wParam, lParam);
    }
};

NoticeRelay::NoticeRelay (RecordingWriter& writer) : native (std::make_unique<Native> (writer))
{
}

NoticeRelay::~NoticeRelay() = default;

HidWindowHandle NoticeRelay::attach (HidWindowHandle programWindow, unsigned int inputMessage,
                                     unsigned int arrivalMessage, unsigned int removalMessage)
{
    std::lock_guard<std::mutex> guard (native->lock);
    native->target = programWindow;
    native->messages[0] = inputMessage;
    native->messages[1] = arrivalMessage;
    native->messages[2] = removalMessage;
    return &native->window.base;
}

void NoticeRelay::detach()
{
    std::lock_guard<std::mutex> guard (native->lock);
    native->target = nullptr;
}

void NoticeRelay::close()
{
    detach();
}
