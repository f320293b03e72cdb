// LinkTraffic: one line as it crossed the link to the camera, for whoever traces the exchange.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "comm/result_code.h"

namespace xkiv {

// What the camera object reports to a link observer: every command line it
// writes and every answer it collects, quiet rows included, in wire order.
struct LinkTraffic {
    enum class Kind {
        Command,   // a line written; result is the write's result code
        Answer,    // a whole answer line, judged as its exchange judges it
        NoAnswer,  // the wait for an answer ended without a whole line
    };
    Kind kind = Kind::Command;
    // The bytes as written or read, line end included; for NoAnswer the
    // bytes that did arrive (possibly none).
    std::string_view bytes;
    // Answer: the mnemonic a query's answer must start with; null for the
    // answer to a set, which must read "COMPLETE".
    const char* expectedName = nullptr;
    // Command: the write's result. NoAnswer: what the exchange returns (101
    // for a time-out or a failed read, 105 for a line too long to be an answer).
    ResultCode result = rc::kOk;
    // NoAnswer: the transport's code that ended the wait (0 when the time ran
    // out between reads) and the time-out that was waited for.
    ResultCode transportResult = rc::kOk;
    std::uint32_t timeoutMs = 0;
};

// Called synchronously on the exchanging thread; the bytes are valid only
// during the call.
using LinkObserver = std::function<void(const LinkTraffic&)>;

}  // namespace xkiv
