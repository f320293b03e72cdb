// The protocol trace: lines that cross the link, as text decoded from the parameter and property
// tables.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "camera/link_traffic.h"
#include "camera/parameter_table.h"

namespace xkiv {

// The name a row goes by for the user: the property that holds its value
// (MasterGain for GA), else the row's display name ("One Push AWB By Gain").
std::string RowName(int row);

// A row's value as the user reads it: a text row's text in double quotes
// (non-printable bytes escaped); a number followed by the name of that value
// in brackets when the row names its values: 1 (Shutter Select).
std::string DescribeValue(int row, std::string_view value, const ParameterValues& values);

// One traced line without its time stamp: the direction ("->" written, "<-"
// read), the line as it crossed (line end removed, other non-printable bytes
// escaped as \r, \n, \t or \xHH, a backslash doubled), then what it means:
//   -> GA=802         MasterGain := 802
//   -> TM?            TriggerMode ?
//   <- TM=1           TriggerMode = 1 (Shutter Select)
//   <- Bad Parameters!!   103 "Bad Parameter !!"
// An indexed row shows its index in brackets (AberrationLeftSidePixelRed[1]);
// a failed write, a rejection, an answer of the wrong form and a wait that
// ended without a whole line show the result code and its fixed text.
// values supply the value names.
std::string DescribeTraffic(const LinkTraffic& traffic, const ParameterValues& values);

// The local wall-clock time as HH:MM:SS.mmm.
std::string TraceTimeStamp(std::chrono::system_clock::time_point when);

}  // namespace xkiv
