#pragma once

#include <cstdlib>
#include <ctime>

namespace q417::fuzz {

// The link reads the readout's clock as the PC's local time. The targets run in UTC, where
// every valid clock is one second and back, whatever zone the machine is in.
inline void UseUtc() {
    static const bool done = [] {
        ::setenv("TZ", "UTC0", 1);
        ::tzset();
        return true;
    }();
    (void)done;
}

}  // namespace q417::fuzz
