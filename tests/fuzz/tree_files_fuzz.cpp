// A position tree's three files from any bytes, then lookups and inserts: result codes,
// never a crash, a hang or a leak. Input: one byte choosing the keys, u16 length of the
// bit map, u16 length of the index (big-endian), the bit map, the index, then the page
// file. The committed seeds are trees written by TreeFiles from the keys of byte 0,
// one of them with a free chain that runs in a circle.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "books/tree/opening_tree.h"
#include "books/tree/tree_files.h"
#include "core/rules/movelist.h"

namespace {

const std::string& Base() {
  static const std::string base = [] {
    std::string dir = (std::filesystem::temp_directory_path() / "zh-fuzz-XXXXXX").string();
    if (!mkdtemp(dir.data())) std::abort();
    return dir + "/tree";
  }();
  return base;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
}

// Keys of 9 to 20 bytes, as the seeds were written with.
std::vector<uint8_t> NextKey(std::mt19937& random) {
  const auto length = static_cast<uint8_t>(9 + random() % 12);
  std::vector<uint8_t> key(length);
  for (auto& b : key) b = static_cast<uint8_t>(random());
  key[0] = static_cast<uint8_t>((key[0] & 0xE0) | length);
  return key;
}

std::vector<uint8_t> RecordOf(const std::vector<uint8_t>& key) {
  zh::TreeRecordItems items;
  items.AddMove({static_cast<uint8_t>(key[1]), 1});
  items.statistics.games = 1;
  return zh::PackTreeRecord(key.data(), items);
}

// The opening tree over the same files: lookups of real positions and the items of
// every record of every sound page.
void LookUpPositions() {
  zh::OpeningTree tree(Base());
  if (tree.Status() != 0) return;
  zh::Position start;
  zh::MoveList legal;
  const int n = legal.GenerateLegal(start);
  std::vector<zh::MoveCode> moves(legal.begin(), legal.end());
  std::vector<zh::TreeMoveList> lists(static_cast<size_t>(n));
  tree.FindChildren(start, moves.data(), n, moves.data(), nullptr, nullptr, nullptr,
                    lists.data(), n);
  zh::TreeMoveList list;
  tree.FindPosition(start, nullptr, nullptr, nullptr, &list);
  zh::TreePageFile& pages = tree.Files().Pages();
  const zh::TreePageRecords records = pages.Records();
  for (uint32_t p = 0; p < pages.PageCount() && p < 64; ++p) {
    if (pages.ReadPage(p) != 0 || !records.IsSound(pages.Buffer())) continue;
    // Lookups below reuse the page buffer.
    const std::vector<uint8_t> page(pages.Buffer(), pages.Buffer() + pages.PageSize());
    uint32_t offset = 4;
    for (uint32_t i = zh::TreePageRecords::Count(page.data()); i > 0; --i) {
      const uint8_t* record = page.data() + offset;
      zh::PositionItem item;
      if (item.ReadFrom(record, pages.PageSize() - offset) != 0) {
        zh::PositionItem::ReadMoveList(record, list);
        tree.FindPosition(item.position, nullptr, nullptr, nullptr, &list);
      }
      offset += records.RecordLength(record);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  const uint8_t seed = data[0];
  size_t bitmap = static_cast<size_t>(data[1]) << 8 | data[2];
  size_t index = static_cast<size_t>(data[3]) << 8 | data[4];
  data += 5;
  size -= 5;
  bitmap = std::min(bitmap, size);
  index = std::min(index, size - bitmap);
  WriteFile(Base() + ".ctb", data, bitmap);
  WriteFile(Base() + ".cto", data + bitmap, index);
  WriteFile(Base() + ".ctg", data + bitmap + index, size - bitmap - index);
  {
    zh::TreeFiles tree(Base());
    if (tree.Usable()) {
      std::mt19937 random(seed);
      for (int i = 0; i < 20; ++i) {
        const auto key = NextKey(random);
        zh::TreeLocation at;
        tree.Locate(key.data(), at);
      }
      for (int i = 0; i < 20; ++i) {
        const auto key = NextKey(random);
        zh::TreeLocation at;
        tree.Insert(RecordOf(key).data(), at);
      }
      const uint32_t pages = tree.Pages().PageCount();
      tree.Pages().IsFreePage(pages ? pages - 1 : 0);
      tree.Close();
    }
  }
  LookUpPositions();
  return 0;
}

// Writes the seed trees when built as a program of its own (see the file's opening).
#ifdef ZH_TREE_FUZZ_SEEDS
int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string dir = argv[1];
  for (int variant = 0; variant < 3; ++variant) {
    const std::string base = dir + "/tree" + std::to_string(variant);
    std::filesystem::remove(base + ".ctg");
    std::filesystem::remove(base + ".ctb");
    std::filesystem::remove(base + ".cto");
    {
      zh::TreeFiles tree(base);
      std::mt19937 random(0);
      const int keys = variant == 0 ? 0 : 200;
      for (int i = 0; i < keys; ++i) {
        zh::TreeLocation at;
        tree.Insert(RecordOf(NextKey(random)).data(), at);
      }
    }
    auto read = [](const std::string& path) {
      FILE* f = std::fopen(path.c_str(), "rb");
      std::vector<uint8_t> bytes;
      for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(static_cast<uint8_t>(c));
      std::fclose(f);
      return bytes;
    };
    const auto ctb = read(base + ".ctb");
    const auto cto = read(base + ".cto");
    auto ctg = read(base + ".ctg");
    if (variant == 2 && ctg.size() >= 4096 + 3 * 4096) {
      // Free chain 1 -> 2 -> 1.
      ctg[20] = ctg[21] = ctg[22] = 0;
      ctg[23] = 1;
      for (int page : {1, 2}) {
        uint8_t* p = ctg.data() + 4096 + 4096 * page;
        p[0] = p[1] = p[2] = 0;
        p[3] = static_cast<uint8_t>(3 - page);
      }
    }
    std::vector<uint8_t> input = {0, static_cast<uint8_t>(ctb.size() >> 8),
                                  static_cast<uint8_t>(ctb.size()),
                                  static_cast<uint8_t>(cto.size() >> 8),
                                  static_cast<uint8_t>(cto.size())};
    input.insert(input.end(), ctb.begin(), ctb.end());
    input.insert(input.end(), cto.begin(), cto.end());
    input.insert(input.end(), ctg.begin(), ctg.end());
    WriteFile(dir + "/seed" + std::to_string(variant), input.data(), input.size());
    for (const char* extension : {".ctg", ".ctb", ".cto"}) std::filesystem::remove(base + extension);
  }
  return 0;
}
#endif
