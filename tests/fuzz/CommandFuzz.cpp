// Feeds arbitrary bytes, as the readout's replies, to one command of the readout's command set
// over an in-process line on a manual clock. The first two bytes pick the command and its
// record range; the rest is the readout's script (see ReplyScript).

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "CommandDriver.h"
#include "FuzzLine.h"
#include "ManualClock.h"
#include "ReplyScript.h"
#include "UtcTime.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace q417::fuzz;
    UseUtc();
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const CommandCase test = CommandCase::FromInput(input);
    ReplyScript script(input);
    q417::sim::ManualClock clock;
    FuzzLine line(clock, [&script](const HostMessage& message) { return script.Next(message); });
    RunCommand(test, line, clock);
    return 0;
}
