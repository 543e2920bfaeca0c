// Runs the link's worker for a bounded number of turns over an in-process line on a manual
// clock, the readout's replies taken from arbitrary bytes. The first bytes are the run's plan
// (its job, when it goes in, a pulled cable); the rest is the readout's script (see
// ReplyScript).

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzLine.h"
#include "ManualClock.h"
#include "ReplyScript.h"
#include "UtcTime.h"
#include "WorkerDriver.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace q417::fuzz;
    UseUtc();
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const WorkerPlan plan = WorkerPlan::FromInput(input);
    ReplyScript script(input);
    q417::sim::ManualClock clock;
    FuzzLine line(clock, [&script](const HostMessage& message) { return script.Next(message); });
    RunWorker(plan, line, clock, [&script] { return script.Exhausted(); });
    return 0;
}
