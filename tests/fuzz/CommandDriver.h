#pragma once

#include <cstdint>
#include <string_view>

#include "FuzzLine.h"
#include "ManualClock.h"

namespace q417::fuzz {

// The commands of the readout's command set that read what the readout sends.
enum class FuzzedCommand : std::uint8_t {
    Wake,
    Identity,
    Information,
    RecordRead,
    RecordWrite,
    ClockRead,
    Capture,
    BatteryStats,
};
inline constexpr int kFuzzedCommandCount = 8;

// Which command, and a parameter byte that picks its record range.
struct CommandCase {
    FuzzedCommand command = FuzzedCommand::Wake;
    std::uint8_t parameter = 0;

    // The first two bytes of an input; the rest is the readout's script.
    [[nodiscard]] static CommandCase FromInput(std::string_view& input);
    void AppendTo(std::string& input) const;
};

// Runs the command over line, on the line's clock, and checks what must hold of it whatever
// the readout said. A broken invariant aborts.
void RunCommand(const CommandCase& test, FuzzLine& line, sim::ManualClock& clock);

}  // namespace q417::fuzz
