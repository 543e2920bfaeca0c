#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

#include "Clock.h"

namespace q417 {

// Which way bytes crossed the serial line.
enum class TraceDirection { ToReadout, FromReadout };

// A support trace of the serial line, one event a line, written and flushed as it happens so a
// crash keeps everything before it:
//   "125 > W\r"           bytes to the readout, at 125 ms since the trace started
//   "131 < \x06\r\n"      bytes from the readout
//   "640 = IDLE -> DOWNLOAD"  a change of the link worker's state
// Bytes going the same way within kMergeGapMs of the last ones extend the open line (so a reply
// read a byte at a time is one line); a change of direction, a pause or any other event starts
// a new one. Started and stopped on one thread while another writes; while stopped, the only
// cost to a writer is one atomic test.
class LineTrace {
  public:
    static constexpr std::int64_t kMergeGapMs = 20;

    // clock gives the milliseconds; it must outlive the trace.
    explicit LineTrace(const Clock& clock);
    ~LineTrace();
    LineTrace(const LineTrace&) = delete;
    LineTrace& operator=(const LineTrace&) = delete;

    // Starts a trace into path (replaced when it exists); a running one is stopped first.
    // False, with error saying why, when the file cannot be opened: the trace stays off.
    bool Start(const std::string& path, std::string& error);
    void Stop();
    [[nodiscard]] bool Active() const { return active_.load(std::memory_order_acquire); }

    void Bytes(TraceDirection direction, const std::uint8_t* data, int count);
    // A line of its own: "<ms> <mark> <text>".
    void Event(char mark, std::string_view text);

    // Printable ASCII as it is (the backslash doubled); CR, LF and TAB as \r, \n and \t; every
    // other byte as \xhh.
    [[nodiscard]] static std::string Escape(const std::uint8_t* data, int count);

  private:
    // The caller holds mutex_.
    void EndOpenLine();
    void Write(std::string_view text);
    [[nodiscard]] std::int64_t ElapsedMs() const;

    const Clock& clock_;
    std::atomic<bool> active_{false};
    std::mutex mutex_;  // guards file_, startMs_, openDirection_, lastBytesMs_
    std::FILE* file_ = nullptr;
    std::int64_t startMs_ = 0;
    bool lineOpen_ = false;  // the last line ends in bytes that may be extended
    TraceDirection openDirection_ = TraceDirection::ToReadout;
    std::int64_t lastBytesMs_ = 0;
};

}  // namespace q417
