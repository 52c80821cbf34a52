// make_tree: writes a position tree (<out>.ctg, .ctb, .cto) from PGN files or from
// opening tables.
//
//   make_tree [--variations] [--length <plies>] <out> <in.pgn>...
//   make_tree --openings <out> <table.tsv>...
//
// An existing tree of that name is replaced. PGN games keep their results; every row
// of an opening table is a line without a result. Games that cannot be read are
// reported on stderr and left out.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>

#include "books/opening_table.h"
#include "books/tree/opening_tree.h"
#include "database/game/game_item.h"
#include "database/pgn/pgn_reader.h"

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
  std::cerr << "usage: make_tree [--variations] [--length <plies>] <out> <in.pgn>...\n"
               "       make_tree --openings <out> <table.tsv>...\n";
  return 2;
}

// The rows of an opening table (eco, name, moves) as games without a result.
int AddOpeningTable(zh::OpeningTree& tree, std::string_view text, const std::string& file) {
  int added = 0, failed = 0;
  zh::ForEachOpeningRow(text, [&](const zh::OpeningTableRow& row) {
    zh::TQGame game;
    zh::ReadPgnGame(std::string(row.moves) + " *\n", game, zh::PgnSource{file}, true);
    if (game.body.mainLine.IsEmpty()) {
      std::cerr << file << ": row " << row.index + 1 << ": no moves\n";
      return true;
    }
    failed = tree.AddGameToTree(game);
    if (failed) return false;
    ++added;
    return true;
  });
  if (failed) return -failed;
  return added;
}

int AddPgn(zh::OpeningTree& tree, std::string_view text, const std::string& file) {
  const std::vector<uint64_t> starts = zh::FindPgnGames(text);
  int added = 0;
  for (size_t g = 0; g + 1 < starts.size(); ++g) {
    zh::TQGame game;
    zh::PgnSource source{file, static_cast<int64_t>(g + 1)};
    int lost = 0;
    zh::ReadPgnGame(text.substr(starts[g], starts[g + 1] - starts[g]), game, source,
                    !tree.includeVariations, &lost);
    if (lost) std::cerr << file << ": game " << g + 1 << " not read whole\n";
    if (const int code = tree.AddGameToTree(game)) return -code;
    ++added;
  }
  return added;
}

}  // namespace

int main(int argc, char** argv) {
  bool openings = false, variations = false;
  int length = zh::OpeningTree::kDefaultPlyLimit;
  int i = 1;
  for (; i < argc && std::string(argv[i]).rfind("--", 0) == 0; ++i) {
    const std::string option = argv[i];
    if (option == "--openings") {
      openings = true;
    } else if (option == "--variations") {
      variations = true;
    } else if (option == "--length" && i + 1 < argc) {
      length = std::atoi(argv[++i]);
      if (length < 0) return Usage();
    } else {
      return Usage();
    }
  }
  if (argc - i < 2) return Usage();
  std::string out = argv[i++];
  if (out.size() > 4 && out.compare(out.size() - 4, 4, ".ctg") == 0) out.resize(out.size() - 4);
  for (const char* e : {".ctg", ".ctb", ".cto"}) {
    std::error_code ignored;
    std::filesystem::remove(out + e, ignored);
  }

  zh::OpeningTree tree(out);
  if (tree.Status() != 0) {
    std::cerr << out << ": cannot be created (" << tree.Status() << ")\n";
    return 1;
  }
  tree.includeVariations = variations;
  tree.plyLimit = length;
  tree.EnableCache();
  for (; i < argc; ++i) {
    std::string text;
    if (!ReadText(argv[i], text)) {
      std::cerr << argv[i] << ": cannot be read\n";
      return 1;
    }
    const int added = openings ? AddOpeningTable(tree, text, argv[i]) : AddPgn(tree, text, argv[i]);
    if (added < 0) {
      std::cerr << out << ": write error " << -added << "\n";
      return 1;
    }
  }
  if (const int code = tree.DisableCache()) {
    std::cerr << out << ": write error " << code << "\n";
    return 1;
  }
  if (const int code = tree.Flush()) {
    std::cerr << out << ": cannot be closed (" << code << ")\n";
    return 1;
  }
  return 0;
}
