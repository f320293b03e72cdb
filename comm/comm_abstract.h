// The interface every transport to the camera's serial command channel implements.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <system_error>

#include "comm/result_code.h"

namespace xkiv {

// One transport class (serial ports, Camera Link serial channels) with its
// list of port names, built once at construction. At most one port is open at
// a time; calls are blocking and made from one thread.
class CCommAbstract {
public:
    CCommAbstract() = default;
    CCommAbstract(const CCommAbstract&) = delete;
    CCommAbstract& operator=(const CCommAbstract&) = delete;
    // Implementations close what is open.
    virtual ~CCommAbstract() = default;

    virtual bool IsOpen() const = 0;
    virtual int GetPortCount() const = 0;
    // The index-th port name, or the empty text outside 0..count-1.
    virtual std::string GetPortName(int index) const = 0;
    virtual std::string GetClassName() const = 0;
    // Closes what is open, then opens port index: 0, 1 (no such port or
    // library missing) or 3 (the port cannot be used).
    [[nodiscard]] virtual ResultCode Open(int index) = 0;
    // Why the last Open failed as the system tells it (no such device,
    // permission denied, busy); empty when it succeeded or the transport
    // cannot tell.
    virtual std::error_code OpenError() const { return {}; }
    // Closes the port; harmless when nothing is open. Always 0.
    [[nodiscard]] virtual ResultCode Close() = 0;
    // Discards whatever arrived and was not read: 0, or 2 when closed.
    [[nodiscard]] virtual ResultCode Purge() = 0;
    // Number of received bytes waiting; 0 when closed.
    virtual std::int32_t GetBytesAvailable() = 0;
    // Sends all bytes: 0, 2 (not open), 4 (failure) or 6 (time-out).
    [[nodiscard]] virtual ResultCode Write(const std::uint8_t* bytes, std::size_t length,
                                           std::uint32_t timeoutMs) = 0;
    // Receives up to count bytes and reports how many arrived in received:
    // 0, 2 (not open), 5 (failure) or 7 (fewer than count within timeoutMs).
    [[nodiscard]] virtual ResultCode Read(std::uint8_t* buffer, std::size_t count,
                                          std::size_t& received, std::uint32_t timeoutMs) = 0;
    // The bytes that have arrived and that Read would hand out next without
    // waiting: what the transport has read ahead. Looking costs neither a
    // system call nor a look at the clock. Empty for a transport that reads
    // nothing ahead; valid until the next call on the transport.
    virtual std::span<const std::uint8_t> ReadAhead() const { return {}; }
    // Hands out the first count bytes of ReadAhead() (at most all of them),
    // as Read would have.
    virtual void TakeReadAhead(std::size_t /*count*/) {}
};

}  // namespace xkiv
