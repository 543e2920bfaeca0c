#pragma once

#include <memory>
#include <string>
#include <thread>

namespace q417 {

namespace sim {
class PtyRunner;
class ReadoutEngine;
}  // namespace sim

// A simulated readout served on a pseudo-terminal inside the program (--simulate), so the
// window can be tried without the hardware. The link opens its device like any serial port;
// the readout answers on a thread of its own.
class SimulatedReadout {
  public:
    explicit SimulatedReadout(int siteCount = 12);
    ~SimulatedReadout();
    SimulatedReadout(const SimulatedReadout&) = delete;
    SimulatedReadout& operator=(const SimulatedReadout&) = delete;

    // Creates the terminal and starts answering. False, with the reason in error, on failure.
    bool Start(std::string& error);
    // The device to open, e.g. /dev/pts/4.
    [[nodiscard]] const std::string& DevicePath() const;
    void Stop();

  private:
    std::unique_ptr<sim::ReadoutEngine> engine_;
    std::unique_ptr<sim::PtyRunner> runner_;
    std::thread thread_;
};

}  // namespace q417
