#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace q417::bench {

// Reads the resident set size (VmRSS of /proc/PID/status) of this process and of another one
// every period on a thread of its own, from Start until Stop.
class RssSampler {
  public:
    struct Sample {
        double seconds = 0;  // since Start
        double selfMb = 0;
        double otherMb = 0;  // 0 when the other process could not be read
    };

    RssSampler(pid_t other, std::chrono::milliseconds period, std::size_t expectedSamples);
    ~RssSampler();
    RssSampler(const RssSampler&) = delete;
    RssSampler& operator=(const RssSampler&) = delete;

    void Start();
    void Stop();
    // Every sample taken; call after Stop.
    [[nodiscard]] const std::vector<Sample>& Samples() const { return samples_; }

    // VmRSS of /proc/PID/status in MiB ("self" for this process); 0 when unreadable.
    [[nodiscard]] static double ResidentMb(const char* pid);

  private:
    void Run();

    const pid_t other_;
    const std::chrono::milliseconds period_;
    std::mutex mutex_;  // guards stop_ and samples_ while the thread runs
    std::condition_variable wake_;
    bool stop_ = false;
    std::vector<Sample> samples_;
    std::thread thread_;
};

}  // namespace q417::bench
