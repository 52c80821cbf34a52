// Runs the system's python3 (an independent reference for file formats).
#pragma once

#include <stdio.h>
#include <sys/wait.h>

#include <string>
#include <vector>

namespace zh::test {

// Runs `script` of tests/core with the arguments; returns the exit status and
// appends the standard output to `output`.
inline int RunPythonScript(const std::string& script, const std::vector<std::string>& args,
                           std::string* output = nullptr) {
  auto quote = [](const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
  };
  std::string command = quote(ZH_PYTHON3) + " " + quote(std::string(ZH_SOURCE_DIR) +
                                                        "/tests/core/" + script);
  for (const auto& a : args) command += " " + quote(a);
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
    if (output) output->append(buffer, n);
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace zh::test
