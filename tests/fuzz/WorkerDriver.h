#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "FuzzLine.h"
#include "ManualClock.h"

namespace q417::fuzz {

// The job a fuzzed worker run is given, and when.
enum class FuzzedJob : std::uint8_t {
    None,
    Download,
    Upload,
    WriteSerialNumber,
    WriteClock,
    Capture,
    SyncClock,
    ResetBattery,
};
inline constexpr int kFuzzedJobCount = 8;

struct WorkerPlan {
    FuzzedJob job = FuzzedJob::None;
    std::uint8_t submitTurn = 0;        // the job goes in before this turn
    std::uint8_t uploadRecords = 3;     // 1..25 sites for an upload
    std::uint8_t pullAtMessage = 0xFF;  // 0xFF: the cable stays in
    std::uint8_t cableOutTenths = 0;    // how long it stays out, in tenths of a second

    static constexpr std::size_t kBytes = 5;
    // The first kBytes of an input; the rest is the readout's script.
    [[nodiscard]] static WorkerPlan FromInput(std::string_view& input);
    void AppendTo(std::string& input) const;
};

// Turns a link worker over line for a bounded number of turns, on the line's clock, with the
// plan's job, then stops it, and checks what must hold whatever the readout said. exhausted
// says when the readout has nothing more to say; the run then ends soon. A broken invariant
// aborts.
// Returns whether the job ended (with no job: whether the readout was found).
bool RunWorker(const WorkerPlan& plan, FuzzLine& line, sim::ManualClock& clock,
               const std::function<bool()>& exhausted);

}  // namespace q417::fuzz
