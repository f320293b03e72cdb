// An in-memory transport that answers written lines from a script, on a manual clock.
#pragma once

#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <vector>

#include "comm/comm_abstract.h"
#include "tests/support/manual_clock.h"

namespace xkiv::test {

// Plays the camera's side of the line: each written line releases the next
// queued reply, whose segments arrive after their delays on the manual clock.
// A read that finds nothing to deliver lets its whole time-out pass.
class ScriptedTransport final : public CCommAbstract {
public:
    struct Segment {
        std::string bytes;
        std::int64_t delayMs = 0;
    };

    explicit ScriptedTransport(ManualClock& clock, int portCount = 1)
        : clock_(clock), portCount_(portCount) {}

    void QueueReply(std::string bytes) { replies_.push_back({{std::move(bytes), 0}}); }
    void QueueReply(std::vector<Segment> segments) { replies_.push_back(std::move(segments)); }
    void QueueSilence() { replies_.push_back({}); }

    const std::vector<std::string>& Written() const { return written_; }
    int PurgeCount() const { return purges_; }
    int CloseCount() const { return closes_; }
    // The next Write fails with this code (once).
    void FailNextWrite(ResultCode code) { nextWriteFailure_ = code; }
    // Forgets every reply, byte and write, as a transport just made.
    void Reset();

    bool IsOpen() const override { return open_; }
    int GetPortCount() const override { return portCount_; }
    std::string GetPortName(int index) const override;
    std::string GetClassName() const override { return "Scripted"; }
    ResultCode Open(int index) override;
    ResultCode Close() override;
    ResultCode Purge() override;
    std::int32_t GetBytesAvailable() override;
    ResultCode Write(const std::uint8_t* bytes, std::size_t length,
                     std::uint32_t timeoutMs) override;
    ResultCode Read(std::uint8_t* buffer, std::size_t count, std::size_t& received,
                    std::uint32_t timeoutMs) override;
    // The segment that has arrived (no delay left), as a serial port holds
    // what it read ahead.
    std::span<const std::uint8_t> ReadAhead() const override;
    void TakeReadAhead(std::size_t count) override;

private:
    ManualClock& clock_;
    int portCount_;
    bool open_ = false;
    int purges_ = 0;
    int closes_ = 0;
    ResultCode nextWriteFailure_ = 0;
    std::vector<std::string> written_;
    std::deque<std::vector<Segment>> replies_;
    std::deque<Segment> incoming_;
};

}  // namespace xkiv::test
