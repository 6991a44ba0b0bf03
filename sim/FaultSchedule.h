// Which commands of one controller meet the scenario's faults. A fault acts
// on the nth command of one code (with `repeat`, on that one and every later
// one). A writeFail acts on HID_Write itself, the others on the controller's
// handling of the command, so the two are counted apart: a failed write
// never reaches the controller, and a removal loses commands that were
// written but not yet handled.
#pragma once

#include "sim/Scenario.h"

#include <array>
#include <cstdint>
#include <vector>

namespace vqdsim
{
namespace detail
{

class FaultSchedule
{
public:
    FaultSchedule() = default;
    explicit FaultSchedule (std::vector<Fault> scenarioFaults);

    // Counts one more command of `code` handled by the controller and
    // returns the fault it meets (never a writeFail), or nullptr.
    const Fault* nextHandled (uint8_t code);

    // Counts one more HID_Write of `code` that reached the controller's
    // queue and returns the writeFail it meets, or nullptr.
    const Fault* nextWritten (uint8_t code);

private:
    const Fault* find (int code, int occurrence, bool atWrite) const;

    std::vector<Fault> faults;
    std::array<int, 256> handled {}; // commands handled, by code
    std::array<int, 256> written {}; // writes, by code
};

} // namespace detail
} // namespace vqdsim
