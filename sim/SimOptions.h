#pragma once

#include <optional>
#include <string>
#include <vector>

#include "FaultPlan.h"

namespace q417::sim {

class ReadoutMemory;

// The command line of q417sim.
struct SimOptions {
    int sites = 12;
    std::string serial;  // empty: the self-consistent default serial
    std::string linkPath;
    std::string stateOut;
    int hangupAfter = -1;
    int erasedRecords = 0;  // the last site records read as erased memory
    int nanReadings = 0;    // sites whose newest stored reading is not a number
    FaultPlan faults;
    bool help = false;
    bool version = false;

    // Parses the arguments after the program name ("--name value" or "--name=value"). Returns
    // nothing and sets error for an unknown option, a missing or malformed value or a value out
    // of range.
    [[nodiscard]] static std::optional<SimOptions> Parse(const std::vector<std::string>& args,
                                                         std::string& error);
    [[nodiscard]] static std::string Usage();
    // Spoils memory as erasedRecords and nanReadings ask.
    void ApplyMemoryFaults(ReadoutMemory& memory) const;
};

}  // namespace q417::sim
