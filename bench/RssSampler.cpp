#include "RssSampler.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace q417::bench {

RssSampler::RssSampler(pid_t other, std::chrono::milliseconds period, std::size_t expectedSamples)
    : other_(other), period_(period) {
    samples_.reserve(expectedSamples);  // grown up front, so the samples do not show in them
}

RssSampler::~RssSampler() {
    Stop();
}

double RssSampler::ResidentMb(const char* pid) {
    const std::string path = std::string("/proc/") + pid + "/status";
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) {
        return 0;
    }
    char line[256];
    double mb = 0;
    while (std::fgets(line, sizeof line, file) != nullptr) {
        long kb = 0;
        if (std::sscanf(line, "VmRSS: %ld kB", &kb) == 1) {
            mb = static_cast<double>(kb) / 1024.0;
            break;
        }
    }
    std::fclose(file);
    return mb;
}

void RssSampler::Start() {
    thread_ = std::thread([this] { Run(); });
}

void RssSampler::Stop() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void RssSampler::Run() {
    const auto start = std::chrono::steady_clock::now();
    const std::string other = std::to_string(other_);
    std::unique_lock lock(mutex_);
    while (!stop_) {
        lock.unlock();
        Sample sample;
        sample.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        sample.selfMb = ResidentMb("self");
        sample.otherMb = other_ > 0 ? ResidentMb(other.c_str()) : 0;
        lock.lock();
        samples_.push_back(sample);
        wake_.wait_for(lock, period_, [this] { return stop_; });
    }
}

}  // namespace q417::bench
