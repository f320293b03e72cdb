// Texts of the result codes.
#include "comm/result_code.h"

#include <array>
#include <utility>

namespace xkiv {

namespace {

// The camera's own texts, misspellings included: hosts compare against them.
constexpr std::array<std::pair<ResultCode, const char*>, 19> kErrorTexts{{
    {rc::kOk, "No error detected."},
    {rc::kPortNotFound, "Not found the specified port."},
    {rc::kPortUnavailable, "Unavailable port specified."},
    {rc::kPortInUse,
     "Unable to use communication port.\nMake sure that no other programs are connected to this "
     "port."},
    {rc::kWriteFailed, "Function failed in writing the communicaiton port."},
    {rc::kReadFailed, "Function failed in reading the communication port."},
    {rc::kWriteTimeout, "Time out detected in writing the communicaiton port."},
    {rc::kReadTimeout, "Time out detected in reading the communicaiton port."},
    {rc::kOffline, "Operation failed. The camera is offline."},
    {rc::kTimeout, "Operation time out.\nPlease check the camera power and its cable."},
    {rc::kUnknownCommand, "Unkown command !!"},
    {rc::kBadParameter, "Bad Parameter !!"},
    {rc::kOutOfRange, "Out of data range."},
    {rc::kInvalidAnswer, "Invalid answer received from camera."},
    {rc::kInvalidArgument, "Invalid function parameter detected."},
    {rc::kReceivedOutOfRange, "Received data might be out of range."},
    {rc::kFileAccess, "Access failed on read/write file."},
    {rc::kUnmatchedFile, "Unmatched data file for this camera."},
    {rc::kCancelled, "Operation cancelled."},
}};

}  // namespace

std::string GetErrorText(ResultCode code) {
    for (const auto& [known, text] : kErrorTexts) {
        if (known == code) {
            return text;
        }
    }
    return "Unknown error detected.";
}

}  // namespace xkiv
