// Any bytes read as a record of the game file, as a game and as a text item, answer a
// result code without reading outside the record, and a game read whole is written
// again and reads back alike. Input: the header's move count byte, then the record.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "core/toolbox/big_endian.h"
#include "database/storage/game_file.h"
#include "database/game/game_item.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 16384) return 0;
  static const std::string base = "/tmp/zh-game-record-fuzz-" + std::to_string(getpid());
  std::vector<uint8_t> file(10);
  zh::PutBigEndian(file.data(), 2, 10);
  zh::PutBigEndian(file.data() + 2, 4, static_cast<uint32_t>(10 + size - 1));
  file.insert(file.end(), data + 1, data + size);
  std::ofstream(base + ".tqg", std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  {
    zh::FileTqg games(base, "tqg", false);
    zh::TQGame game;
    game.header.record = zh::HeaderRecord::Game();
    game.header.SetTqgOffset(10);
    game.header.SetMoveCount(data[0]);
    const int rc = games.ReadGame(game, nullptr, true);
    if (rc != 0 && rc != 1 && rc != 12) std::abort();
    zh::TQGame body;
    body.header = game.header;
    const int main = games.ReadBody(body, 600, false);
    if (main != 0 && main != 1 && main != 12) std::abort();
    // The main line alone stops at a null move.
    if (rc == 0 && body.body.mainLine.Count() > game.body.mainLine.Count()) std::abort();
    zh::TQTextItem text;
    text.header.record = zh::HeaderRecord::Text();
    text.header.SetTqgOffset(10);
    const int textRc = games.ReadText(text);
    if (textRc != 0 && textRc != 12) std::abort();
    if (rc == 0) {
      if (games.AppendGame(game, nullptr) != 0) std::abort();
      zh::TQGame back;
      back.header = game.header;
      if (games.ReadGame(back, nullptr, false) != 0) std::abort();
      if (back.body.mainLine.Count() != game.body.mainLine.Count()) std::abort();
    }
  }
  std::remove((base + ".tqg").c_str());
  return 0;
}
