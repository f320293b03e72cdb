// Running a command on one camera, or on several cameras at once.
#pragma once

#include <string>

#include "tools/command_table.h"
#include "tools/session.h"

namespace xkiv::tools {

// How a camera's run ended: its exit status and, when it failed, why (the
// line it printed on stderr).
struct DeviceOutcome {
    int status = kExitOk;
    std::string why;
};

// Runs the command on the session's control, connected first when it needs
// the camera, and prints its output and failures to the session's console.
// Throws UsageError.
DeviceOutcome RunOnDevice(const Options& options, const Command& command, Session& session);

// Runs the command on every camera of options.devices at once, each on a
// control and connection of its own, and prints each camera's output once
// it and the cameras named before it have ended: text lines prefixed with
// the device, or one JSON object per device. Failures are summed up on
// stderr. The exit status is the highest of the cameras'. Throws
// UsageError, before any camera is touched, for a command that works on
// one camera only and for a file to be written whose name has neither
// {id} nor {device}.
int RunOnEveryDevice(const Options& options, const Command& command);

}  // namespace xkiv::tools
