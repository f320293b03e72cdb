// The properties of the control's dispatch interface as data: dispid, name, type, row, get and set.
#pragma once

#include <cstdint>
#include <span>

#include "platform/automation.h"

namespace xkiv {

// How a property get answers; never from the camera, always from the
// camera object's current values.
enum class GetKind {
    Value,      // the row's integer value
    Text,       // the row's display text (text value or name of the value)
    Position,   // position of the value among the row's offered names
    PanelFlag,  // true when the panel's show flag is set
    CommClass,  // communication class of the camera object
    CommPort,   // communication port of the camera object
};

// How a property set treats the new value. Each family is one algorithm in
// the control; the table says which family a property belongs to.
enum class SetFamily {
    ReadOnly,          // every set fails with 0x800A017F
    List,              // clamp into 0..offered names - 1, beyond that the fixed maximum
    Rule,              // clamp into the row's conditional bounds
    Fixed,             // clamp into the row's fixed bounds
    LeftSide,          // clamp into -3..3
    AberrationDetail,  // clamp into the bounds the other rows of the colour give
    Local,             // as List, but the camera never receives the value
    Text,              // set from text through the camera object
    Position,          // set by list position through the camera object
    UserId,            // unlock, then send at most 12 characters
    Panel,             // show or hide a panel
};

// What a set does after the common steps.
enum class FollowUp {
    None,
    Green,       // reread red and blue exposure when they are interlocked
    Aberration,  // reread the aberration detail rows of the new selection
};

// One property. row is the parameter row (-1 for none); panel the panel
// number of the panel family (-1 otherwise). supportedOnly: the value is
// written only while the camera supports the row; otherwise it is stored
// and reported without an exchange.
struct PropertyEntry {
    automation::DispId dispid;
    const char* name;
    automation::ParamType type;
    int row;
    int panel;
    GetKind get;
    SetFamily set;
    bool supportedOnly;
    FollowUp followUp;
    const char* help;
};

// Every property in dispid order, built from the member table.
std::span<const PropertyEntry> PropertyTable();
// The property of a dispid, or null.
const PropertyEntry* FindProperty(automation::DispId dispid);

}  // namespace xkiv
