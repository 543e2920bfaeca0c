// The POSIX serial line on a pseudo-terminal: data both ways, waits, exclusive opening, the
// reasons an open fails, and a hang-up closing the port instead of leaving it spinning.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "PortDevice.h"
#include "PosixSerialLine.h"

namespace q417 {
namespace {

// The controlling side of a pseudo-terminal; the line under test opens the other side.
class Pty {
  public:
    Pty() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0) {
            device_ = ptsname(master_);
        }
    }
    ~Pty() { Close(); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    [[nodiscard]] const std::string& Device() const { return device_; }
    void Write(const std::string& bytes) const {
        ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    [[nodiscard]] std::string Read(std::size_t count) const {
        std::string out;
        while (out.size() < count) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 2000) <= 0) {
                break;
            }
            char buffer[256];
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            out.append(buffer, static_cast<std::size_t>(n));
        }
        return out;
    }
    void Close() {
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }

  private:
    int master_ = -1;
    std::string device_;
};

PosixSerialLine LineFor(const std::string& device) {
    return PosixSerialLine([device](int) { return device; });
}

TEST(SerialLineTest, DataBothWaysOnAPseudoTerminal) {
    Pty pty;
    ASSERT_FALSE(pty.Device().empty());
    PosixSerialLine line = LineFor(pty.Device());
    line.PortOpen(1, 115200);
    ASSERT_TRUE(line.PortIsOpen()) << line.LastOpenFailure().text;
    EXPECT_EQ(line.LastOpenFailure().reason, OpenFailure::None);

    // Raw mode: CR, LF and 8-bit bytes pass unchanged both ways.
    const std::string toReadout = std::string("WE 28 05\r\n") + '\xff' + '\0' + '\x11';
    line.PortWrite(reinterpret_cast<const std::uint8_t*>(toReadout.data()),
                   static_cast<int>(toReadout.size()));
    line.PortPutChar(0x13);
    EXPECT_EQ(pty.Read(toReadout.size() + 1), toReadout + '\x13');

    EXPECT_EQ(line.PortBytesWaiting(), 0);
    std::uint8_t buffer[16];
    EXPECT_EQ(line.PortRead(buffer, sizeof buffer), 0);  // nothing there: returns at once
    EXPECT_TRUE(line.PortIsOpen());

    pty.Write(std::string("F 2.14\r\n") + '\x80');
    ASSERT_TRUE(line.WaitForInput(2000));
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (got.size() < 9 && std::chrono::steady_clock::now() < deadline &&
           line.WaitForInput(2000)) {
        const int n = line.PortRead(buffer, sizeof buffer);
        ASSERT_GE(n, 0);
        got.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(n));
    }
    EXPECT_EQ(got, std::string("F 2.14\r\n") + '\x80');
}

TEST(SerialLineTest, WaitForInputTimesOutWhenQuiet) {
    Pty pty;
    PosixSerialLine line = LineFor(pty.Device());
    line.PortOpen(1, 9600);
    ASSERT_TRUE(line.PortIsOpen());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(line.WaitForInput(50));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(45));
    EXPECT_TRUE(line.PortIsOpen());
}

TEST(SerialLineTest, HangUpClosesThePort) {
    Pty pty;
    PosixSerialLine line = LineFor(pty.Device());
    line.PortOpen(1, 115200);
    ASSERT_TRUE(line.PortIsOpen());
    pty.Close();  // the adapter is pulled out
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(line.WaitForInput(5000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_FALSE(line.PortIsOpen());
    EXPECT_TRUE(line.HungUp());
    EXPECT_EQ(line.PortBytesWaiting(), 0);
    std::uint8_t b = 0;
    EXPECT_EQ(line.PortRead(&b, 1), 0);
    line.PortPutChar('x');  // writing to a closed port is harmless
}

TEST(SerialLineTest, SecondOpenOfTheSameDeviceIsBusy) {
    Pty pty;
    PosixSerialLine first = LineFor(pty.Device());
    PosixSerialLine second = LineFor(pty.Device());
    first.PortOpen(1, 115200);
    ASSERT_TRUE(first.PortIsOpen());
    second.PortOpen(1, 115200);
    EXPECT_FALSE(second.PortIsOpen());
    EXPECT_EQ(second.LastOpenFailure().reason, OpenFailure::Busy);
    first.PortClose();
    second.PortOpen(1, 115200);
    EXPECT_TRUE(second.PortIsOpen());
}

TEST(SerialLineTest, OpenFailureReasons) {
    PosixSerialLine missing = LineFor("/dev/ttyUSB-does-not-exist");
    missing.PortOpen(1, 115200);
    EXPECT_FALSE(missing.PortIsOpen());
    EXPECT_EQ(missing.LastOpenFailure().reason, OpenFailure::NoSuchDevice);
    EXPECT_EQ(missing.LastOpenFailure().text, "/dev/ttyUSB-does-not-exist: no such device");

    char path[] = "/tmp/q417-not-a-tty-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    PosixSerialLine file = LineFor(path);
    file.PortOpen(1, 115200);
    EXPECT_EQ(file.LastOpenFailure().reason, OpenFailure::NotATerminal);
    ::unlink(path);

    Pty pty;
    PosixSerialLine odd = LineFor(pty.Device());
    odd.PortOpen(1, 12345);
    EXPECT_EQ(odd.LastOpenFailure().reason, OpenFailure::UnsupportedBaud);
    EXPECT_FALSE(odd.PortIsOpen());

    PosixSerialLine unnamed([](int) { return std::string(); });
    unnamed.PortOpen(1, 115200);
    EXPECT_EQ(unnamed.LastOpenFailure().reason, OpenFailure::NoSuchDevice);
}

TEST(SerialLineTest, PermissionDeniedIsReportedAsSuch) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root opens any device";
    }
    Pty pty;
    ASSERT_EQ(::chmod(pty.Device().c_str(), 0), 0);
    PosixSerialLine line = LineFor(pty.Device());
    line.PortOpen(1, 115200);
    EXPECT_EQ(line.LastOpenFailure().reason, OpenFailure::PermissionDenied);
}

TEST(PortDeviceTest, ConfiguredPathOrUsbAdapterByNumber) {
    const PortDeviceTable configured = {{2, "/dev/serial/by-id/usb-Widgetco_UART_0001-if00"},
                                        {3, ""}};
    EXPECT_EQ(PortDevicePath(1, configured), "/dev/ttyUSB0");
    EXPECT_EQ(PortDevicePath(2, configured), "/dev/serial/by-id/usb-Widgetco_UART_0001-if00");
    EXPECT_EQ(PortDevicePath(3, configured), "/dev/ttyUSB2");
    EXPECT_EQ(PortDevicePath(20, {}), "/dev/ttyUSB19");
    EXPECT_EQ(PortDevicePath(0, configured), "");
    EXPECT_EQ(PortDevicePath(-1, configured), "");
}

}  // namespace
}  // namespace q417
