// The events of the control's event interface: dispid, name and the row that fires each.
#pragma once

#include <span>

#include "platform/automation.h"

namespace xkiv {

// Events fired by the state notifications rather than by a row.
inline constexpr automation::DispId kEventOnlineStatusChanged = 1;
inline constexpr automation::DispId kEventSynchronizationStatusChanged = 2;
inline constexpr automation::DispId kEventSendingToCameraStatusChanged = 3;
inline constexpr automation::DispId kEventReceivingFromCameraStatusChanged = 4;
inline constexpr automation::DispId kEventCommPortChanged = 5;

// One event of the event interface. row is the parameter row whose value
// change fires it, or -1 for the five state events above. No event carries
// arguments.
struct EventEntry {
    automation::DispId dispid;
    const char* name;
    int row;
};

// Every event in dispid order, built from the member table.
std::span<const EventEntry> EventTable();

// The event a value change of row fires, or kDispidUnknown when the row has
// none (commands, local rows, the unlock code).
automation::DispId EventOfRow(int row);

}  // namespace xkiv
