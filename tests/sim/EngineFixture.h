#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "ReadoutEngine.h"
#include "ReadoutMemory.h"
#include "TimeZoneGuard.h"

namespace q417::sim::testing {

inline constexpr std::int64_t kFixtureNow = 1767225600;  // 2026-01-01 00:00:00 UTC

// A default readout with 12 sites, its PC clock fixed at kFixtureNow (movable through now_),
// in UTC so that the clock replies are known.
class EngineFixture : public ::testing::Test {
  protected:
    EngineFixture()
        : zone_("UTC0"), engine_(ReadoutMemory::MakeDefault(12, now_), [this] { return now_; }) {}

    // Sends bytes to the readout and returns everything it answered.
    std::string Exchange(std::string_view bytes) {
        engine_.Receive(bytes);
        return engine_.TakeOutput();
    }

    TimeZoneGuard zone_;
    std::int64_t now_ = kFixtureNow;
    ReadoutEngine engine_;
};

// One record-write packet: 64 data bytes and their sum modulo 256.
inline std::string Packet(const std::string& data64, int checksumError = 0) {
    unsigned sum = 0;
    for (char c : data64) {
        sum += static_cast<unsigned char>(c);
    }
    return data64 + static_cast<char>((sum + static_cast<unsigned>(checksumError)) & 0xFF);
}

}  // namespace q417::sim::testing
