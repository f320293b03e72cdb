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

// Up to three member names of the interface closest to a misspelt one (all
// equally close), compared without regard to case; a name that contains it
// counts as close.
std::vector<std::string> ClosestNames(const InterfaceInfo& members, const std::string& name);
// The same among any names (commands, options).
std::vector<std::string> ClosestNames(const std::vector<std::string>& candidates,
                                      const std::string& name);

// "did you mean set?", "did you mean a, b or c?"; empty for no names.
std::string DidYouMean(const std::vector<std::string>& names);

}  // namespace xkiv::automation
