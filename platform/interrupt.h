// A process-wide interrupt request: set from a signal handler, seen by every wait for a device.
#pragma once

namespace xkiv {

// Asks the exchange in progress to end and no new one to start. Safe to call
// from a signal handler.
void RequestInterrupt();
bool InterruptRequested();
void ClearInterrupt();

}  // namespace xkiv
