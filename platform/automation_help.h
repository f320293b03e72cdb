// Texts for automation callers: what a failed invoke means, and the names closest to a misspelt
// one.
#pragma once

#include <string>
#include <vector>

#include "platform/automation.h"

namespace xkiv::automation {

// A short description of a failing invoke result ("member not found",
// "type mismatch", ...), for errors the member itself did not describe.
std::string DescribeFailure(HResult hr);

// Up to three member names of the interface closest to a misspelt one,
// compared without regard to case; a name that contains it counts as close.
std::vector<std::string> ClosestNames(const InterfaceInfo& members, const std::string& name);

}  // namespace xkiv::automation
