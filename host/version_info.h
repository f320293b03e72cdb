// The version information of the host program.
#pragma once

namespace xkiv::host {

inline constexpr const char* kProductName = "RZ-130/150LX Control Tool";
inline constexpr const char* kFileDescription = "RZ-130LX/RZ-150LX/RZ-150LX-HR Control Tool";
inline constexpr const char* kInternalName = "RZ-150(130)LX Control Tool";
inline constexpr const char* kFileVersion = "1.0.0.0";
inline constexpr const char* kProductVersion = "1.0.0.0";

}  // namespace xkiv::host
