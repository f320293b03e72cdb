// The user's home folder and the per-user base folders for configuration and data.
#pragma once

#include <filesystem>

namespace xkiv {

// $HOME, else the home folder of the user's password entry; empty when
// neither is known.
std::filesystem::path HomeFolder();

// The folder an XDG base-directory variable names (XDG_CONFIG_HOME,
// XDG_DATA_HOME), or HomeFolder()/fallbackBelowHome when it is unset, empty
// or relative: a relative value is invalid and ignored, so that nothing
// depends on the current folder.
std::filesystem::path UserBaseFolder(const char* variable,
                                     const std::filesystem::path& fallbackBelowHome);

}  // namespace xkiv
