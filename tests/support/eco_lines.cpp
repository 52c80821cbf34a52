#include "support/eco_lines.h"

#include <cstdio>
#include <memory>
#include <sstream>

namespace zh::test {

std::vector<std::vector<std::string>> EcoLinesUci(const std::string& pgnExtract) {
  const std::string command = pgnExtract + " -Wuci -s " + kEcoFile + " 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::vector<std::vector<std::string>> lines;
  if (!pipe) return lines;
  char buffer[4096];
  while (fgets(buffer, sizeof buffer, pipe.get())) {
    if (buffer[0] == '[') {
      if (std::string(buffer).rfind("[Event ", 0) == 0) lines.emplace_back();
      continue;
    }
    if (lines.empty()) continue;
    std::istringstream in(buffer);
    std::string token;
    while (in >> token)
      if (token != "*" && token != "1-0" && token != "0-1" && token != "1/2-1/2")
        lines.back().push_back(token);
  }
  return lines;
}

}  // namespace zh::test
