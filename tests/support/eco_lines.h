// The opening lines of pgn-extract's ECO file as coordinate moves ("e2e4", "e7e8q"),
// one vector per line, read through `pgn-extract -Wuci`.
#pragma once

#include <string>
#include <vector>

namespace zh::test {

inline constexpr char kEcoFile[] = "/usr/share/pgn-extract/eco.pgn";

// Empty when pgn-extract cannot be run.
std::vector<std::vector<std::string>> EcoLinesUci(const std::string& pgnExtract);

}  // namespace zh::test
