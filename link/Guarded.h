#pragma once

#include <mutex>
#include <utility>

namespace q417 {

// A value that two threads share, read and written whole under its own lock.
template <typename T>
class Guarded {
  public:
    [[nodiscard]] T Get() const {
        std::lock_guard lock(mutex_);
        return value_;
    }
    void Set(T value) {
        std::lock_guard lock(mutex_);
        value_ = std::move(value);
    }

  private:
    mutable std::mutex mutex_;  // guards value_
    T value_{};
};

}  // namespace q417
