#include "core/toolbox/user_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace zh {

std::filesystem::path UserConfigFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::filesystem::path base;
  if (xdg && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
      const passwd* pw = getpwuid(getuid());
      home = pw ? pw->pw_dir : "/tmp";
    }
    base = std::filesystem::path(home) / ".config";
  }
  return base / "zelkohome";
}

}  // namespace zh
