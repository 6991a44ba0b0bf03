#include "sim/ReplayCursor.h"

#include "recording/RecordingReader.h"

namespace vqdsim
{
namespace detail
{

using vqdrec::Event;
using vqdrec::Function;

ReplayCursor::ReplayCursor (const vqdrec::Recording& source) : recording (source)
{
    settle();
}

void ReplayCursor::settle()
{
    step = ReplayStep {};
    if (index >= recording.events.size())
    {
        step.kind = ReplayStep::Kind::end;
        return;
    }

    const Event& event = recording.events[index];
    step.event = &event;
    step.index = index;
    step.timeUs = event.timeUs;
    step.function = event.function;

    switch (event.kind)
    {
        case Event::Kind::call:
            step.kind = ReplayStep::Kind::call;
            return;
        case Event::Kind::result:
            step.kind = ReplayStep::Kind::result;
            return;
        case Event::Kind::notice:
            step.kind = ReplayStep::Kind::notice;
            return;
        case Event::Kind::run:
            break;
    }

    // Cycle c runs from start to end of its share of the span: the write and
    // its result at the start, the notice and the read halfway, the answer
    // at the end.
    const vqdrec::Run& run = event.run;
    const int64_t start = event.timeUs + run.spanUs * cycle / run.count;
    const int64_t end = event.timeUs + run.spanUs * (cycle + 1) / run.count;
    const int64_t middle = start + (end - start) / 2;
    static constexpr ReplayStep::Kind kinds[5] = { ReplayStep::Kind::call, ReplayStep::Kind::result,
                                                   ReplayStep::Kind::notice, ReplayStep::Kind::call,
                                                   ReplayStep::Kind::result };
    step.kind = kinds[part];
    step.cycle = cycle;
    step.part = part;
    step.function = part < 2 ? Function::write : Function::input;
    step.timeUs = part < 2 ? start : (part < 4 ? middle : end);
}

void ReplayCursor::advance()
{
    if (atEnd())
        return;

    previousUs = step.timeUs;
    const Event& event = recording.events[index];
    if (event.kind == Event::Kind::run && ++part == 5)
    {
        part = 0;
        ++cycle;
    }
    if (event.kind != Event::Kind::run || cycle == event.run.count)
    {
        ++index;
        cycle = 0;
        part = 0;
    }
    settle();
}

bool ReplayCursor::callsLeft() const
{
    for (std::size_t i = index; i < recording.events.size(); ++i)
    {
        const Event::Kind kind = recording.events[i].kind;
        if (kind == Event::Kind::call || kind == Event::Kind::run)
            return true;
    }
    // A call under way has its result still to come.
    return ! atEnd() && step.kind == ReplayStep::Kind::result;
}

std::string ReplayCursor::describe() const
{
    if (atEnd())
        return "the end of the recording";

    const Event& event = *step.event;
    if (! step.inRun())
    {
        // The line from its third field on.
        std::size_t at = 0;
        for (int field = 0; field < 2; ++field)
        {
            at = event.text.find_first_not_of (" \t", at);
            at = event.text.find_first_of (" \t", at);
            if (at == std::string::npos)
                return event.text;
        }
        const std::size_t start = event.text.find_first_not_of (" \t", at);
        return start == std::string::npos ? event.text : event.text.substr (start);
    }

    const vqdrec::Run& run = event.run;
    const std::string hid = std::to_string (run.hidNo);
    const std::string cycleText = " (cycle " + std::to_string (step.cycle + 1) + " of " + std::to_string (run.count)
                                  + " of a run)";
    switch (step.part)
    {
        case 0:
        {
            static const char digits[] = "0123456789ABCDEF";
            const std::string prefix = { digits[run.prefix[0] >> 4], digits[run.prefix[0] & 15],
                                         digits[run.prefix[1] >> 4], digits[run.prefix[1] & 15] };
            return "> HID_Write " + hid + " 64 " + prefix + "..." + cycleText;
        }
        case 1:
            return "< HID_Write 1" + cycleText;
        case 2:
            return "notice (input) " + hid + " 0" + cycleText;
        case 3:
            return "> HID_Input " + hid + " 64" + cycleText;
        default:
            return "< HID_Input 64 " + vqdrec::RecordingReader::formatReport (run.answer.data(), run.answer.size())
                   + cycleText;
    }
}

} // namespace detail
} // namespace vqdsim
