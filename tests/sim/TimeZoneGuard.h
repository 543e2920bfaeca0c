#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace q417::sim::testing {

// Sets the process's time zone for one test and restores the previous one afterwards, so that
// local-time results do not depend on the machine running the tests.
class TimeZoneGuard {
  public:
    explicit TimeZoneGuard(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            previous_ = old;
        }
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~TimeZoneGuard() {
        if (previous_) {
            ::setenv("TZ", previous_->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }
    TimeZoneGuard(const TimeZoneGuard&) = delete;
    TimeZoneGuard& operator=(const TimeZoneGuard&) = delete;

  private:
    std::optional<std::string> previous_;
};

// Central European time with its daylight-saving rule, written out so no zone database is needed.
inline constexpr char kZoneWithDaylightSaving[] = "CET-1CEST,M3.5.0,M10.5.0/3";

}  // namespace q417::sim::testing
