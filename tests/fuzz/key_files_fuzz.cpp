// Any bytes opened as a key file, a position tree or a search booster give errors, never
// a crash or a hang, under a short script of operations. Input: one byte choosing the
// file, eight script bytes, then the file's content.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/rules/fen.h"
#include "database/keys/key_file.h"
#include "database/keys/position_tree.h"
#include "database/keys/search_booster.h"

namespace {

const std::string& Base() {
  static const std::string base = [] {
    std::string dir = (std::filesystem::temp_directory_path() / "zh-fuzz-XXXXXX").string();
    if (!mkdtemp(dir.data())) std::abort();
    return dir + "/fuzz";
  }();
  return base;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
}

void RunKey(const uint8_t* script, const uint8_t* data, size_t size) {
  WriteFile(Base() + ".cko", data, size);
  zh::KeyFile key(Base(), false, script[0] % 3, 4);
  if (key.Status() != 0) return;
  const uint32_t nodes = key.NodeCount();
  for (int i = 1; i < 8; ++i) {
    const uint32_t arg = script[i] % (nodes + 2);
    switch (script[i] >> 5) {
      case 0:
        key.AddToKey(arg, script[i] + 1u, 1);
        break;
      case 1:
        key.AddToKey(0, arg, 0);
        break;
      case 2:
        key.TruncateGames(arg, script[i] & 7, 8);
        break;
      case 3: {
        std::vector<int32_t> map(script[i] % 40 + 1);
        for (size_t g = 0; g < map.size(); ++g) map[g] = g % 3 ? static_cast<int32_t>(g) : -1;
        key.RenumberGames(map);
        break;
      }
      case 4: {
        int32_t count;
        key.CountGames(arg, count, 5);
        break;
      }
      case 5: {
        int32_t list[16];
        int skip = script[i] & 3, count = 0;
        key.CollectGames(arg, list, 16, 4, skip, count, 3);
        if (count < 0 || count > 16) std::abort();
        break;
      }
      case 6: {
        uint32_t n;
        if (key.AllocNode(n) == 0) key.FreeNode(n);
        break;
      }
      default:
        key.GetEntryTitle(arg);
        break;
    }
  }
}

void RunTree(const uint8_t* script, const uint8_t* data, size_t size) {
  WriteFile(Base() + ".cpo", data, size);
  zh::PositionTree tree(Base(), false, script[0] % 3, 4);
  if (tree.Status() != 0) return;
  static const char* fens[] = {"8/8/8/8/8/8/8/K6k w - - 0 1",
                               "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
                               "4k3/8/8/8/8/8/8/4K2R w K - 0 1", "8/8/8/8/8/8/8/8 w - - 0 1"};
  for (int i = 1; i < 8; ++i) {
    zh::StartRecord record;
    zh::ParseFen(record, fens[script[i] % 4]);
    uint32_t node;
    int comparison;
    if (script[i] & 0x80)
      tree.AddPosition(record.start.position.board, script[i], node);
    else if (tree.FindPosition(record.start.position.board, node, comparison) == 0)
      tree.GetKeyEntry(node);
  }
}

void RunBooster(const uint8_t* script, const uint8_t* data, size_t size) {
  WriteFile(Base() + ".tqb", data, size);
  WriteFile(Base() + ".tqo", data, size);
  zh::SearchBooster booster(Base(), "tqb", false, script[0] & 3);
  zh::BoosterCriteria criteria;
  criteria.material = script[1] & 1;
  criteria.motif = script[1] & 2;
  criteria.reversedColours = script[1] & 4;
  criteria.mirrored = script[1] & 8;
  for (int i = 0; i < 6; ++i) criteria.minimum[i % 2][i / 2] = script[2 + i] & 7;
  criteria.placement[0] = script[2] * 0x01010101u;
  criteria.alternatives[0][0] = script[3];
  booster.Prepare(criteria);
  for (uint32_t game = 0; game < 40; ++game) booster.Matches(game);
  auto hits = booster.Scan(nullptr);
  if (hits && hits->Count() >= booster.RecordCount() + 1) std::abort();
  zh::OpeningsBooster openings(Base(), "tqo", false);
  criteria.firstMove = 2;
  criteria.lastMove = 10;
  criteria.squares[0] = script[4];
  if (openings.Prepare(criteria)) openings.Candidates();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 9 || size > 4096) return 0;
  const uint8_t* script = data + 1;
  switch (data[0] % 3) {
    case 0:
      RunKey(script, data + 9, size - 9);
      break;
    case 1:
      RunTree(script, data + 9, size - 9);
      break;
    default:
      RunBooster(script, data + 9, size - 9);
      break;
  }
  return 0;
}
