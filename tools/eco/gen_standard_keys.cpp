// Writes the standard openings keys from the opening lines, each as a key file
// (.CKO) and its position index (.CPO) in the output folder:
//   ECOVARS   one entry per code A00-E99, with one sub-entry per named line;
//   ECONAMES  one entry per family (the name before ':'), with a sub-entry for each of
//             its variations;
//   STANDARD  the volumes A-E, each holding its codes.
// Each line's final board points at the line's entry; where lines end on one board,
// the shortest line, then the earliest, owns it (as for the ECO table). The index depth
// is the longest line, so a game is read no further than any line reaches.
//
//   gen_standard_keys <output folder> <table>...
#include <algorithm>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "database/keys/key_file.h"
#include "database/keys/position_tree.h"
#include "database/storage/start_position_record.h"
#include "opening_lines.h"

namespace zh {
namespace {

namespace fs = std::filesystem;

constexpr const char* kVolumes[5] = {"A: Flank openings", "B: Semi-open games",
                                     "C: Open games and the French Defence",
                                     "D: Closed and semi-closed games", "E: Indian defences"};

std::string Code(int volume, int number) {
  return std::string(1, static_cast<char>('A' + volume)) + static_cast<char>('0' + number / 10) +
         static_cast<char>('0' + number % 10);
}

// The part of a name before ':' and the part after it (empty without one).
std::pair<std::string, std::string> SplitName(const std::string& name) {
  const size_t colon = name.find(':');
  if (colon == std::string::npos) return {name, ""};
  size_t rest = colon + 1;
  while (rest < name.size() && name[rest] == ' ') ++rest;
  return {name.substr(0, colon), name.substr(rest)};
}

class KeyWriter {
 public:
  explicit KeyWriter(const fs::path& base) : base_(base) {
    for (const char* ext : {".CKO", ".CPO", ".cko", ".cpo"}) fs::remove(base.string() + ext);
    key_ = std::make_unique<KeyFile>(base.string(), true, KeyFile::kWriteBack, 4);
    tree_ = std::make_unique<PositionTree>(base.string(), true, KeyFile::kWriteBack, 4);
    ok_ = key_->Status() == 0 && tree_->Status() == 0;
  }

  uint32_t Add(uint32_t parent, const std::string& title) {
    uint32_t entry = 0;
    if (ok_ && key_->AddEntry(parent, title, entry) != 0) ok_ = false;
    return entry;
  }

  // Boards in the index, each with its entry; added in an order that keeps the
  // unbalanced tree shallow (the median of each sorted range first).
  bool Finish(std::map<std::string, uint32_t> boards, int depth) {
    std::vector<std::pair<std::string, uint32_t>> sorted(boards.begin(), boards.end());
    std::function<void(size_t, size_t)> insert = [&](size_t from, size_t to) {
      if (!ok_ || from >= to) return;
      const size_t middle = from + (to - from) / 2;
      Board board;
      UnpackPosition(reinterpret_cast<const uint8_t*>(sorted[middle].first.data()), board);
      uint32_t node = 0;
      if (tree_->AddPosition(board, static_cast<int32_t>(sorted[middle].second), node) != 0) ok_ = false;
      insert(from, middle);
      insert(middle + 1, to);
    };
    insert(0, sorted.size());
    if (ok_ && (tree_->SetIndexDepth(depth) != 0 || tree_->Flush() != 0 || key_->Flush() != 0)) ok_ = false;
    key_.reset();
    tree_.reset();
    if (!ok_) return false;
    std::error_code ec;
    fs::rename(base_.string() + ".cko", base_.string() + ".CKO", ec);
    if (!ec) fs::rename(base_.string() + ".cpo", base_.string() + ".CPO", ec);
    return !ec;
  }

 private:
  fs::path base_;
  std::unique_ptr<KeyFile> key_;
  std::unique_ptr<PositionTree> tree_;
  bool ok_ = true;
};

std::string Packed(const Board& board) {
  uint8_t key[kPackedPositionSize];
  PackPosition(board, key);
  return std::string(reinterpret_cast<char*>(key), sizeof key);
}

// The index of a key: each owning line's board with the entry that `entryOf` gives it.
std::map<std::string, uint32_t> Index(const std::vector<OpeningLine>& lines,
                                      const std::vector<size_t>& owners,
                                      const std::vector<uint32_t>& entryOf) {
  std::map<std::string, uint32_t> boards;
  for (size_t i = 0; i < lines.size(); ++i)
    if (owners[i] == i) boards.emplace(Packed(lines[i].board), entryOf[i]);
  return boards;
}

bool WriteCodes(const fs::path& base, const std::vector<OpeningLine>& lines,
                const std::vector<size_t>& owners, int depth) {
  KeyWriter writer(base);
  std::vector<uint32_t> entryOf(lines.size());
  for (int volume = 0; volume < 5; ++volume)
    for (int number = 0; number < 100; ++number) {
      const std::string code = Code(volume, number);
      const uint32_t codeEntry = writer.Add(0, code);
      std::map<std::string, uint32_t> named;  // one sub-entry per name, in table order
      for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].code != code) continue;
        auto [it, fresh] = named.try_emplace(lines[i].name, 0);
        if (fresh) it->second = writer.Add(codeEntry, lines[i].name);
        entryOf[i] = it->second;
      }
    }
  return writer.Finish(Index(lines, owners, entryOf), depth);
}

bool WriteNames(const fs::path& base, const std::vector<OpeningLine>& lines,
                const std::vector<size_t>& owners, int depth) {
  // Families in alphabetical order, their variations in table order.
  std::map<std::string, std::vector<std::string>> families;
  for (const OpeningLine& line : lines) {
    auto [family, variation] = SplitName(line.name);
    std::vector<std::string>& variations = families[family];
    if (!variation.empty() && std::find(variations.begin(), variations.end(), variation) == variations.end())
      variations.push_back(variation);
  }
  KeyWriter writer(base);
  std::map<std::string, uint32_t> entryOfName;
  for (const auto& [family, variations] : families) {
    const uint32_t familyEntry = writer.Add(0, family);
    entryOfName[family] = familyEntry;
    for (const std::string& variation : variations)
      entryOfName[family + ": " + variation] = writer.Add(familyEntry, variation);
  }
  std::vector<uint32_t> entryOf(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    auto [family, variation] = SplitName(lines[i].name);
    entryOf[i] = entryOfName[variation.empty() ? family : family + ": " + variation];
  }
  return writer.Finish(Index(lines, owners, entryOf), depth);
}

bool WriteVolumes(const fs::path& base, const std::vector<OpeningLine>& lines,
                  const std::vector<size_t>& owners, int depth) {
  KeyWriter writer(base);
  std::map<std::string, uint32_t> entryOfCode;
  for (int volume = 0; volume < 5; ++volume) {
    const uint32_t volumeEntry = writer.Add(0, kVolumes[volume]);
    for (int number = 0; number < 100; ++number)
      entryOfCode[Code(volume, number)] = writer.Add(volumeEntry, Code(volume, number));
  }
  std::vector<uint32_t> entryOf(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) entryOf[i] = entryOfCode[lines[i].code];
  return writer.Finish(Index(lines, owners, entryOf), depth);
}

}  // namespace
}  // namespace zh

int main(int argc, char** argv) {
  using namespace zh;
  if (argc < 3) {
    std::cerr << "usage: gen_standard_keys <output folder> <table>...\n";
    return 2;
  }
  std::vector<OpeningLine> lines;
  if (!ReadOpeningLines(std::vector<std::string>(argv + 2, argv + argc), lines)) return 1;
  for (const OpeningLine& line : lines)
    if (line.code.size() != 3 || line.code[0] < 'A' || line.code[0] > 'E' || line.code[1] < '0' ||
        line.code[1] > '9' || line.code[2] < '0' || line.code[2] > '9') {
      std::cerr << "a line with the code '" << line.code << "'\n";
      return 1;
    }
  const std::vector<size_t> owners = BoardOwners(lines);
  int depth = 0;
  for (const OpeningLine& line : lines) depth = std::max(depth, line.plies);
  const fs::path folder = argv[1];
  std::error_code ec;
  fs::create_directories(folder, ec);
  const bool ok = WriteCodes(folder / "ECOVARS", lines, owners, depth) &&
                  WriteNames(folder / "ECONAMES", lines, owners, depth) &&
                  WriteVolumes(folder / "STANDARD", lines, owners, depth);
  if (!ok) {
    std::cerr << "cannot write the standard keys in " << folder << "\n";
    return 1;
  }
  std::cout << lines.size() << " lines, index depth " << depth << "\n";
  return 0;
}
