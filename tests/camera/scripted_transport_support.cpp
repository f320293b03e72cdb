// The scripted in-memory transport used by the exchange tests.
#include "tests/camera/scripted_transport.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace xkiv::test {

std::string ScriptedTransport::GetPortName(int index) const {
    return index >= 0 && index < portCount_ ? "scripted" + std::to_string(index) : "";
}

void ScriptedTransport::Reset() {
    open_ = false;
    purges_ = 0;
    closes_ = 0;
    nextWriteFailure_ = 0;
    written_.clear();
    replies_.clear();
    incoming_.clear();
}

ResultCode ScriptedTransport::Open(int index) {
    if (index < 0 || index >= portCount_) {
        return rc::kPortNotFound;
    }
    open_ = true;
    return rc::kOk;
}

ResultCode ScriptedTransport::Close() {
    open_ = false;
    ++closes_;
    return rc::kOk;
}

ResultCode ScriptedTransport::Purge() {
    if (!open_) {
        return rc::kPortUnavailable;
    }
    ++purges_;
    // Only what has already arrived is discarded; delayed segments are still
    // on their way.
    while (!incoming_.empty() && incoming_.front().delayMs == 0) {
        incoming_.pop_front();
    }
    return rc::kOk;
}

std::int32_t ScriptedTransport::GetBytesAvailable() {
    std::int32_t count = 0;
    for (const Segment& segment : incoming_) {
        if (segment.delayMs > 0) {
            break;
        }
        count += static_cast<std::int32_t>(segment.bytes.size());
    }
    return count;
}

ResultCode ScriptedTransport::Write(const std::uint8_t* bytes, std::size_t length,
                                    std::uint32_t /*timeoutMs*/) {
    if (!open_) {
        return rc::kPortUnavailable;
    }
    if (nextWriteFailure_ != 0) {
        return std::exchange(nextWriteFailure_, 0);
    }
    written_.emplace_back(reinterpret_cast<const char*>(bytes), length);
    if (!replies_.empty()) {
        for (Segment& segment : replies_.front()) {
            incoming_.push_back(std::move(segment));
        }
        replies_.pop_front();
    }
    return rc::kOk;
}

ResultCode ScriptedTransport::Read(std::uint8_t* buffer, std::size_t count, std::size_t& received,
                                   std::uint32_t timeoutMs) {
    received = 0;
    if (!open_) {
        return rc::kPortUnavailable;
    }
    if (count == 0) {
        return rc::kOk;
    }
    std::int64_t waited = 0;
    while (received < count && !incoming_.empty()) {
        Segment& next = incoming_.front();
        if (next.delayMs > 0) {
            const std::int64_t wait = std::min<std::int64_t>(next.delayMs, timeoutMs - waited);
            clock_.SleepMs(wait);
            waited += wait;
            next.delayMs -= wait;
            if (next.delayMs > 0) {
                return rc::kReadTimeout;
            }
        }
        const std::size_t take = std::min(count - received, next.bytes.size());
        std::memcpy(buffer + received, next.bytes.data(), take);
        received += take;
        next.bytes.erase(0, take);
        if (next.bytes.empty()) {
            incoming_.pop_front();
        }
    }
    if (received < count) {
        clock_.SleepMs(timeoutMs - waited);
        return rc::kReadTimeout;
    }
    return rc::kOk;
}

std::span<const std::uint8_t> ScriptedTransport::ReadAhead() const {
    if (!open_ || incoming_.empty() || incoming_.front().delayMs > 0) {
        return {};
    }
    const std::string& bytes = incoming_.front().bytes;
    return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}

void ScriptedTransport::TakeReadAhead(std::size_t count) {
    if (ReadAhead().empty()) {
        return;
    }
    std::string& bytes = incoming_.front().bytes;
    bytes.erase(0, std::min(count, bytes.size()));
    if (bytes.empty()) {
        incoming_.pop_front();
    }
}

}  // namespace xkiv::test
