#pragma once

#include <QTest>
#include <functional>

#include "CReadoutLink.h"
#include "FakeLine.h"
#include "LinkDispatcher.h"
#include "ManualClock.h"
#include "ReadoutContext.h"
#include "ReadoutEngine.h"

namespace q417::test {

inline constexpr std::int64_t kNow = 1796742245;  // 2026-12-08 15:04:05 UTC
inline constexpr int kWaitMs = 20000;

// The link's worker on the simulated readout, reporting to a dispatcher on the test's thread,
// as the readout windows find it in the program. The clock runs 100 times faster than real time.
class LinkOnSimulator {
  public:
    // setup prepares the readout's memory before the link starts.
    explicit LinkOnSimulator(int sites = 4,
                             const std::function<void(sim::ReadoutMemory&)>& setup = {})
        : engine{Memory(sites, setup), [this] { return clock.CalendarSeconds(); }} {
        clock.SetRealSleepDivisor(100);
        link.Start(dispatcher);
    }
    ~LinkOnSimulator() { link.Stop(); }

    // True once the link has read the readout and its job slot is free.
    [[nodiscard]] bool WaitConnected() {
        return QTest::qWaitFor(
            [this] { return link.Settings().connected != 0 && !link.JobPending(); }, kWaitMs);
    }
    // The link's job slot is free again (the job ran and its message was posted).
    [[nodiscard]] bool WaitIdle() {
        return QTest::qWaitFor([this] { return !link.JobPending(); }, kWaitMs);
    }

    [[nodiscard]] ReadoutContext Context() {
        return {link, dispatcher, [this] { return clock.CalendarSeconds(); }};
    }

    sim::ManualClock clock{kNow};
    sim::ReadoutEngine engine;
    sim::FakeLine line{clock, engine};
    LinkDispatcher dispatcher;
    CReadoutLink link{line, clock};

  private:
    static sim::ReadoutMemory Memory(int sites,
                                     const std::function<void(sim::ReadoutMemory&)>& setup) {
        sim::ReadoutMemory memory = sim::ReadoutMemory::MakeDefault(sites, kNow);
        if (setup) {
            setup(memory);
        }
        return memory;
    }
};

}  // namespace q417::test
