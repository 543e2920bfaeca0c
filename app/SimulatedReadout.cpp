#include "SimulatedReadout.h"

#include <ctime>

#include "PtyRunner.h"
#include "ReadoutEngine.h"
#include "ReadoutMemory.h"

namespace q417 {

SimulatedReadout::SimulatedReadout(int siteCount)
    : engine_(std::make_unique<sim::ReadoutEngine>(
          sim::ReadoutMemory::MakeDefault(siteCount, static_cast<std::int64_t>(std::time(nullptr))),
          nullptr)),
      runner_(std::make_unique<sim::PtyRunner>(*engine_)) {}

SimulatedReadout::~SimulatedReadout() {
    Stop();
}

bool SimulatedReadout::Start(std::string& error) {
    if (!runner_->Open()) {
        error = runner_->LastError();
        return false;
    }
    thread_ = std::thread([runner = runner_.get()] { runner->Run(); });
    return true;
}

const std::string& SimulatedReadout::DevicePath() const {
    return runner_->DevicePath();
}

void SimulatedReadout::Stop() {
    if (thread_.joinable()) {
        runner_->RequestStop();
        thread_.join();
    }
}

}  // namespace q417
