// The folder of the user's files: $XDG_CONFIG_HOME/zelkohome, by default
// ~/.config/zelkohome.
#pragma once

#include <filesystem>

namespace zh {

// The folder (not created here). A relative XDG_CONFIG_HOME is ignored, as the XDG
// rules ask.
std::filesystem::path UserConfigFolder();

}  // namespace zh
