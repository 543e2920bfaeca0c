#pragma once

#include <functional>
#include <string>

#include "SerialLine.h"

namespace q417 {

// SerialLine on a POSIX terminal device: raw 8N1, no flow control, exclusive, non-blocking.
// Works with USB adapters, on-board UARTs and pseudo-terminals alike.
class PosixSerialLine final : public SerialLine {
  public:
    // Maps a port number to its device path (see PortDevicePath).
    using DeviceResolver = std::function<std::string(int portNumber)>;

    explicit PosixSerialLine(DeviceResolver resolver);
    ~PosixSerialLine() override;
    PosixSerialLine(const PosixSerialLine&) = delete;
    PosixSerialLine& operator=(const PosixSerialLine&) = delete;

    void PortOpen(int portNumber, int baudRate) override;
    [[nodiscard]] bool PortIsOpen() const override;
    void PortClose() override;
    int PortRead(std::uint8_t* buffer, int maxCount) override;
    [[nodiscard]] int PortBytesWaiting() override;
    void PortWrite(const std::uint8_t* buffer, int count) override;
    void PortPutChar(int byte) override;
    bool WaitForInput(std::int64_t timeoutMs) override;

    // True when the line can run at baudRate (a termios speed exists for it).
    [[nodiscard]] static bool SupportsBaudRate(int baudRate);

    // Why the last PortOpen failed, naming the device it tried.
    [[nodiscard]] PortOpenFailure LastOpenFailure() const override;

    // True when the port was closed because the device hung up or failed (unplugged adapter).
    [[nodiscard]] bool HungUp() const { return hungUp_; }

  private:
    void MarkHungUp();

    DeviceResolver resolver_;
    int fd_ = -1;
    bool hungUp_ = false;
    OpenFailure lastFailure_ = OpenFailure::None;
    int lastErrno_ = 0;
    std::string lastDevice_;  // the device the last PortOpen tried
};

}  // namespace q417
