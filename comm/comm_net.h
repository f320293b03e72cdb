// Network transport: the camera's serial line behind ser2net or a serial device server (class 2).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "comm/comm_abstract.h"
#include "comm/network_address.h"
#include "comm/poll_deadline.h"
#include "comm/telnet_codec.h"

namespace xkiv {

// A TCP connection to a network serial port, named tcp://HOST:PORT (raw
// bytes) or rfc2217://HOST:PORT (Telnet with the COM-PORT option, which sets
// the far port to 9600 baud 8N1 without flow control). Host names resolve
// through the system resolver; IPv6 addresses are written in brackets.
//
// Open connects within kConnectTimeoutMs: 1 for a name that is no valid
// address or a host that cannot be resolved, 3 when the connection is
// refused, does not come up in time or the far end refuses the COM-PORT
// option. A connection that drops is a failed read (5) or write (4), as a
// pulled cable is on a serial port; opening again connects anew. Received
// bytes are read from the socket in chunks into a buffer that Read serves
// from, so that the byte-wise reads of the exchange cost no system call.
class CCommNet final : public CCommAbstract {
public:
    // As long as a silent port takes to fail in the port search (the model
    // query's time-out), so that a dead address does not slow it more.
    static constexpr std::uint32_t kConnectTimeoutMs = 1000;

    explicit CCommNet(std::vector<std::string> addresses = {});
    ~CCommNet() override;

    bool IsOpen() const override;
    int GetPortCount() const override;
    std::string GetPortName(int index) const override;
    std::string GetClassName() const override;
    [[nodiscard]] ResultCode Open(int index) override;
    // Why the last Open failed: the resolver's, the connection's or the
    // negotiation's reason; empty after a successful one.
    std::error_code OpenError() const override { return openError_; }
    [[nodiscard]] ResultCode Close() override;
    [[nodiscard]] ResultCode Purge() override;
    std::int32_t GetBytesAvailable() override;
    [[nodiscard]] ResultCode Write(const std::uint8_t* bytes, std::size_t length,
                                   std::uint32_t timeoutMs) override;
    [[nodiscard]] ResultCode Read(std::uint8_t* buffer, std::size_t count, std::size_t& received,
                                  std::uint32_t timeoutMs) override;
    std::span<const std::uint8_t> ReadAhead() const override {
        return {buffer_.data() + readAt_, Buffered()};
    }
    void TakeReadAhead(std::size_t count) override { readAt_ += std::min(count, Buffered()); }

    // Adds an address at the end of the list; its index, also when it is
    // listed already.
    int AddPort(const std::string& address);
    // Removes the index-th address; closes the connection when it is the
    // one open. False outside 0..count-1.
    bool RemovePort(int index);

private:
    // The outcome of taking in what arrived.
    enum class Intake { Data, Nothing, Closed };

    ResultCode Connect(const NetworkAddress& address, SteadyClock::time_point deadline);
    ResultCode Negotiate(std::uint32_t timeoutMs);
    // Waits up to waitMs for the socket to be readable and takes in one
    // chunk: its data bytes go to the buffer, Telnet replies go out.
    Intake Receive(int waitMs);
    // Sends bytes as they are (already escaped) within timeoutMs.
    ResultCode SendRaw(const std::uint8_t* bytes, std::size_t length, std::uint32_t timeoutMs);
    std::size_t Buffered() const { return buffer_.size() - readAt_; }

    std::vector<std::string> ports_;
    int fd_ = -1;
    int openIndex_ = -1;
    std::error_code openError_;
    bool broken_ = false;                  // the far end closed or reset the connection
    std::unique_ptr<TelnetCodec> telnet_;  // only on an rfc2217:// connection
    std::vector<std::uint8_t> buffer_;     // data bytes received and not yet read
    std::size_t readAt_ = 0;
};

}  // namespace xkiv
