#include "LineTrace.h"

#include <cerrno>
#include <cstring>

namespace q417 {

LineTrace::LineTrace(const Clock& clock) : clock_(clock) {}

LineTrace::~LineTrace() {
    Stop();
}

bool LineTrace::Start(const std::string& path, std::string& error) {
    Stop();
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    std::lock_guard lock(mutex_);
    file_ = file;
    startMs_ = clock_.NowMs();
    lineOpen_ = false;
    active_.store(true, std::memory_order_release);
    return true;
}

void LineTrace::Stop() {
    active_.store(false, std::memory_order_release);
    std::lock_guard lock(mutex_);
    if (file_ == nullptr) {
        return;
    }
    EndOpenLine();
    std::fclose(file_);
    file_ = nullptr;
}

std::int64_t LineTrace::ElapsedMs() const {
    return clock_.NowMs() - startMs_;
}

void LineTrace::Bytes(TraceDirection direction, const std::uint8_t* data, int count) {
    if (!Active() || count <= 0) {
        return;
    }
    std::lock_guard lock(mutex_);
    if (file_ == nullptr) {
        return;
    }
    const std::int64_t now = ElapsedMs();
    std::string text;
    if (!lineOpen_ || openDirection_ != direction || now - lastBytesMs_ >= kMergeGapMs) {
        EndOpenLine();
        text = std::to_string(now) + (direction == TraceDirection::ToReadout ? " > " : " < ");
        lineOpen_ = true;
        openDirection_ = direction;
    }
    lastBytesMs_ = now;
    text += Escape(data, count);
    Write(text);
}

void LineTrace::Event(char mark, std::string_view text) {
    if (!Active()) {
        return;
    }
    std::lock_guard lock(mutex_);
    if (file_ == nullptr) {
        return;
    }
    EndOpenLine();
    std::string line = std::to_string(ElapsedMs()) + ' ' + mark + ' ';
    line += text;
    line += '\n';
    Write(line);
}

void LineTrace::EndOpenLine() {
    if (lineOpen_) {
        lineOpen_ = false;
        Write("\n");
    }
}

void LineTrace::Write(std::string_view text) {
    // Flushed at once: the trace is for the run that went wrong, and that one may not end well.
    std::fwrite(text.data(), 1, text.size(), file_);
    std::fflush(file_);
}

std::string LineTrace::Escape(const std::uint8_t* data, int count) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const std::uint8_t b = data[i];
        switch (b) {
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                if (b >= 0x20 && b < 0x7f) {
                    out += static_cast<char>(b);
                } else {
                    out += "\\x";
                    out += kHex[b >> 4];
                    out += kHex[b & 0x0f];
                }
        }
    }
    return out;
}

}  // namespace q417
