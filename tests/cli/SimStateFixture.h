#pragma once

// End-to-end runs of the real q417cli against q417sim, with the readout's memory read back from
// the state file the simulator writes when it is stopped.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ChildProcess.h"
#include "JsonText.h"
#include "TempDir.h"

namespace q417::cli::testing {

class SimStateFixture : public ::testing::Test {
  protected:
    explicit SimStateFixture(const std::string& folderPrefix)
        : dir_(folderPrefix), state_(dir_.Path("state.json")) {}

    // Stops the simulator and reads the memory it wrote on the way out.
    test::Json FinalState(test::SimProcess& sim) {
        EXPECT_EQ(sim.Stop(), 0);
        const std::string text = test::ReadFileBytes(state_);
        const test::Json json = test::ParseJson(text);
        EXPECT_FALSE(json.is_discarded()) << text.substr(0, 300);
        return json.is_discarded() ? test::Json::object() : json;
    }

    // q417cli with args, on the simulator's device.
    static test::ProgramResult Cli(test::SimProcess& sim, std::vector<std::string> args) {
        args.insert(args.begin(), {"--device", sim.Device()});
        return test::RunProgram(Q417CLI_PATH, args);
    }

    test::TempDir dir_;
    std::string state_;  // the simulator's --state-out file
};

}  // namespace q417::cli::testing
