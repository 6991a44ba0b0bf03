// Walks a recording one step at a time for the replay: every line but a run
// is one step; a run line is its cycles' five steps each (the write, its
// result, the input notice, the read, its answer), with the run's span
// spread evenly over its cycles, since the compacted file keeps only that.
#pragma once

#include "recording/Recording.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace vqdsim
{
namespace detail
{

struct ReplayStep
{
    enum class Kind
    {
        call,
        result,
        notice,
        end
    };

    Kind kind = Kind::end;
    const vqdrec::Event* event = nullptr; // the line, a run's line for its cycles
    std::size_t index = 0;                // of that line in the recording's events
    int64_t cycle = -1;                   // within a run, else -1
    int part = 0;                         // 0..4 within a run's cycle
    int64_t timeUs = 0;                   // when it happened in the recording
    vqdrec::Function function = vqdrec::Function::initialize;

    bool inRun() const { return cycle >= 0; }
    bool sameAs (const ReplayStep& other) const
    {
        return index == other.index && cycle == other.cycle && part == other.part;
    }
};

class ReplayCursor
{
public:
    explicit ReplayCursor (const vqdrec::Recording& recording);

    const ReplayStep& current() const { return step; }
    bool atEnd() const { return step.kind == ReplayStep::Kind::end; }

    // The recorded time of the step before the current one (0 before the
    // first).
    int64_t previousTimeUs() const { return previousUs; }

    void advance();

    // Whether any call is left from the current step on.
    bool callsLeft() const;

    // The current step as the recording says it, "> HID_Write 3 64 F103..."
    // (without its time and thread).
    std::string describe() const;

private:
    void settle();

    const vqdrec::Recording& recording;
    std::size_t index = 0;
    int64_t cycle = 0;
    int part = 0;
    ReplayStep step;
    int64_t previousUs = 0;
};

} // namespace detail
} // namespace vqdsim
