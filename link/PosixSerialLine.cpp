#include "PosixSerialLine.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <optional>
#include <utility>

namespace q417 {
namespace {

// A write that cannot proceed for this long is given up: the line is stalled.
constexpr int kWriteStallMs = 1000;

std::optional<speed_t> TermiosSpeed(int baudRate) {
    static constexpr std::pair<int, speed_t> kSpeeds[] = {
        {1200, B1200},       {2400, B2400},       {4800, B4800},       {9600, B9600},
        {19200, B19200},     {38400, B38400},     {57600, B57600},     {115200, B115200},
        {230400, B230400},   {460800, B460800},   {500000, B500000},   {576000, B576000},
        {921600, B921600},   {1000000, B1000000}, {1500000, B1500000}, {2000000, B2000000},
        {3000000, B3000000}, {4000000, B4000000},
    };
    for (const auto& [rate, speed] : kSpeeds) {
        if (rate == baudRate) {
            return speed;
        }
    }
    return std::nullopt;
}

OpenFailure FailureFromErrno(int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTDIR:
            return OpenFailure::NoSuchDevice;
        case EACCES:
        case EPERM:
            return OpenFailure::PermissionDenied;
        case EBUSY:
        case EWOULDBLOCK:
            return OpenFailure::Busy;
        case ENOTTY:
            return OpenFailure::NotATerminal;
        default:
            return OpenFailure::Other;
    }
}

}  // namespace

bool PosixSerialLine::SupportsBaudRate(int baudRate) {
    return TermiosSpeed(baudRate).has_value();
}

PosixSerialLine::PosixSerialLine(DeviceResolver resolver) : resolver_(std::move(resolver)) {}

PosixSerialLine::~PosixSerialLine() {
    PortClose();
}

void PosixSerialLine::PortOpen(int portNumber, int baudRate) {
    PortClose();
    hungUp_ = false;
    lastErrno_ = 0;
    lastDevice_ = resolver_ ? resolver_(portNumber) : std::string();
    if (lastDevice_.empty()) {
        lastFailure_ = OpenFailure::NoSuchDevice;
        return;
    }
    const auto speed = TermiosSpeed(baudRate);
    if (!speed) {
        lastFailure_ = OpenFailure::UnsupportedBaud;
        return;
    }

    const int fd = ::open(lastDevice_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        lastErrno_ = errno;
        lastFailure_ = FailureFromErrno(lastErrno_);
        return;
    }
    auto fail = [&](int error) {
        lastErrno_ = error;
        lastFailure_ = FailureFromErrno(error);
        ::close(fd);
    };
    if (!::isatty(fd)) {
        fail(ENOTTY);
        return;
    }
    // TIOCEXCL keeps other programs out but does not bind root; the advisory lock covers
    // cooperating programs whatever their rights.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        fail(errno == EWOULDBLOCK ? EBUSY : errno);
        return;
    }
    ::ioctl(fd, TIOCEXCL);

    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        fail(errno);
        return;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS | CSIZE);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    // VMIN 1 with O_NONBLOCK: an empty line reads EAGAIN, so a read of 0 bytes means hang-up.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, *speed);
    ::cfsetospeed(&tio, *speed);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        fail(errno);
        return;
    }

    // USB adapters otherwise hold received bytes back for up to 16 ms. Not every driver offers
    // it (pseudo-terminals do not), so a refusal is fine.
    serial_struct serial{};
    if (::ioctl(fd, TIOCGSERIAL, &serial) == 0) {
        serial.flags |= ASYNC_LOW_LATENCY;
        ::ioctl(fd, TIOCSSERIAL, &serial);
    }

    ::tcflush(fd, TCIOFLUSH);
    fd_ = fd;
    lastFailure_ = OpenFailure::None;
}

bool PosixSerialLine::PortIsOpen() const {
    return fd_ >= 0;
}

void PosixSerialLine::PortClose() {
    if (fd_ >= 0) {
        // Exclusive mode belongs to the terminal, not to this descriptor: when another
        // descriptor keeps the device open (a pseudo-terminal's server does), it would outlive
        // the close and refuse our own next open.
        ::ioctl(fd_, TIOCNXCL);
        ::close(fd_);  // also releases the advisory lock
        fd_ = -1;
    }
}

void PosixSerialLine::MarkHungUp() {
    hungUp_ = true;
    PortClose();
}

int PosixSerialLine::PortRead(std::uint8_t* buffer, int maxCount) {
    if (fd_ < 0 || maxCount <= 0) {
        return 0;
    }
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, static_cast<size_t>(maxCount));
        if (n > 0) {
            return static_cast<int>(n);
        }
        if (n == 0) {
            MarkHungUp();  // end of file on a terminal: the device went away
            return 0;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            MarkHungUp();  // EIO after an unplug, or the other end of a pty closed
        }
        return 0;
    }
}

int PosixSerialLine::PortBytesWaiting() {
    if (fd_ < 0) {
        return 0;
    }
    int waiting = 0;
    if (::ioctl(fd_, FIONREAD, &waiting) != 0) {
        MarkHungUp();
        return 0;
    }
    return std::max(waiting, 0);
}

void PosixSerialLine::PortWrite(const std::uint8_t* buffer, int count) {
    std::size_t left = count > 0 ? static_cast<std::size_t>(count) : 0;
    while (fd_ >= 0 && left > 0) {
        const ssize_t n = ::write(fd_, buffer, left);
        if (n > 0) {
            buffer += n;
            left -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{fd_, POLLOUT, 0};
            const int ready = ::poll(&p, 1, kWriteStallMs);
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
                MarkHungUp();
            }
            if (ready <= 0 || (p.revents & POLLOUT) == 0) {
                return;  // stalled: drop the rest rather than hang the worker
            }
            continue;
        }
        MarkHungUp();
    }
}

void PosixSerialLine::PortPutChar(int byte) {
    const auto b = static_cast<std::uint8_t>(byte & 0xFF);
    PortWrite(&b, 1);
}

bool PosixSerialLine::WaitForInput(std::int64_t timeoutMs) {
    if (fd_ < 0) {
        return false;
    }
    if (PortBytesWaiting() > 0) {
        return true;
    }
    if (fd_ < 0) {
        return false;
    }
    pollfd p{fd_, POLLIN, 0};
    const int timeout = static_cast<int>(std::clamp<std::int64_t>(timeoutMs, 0, INT_MAX));
    int ready = 0;
    do {
        ready = ::poll(&p, 1, timeout);
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0) {
        return false;
    }
    if ((p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
        MarkHungUp();
        return false;
    }
    if (PortBytesWaiting() > 0) {
        return true;
    }
    // Readable with nothing to read: the terminal reports end of file, the device is gone.
    MarkHungUp();
    return false;
}

PortOpenFailure PosixSerialLine::LastOpenFailure() const {
    if (lastFailure_ == OpenFailure::None) {
        return {};
    }
    std::string text = (lastDevice_.empty() ? std::string("no device") : lastDevice_) + ": " +
                       OpenFailureText(lastFailure_);
    if (lastFailure_ == OpenFailure::Other && lastErrno_ != 0) {
        text += std::string(" (") + std::strerror(lastErrno_) + ")";
    }
    return {lastFailure_, text};
}

}  // namespace q417
