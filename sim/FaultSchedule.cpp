#include "sim/FaultSchedule.h"

#include <utility>

namespace vqdsim
{
namespace detail
{

FaultSchedule::FaultSchedule (std::vector<Fault> scenarioFaults) : faults (std::move (scenarioFaults))
{
}

const Fault* FaultSchedule::nextHandled (uint8_t code)
{
    return find (code, ++handled[code], false);
}

const Fault* FaultSchedule::nextWritten (uint8_t code)
{
    return find (code, ++written[code], true);
}

const Fault* FaultSchedule::find (int code, int occurrence, bool atWrite) const
{
    for (const Fault& fault : faults)
        if (fault.command == code && (fault.action == Fault::Action::writeFail) == atWrite
            && (fault.repeat ? occurrence >= fault.occurrence : occurrence == fault.occurrence))
            return &fault;
    return nullptr;
}

} // namespace detail
} // namespace vqdsim
