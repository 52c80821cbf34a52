// make_zbk: writes a book file from PGN files or from opening tables.
//
//   make_zbk [--skip-refused] <out.zbk> <in.pgn>...
//   make_zbk --openings [--eco <first>-<last>] <out.zbk> <table.tsv>...
//
// Every game (every table row) that cannot go into a book (a set-up position, a null
// move, an under-promotion, a line of more than 129 moves) is reported on stderr;
// then nothing is written and the exit status is 1, unless --skip-refused leaves
// those games out.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "books/zbk_writer.h"

namespace {

bool ReadText(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  text = s.str();
  return !in.bad();
}

int Usage() {
  std::cerr << "usage: make_zbk [--skip-refused] <out.zbk> <in.pgn>...\n"
               "       make_zbk --openings [--eco <first>-<last>] <out.zbk> <table.tsv>...\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  bool openings = false, skipRefused = false;
  std::string firstEco = "A00", lastEco = "E99";
  int i = 1;
  for (; i < argc && std::string(argv[i]).rfind("--", 0) == 0; ++i) {
    const std::string option = argv[i];
    if (option == "--openings") {
      openings = true;
    } else if (option == "--skip-refused") {
      skipRefused = true;
    } else if (option == "--eco" && i + 1 < argc) {
      const std::string range = argv[++i];
      const size_t dash = range.find('-');
      if (dash == std::string::npos) return Usage();
      firstEco = range.substr(0, dash);
      lastEco = range.substr(dash + 1);
    } else {
      return Usage();
    }
  }
  if (argc - i < 2) return Usage();
  const std::string out = argv[i++];

  zh::ZbkWriter writer;
  int refused = 0;
  for (; i < argc; ++i) {
    std::string text;
    if (!ReadText(argv[i], text)) {
      std::cerr << argv[i] << ": cannot be read\n";
      return 1;
    }
    std::vector<std::string> errors;
    refused += openings ? writer.AddOpeningTable(text, firstEco, lastEco, &errors)
                        : writer.AddPgnText(text, &errors);
    for (const std::string& e : errors) std::cerr << argv[i] << ": " << e << "\n";
  }
  if (refused > 0 && !skipRefused) {
    std::cerr << refused << " refused; no book written\n";
    return 1;
  }
  if (!writer.WriteFile(out)) {
    std::cerr << out << ": cannot be written\n";
    return 1;
  }
  return 0;
}
