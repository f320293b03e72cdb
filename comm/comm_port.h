// Serial-port transport: the camera on a serial device (class 0, "COM-Ports").
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "comm/comm_abstract.h"
#include "platform/hot_path.h"

namespace xkiv {

// Whether XKIV_SERIAL_PORTS names this run's serial ports (set, even empty):
// the list is then the user's choice, not the system's.
bool SerialPortsGivenForThisRun();

// A serial device at 9600 baud 8N1, raw, without flow control and with RTS
// off, used exclusively while open. Port names are device paths. The list is
// built once, when first asked for (a run that opens no port never scans the
// system's devices): the colon-separated paths of XKIV_SERIAL_PORTS when that
// variable was set at construction, else the colon-separated
// configuredDevices (the profile's "Comm"/"Devices") when not empty, else the
// serial devices the system reports, sorted; to the last two rememberedDevice
// (the device used last time) is added at the end when it is a character
// device they lack.
//
// Reads take whatever has arrived in one system call into a buffer of the
// port's own and hand it out from there, so that an exchange reading its
// answer byte by byte costs one poll and one read per burst of bytes.
class CCommPort final : public CCommAbstract {
public:
    explicit CCommPort(const std::string& configuredDevices = {},
                       const std::string& rememberedDevice = {});
    ~CCommPort() override;

    bool IsOpen() const override;
    int GetPortCount() const override;
    std::string GetPortName(int index) const override;
    std::string GetClassName() const override;
    [[nodiscard]] ResultCode Open(int index) override;
    std::error_code OpenError() const override { return openError_; }
    [[nodiscard]] ResultCode Close() override;
    [[nodiscard]] ResultCode Purge() override;
    std::int32_t GetBytesAvailable() override;
    [[nodiscard]] ResultCode Write(const std::uint8_t* bytes, std::size_t length,
                                   std::uint32_t timeoutMs) override;
    [[nodiscard]] ResultCode Read(std::uint8_t* buffer, std::size_t count, std::size_t& received,
                                  std::uint32_t timeoutMs) override;
    XKIV_HOT std::span<const std::uint8_t> ReadAhead() const override {
        return {received_.data() + start_, end_ - start_};
    }
    void TakeReadAhead(std::size_t count) override;

private:
    const std::vector<std::string>& Ports() const;
    // Moves up to count buffered bytes to buffer; returns how many.
    std::size_t TakeBuffered(std::uint8_t* buffer, std::size_t count);

    std::optional<std::string> environmentPorts_;
    std::string configuredDevices_;
    std::string rememberedDevice_;
    mutable std::optional<std::vector<std::string>> ports_;
    int fd_ = -1;
    std::error_code openError_;
    // Bytes read from the device and not yet handed out: [start_, end_).
    std::array<std::uint8_t, 512> received_{};
    std::size_t start_ = 0;
    std::size_t end_ = 0;
};

}  // namespace xkiv
