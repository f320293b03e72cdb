// The handlers of xkivctl's commands and the operations they share.
#pragma once

#include <string>
#include <vector>

#include "tools/command_table.h"

namespace xkiv::tools {

int RunList(Invocation& run);
int RunGet(Invocation& run);
int RunSet(Invocation& run);
int RunCall(Invocation& run);
int RunWatch(Invocation& run);
int RunSearch(Invocation& run);
int RunShortcut(Invocation& run);
int RunAreaLoad(Invocation& run);
int RunAreaStore(Invocation& run);
int RunOnePush(Invocation& run);
int RunRegister(Invocation& run);
int RunDiff(Invocation& run);

// Whether the command line calls a method that chooses the port itself.
bool ChoosesItsPort(const Options& options);

// Prints each property as NAME=value.
void Get(Session& session, const std::vector<std::string>& names, Output& output);
// Sets NAME=VALUE assignments in order and gets each back.
void Set(Session& session, const std::vector<std::string>& assignments, Output& output);
// Invokes a method with in-arguments from the command line; out-parameters
// are the caller's and printed afterwards.
void Call(Session& session, const std::string& method, const std::vector<std::string>& args,
          Output& output);

}  // namespace xkiv::tools
