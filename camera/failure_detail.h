// The one line that names the culprit of a failure, shown beside the result code's fixed text.
#pragma once

#include <string>

#include "camera/camera.h"
#include "camera/parameter_table.h"

namespace xkiv {

// The culprit and the reason, as a user reads them next to the code's text:
//   /dev/ttyUSB9: No such file or directory
//   /dev/ttyUSB0: Device or resource busy (held by process 1234 (xkivctl))
//   line4.cam: key "Gain" in [Master] is missing or invalid
//   line4.cam: not a settings file of the RZ-130LX/... cameras
// Empty when the cause names nothing.
std::string FailureDetail(const FailureCause& cause);

// A value a property refused as no value of its own, named as the user wrote
// it: TriggerMode: "pwcx" is not one of No Shutter (0), Shutter Select (1),
// PWC (2). row is the property's row (-1 for none); values give the names the
// row offers now.
std::string RefusedValueDetail(const std::string& property, int row, const std::string& text,
                               const ParameterValues& values);

}  // namespace xkiv
