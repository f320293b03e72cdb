// Result codes of the transports and the camera layer, and their fixed texts.
#pragma once

#include <cstdint>
#include <string>

namespace xkiv {

// A result code: 0 is success, 1 to 7 come from the transports, 100 to 110
// from the camera layer. Failures inside the system travel as these codes;
// nothing is thrown across the camera or transport layers.
using ResultCode = std::int32_t;

namespace rc {
inline constexpr ResultCode kOk = 0;
inline constexpr ResultCode kPortNotFound = 1;       // no such port, or its library is missing
inline constexpr ResultCode kPortUnavailable = 2;    // the transport is not open
inline constexpr ResultCode kPortInUse = 3;          // the port cannot be used (busy, no access)
inline constexpr ResultCode kWriteFailed = 4;        // writing to the port failed
inline constexpr ResultCode kReadFailed = 5;         // reading from the port failed
inline constexpr ResultCode kWriteTimeout = 6;       // not every byte went out in time
inline constexpr ResultCode kReadTimeout = 7;        // fewer bytes than asked arrived in time
inline constexpr ResultCode kOffline = 100;          // the camera is offline; nothing was sent
inline constexpr ResultCode kTimeout = 101;          // no complete answer within the row's time-out
inline constexpr ResultCode kUnknownCommand = 102;   // the camera answered "Unknown Command!!"
inline constexpr ResultCode kBadParameter = 103;     // the camera answered "Bad Parameters!!"
inline constexpr ResultCode kOutOfRange = 104;       // a caller's argument is out of range
inline constexpr ResultCode kInvalidAnswer = 105;    // the answer has the wrong form
inline constexpr ResultCode kInvalidArgument = 106;  // a caller's argument is invalid
inline constexpr ResultCode kReceivedOutOfRange = 107;  // the camera's value is out of bounds
inline constexpr ResultCode kFileAccess = 108;          // a file could not be read or written
inline constexpr ResultCode kUnmatchedFile = 109;       // the file does not fit this camera
inline constexpr ResultCode kCancelled = 110;           // the user cancelled the operation
}  // namespace rc

// The fixed text of a result code, as every message box shows it.
std::string GetErrorText(ResultCode code);

}  // namespace xkiv
