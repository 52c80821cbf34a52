// Helpers of the search and driver tests: position blocks from FEN, colour-mirrored
// FEN, and a driver that records every report it posts.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "core_test_util.h"
#include "enginemodule/zelkohome2/core/driver.h"

namespace zh::zelko2::test {

inline eng::PositionBlock BlockOf(const std::string& fen, int mode, int depth) {
  eng::PositionBlock block{};
  CorePosition cp;
  EXPECT_TRUE(ParseFen(fen, cp)) << fen;
  Engine::ToBlock(cp, block);
  block.lines_wanted = 1;
  block.one = 1;
  block.mode = static_cast<int16_t>(mode);
  block.depth = static_cast<int16_t>(depth);
  block.moves_to_go = 0x7FFF;
  block.ponder = 1;
  return block;
}

// The same position with the colours exchanged and the board turned.
inline std::string MirrorFen(const std::string& fen) {
  CorePosition cp, m;
  EXPECT_TRUE(ParseFen(fen, cp));
  for (int s = 0; s < 64; ++s) {
    int c = cp.board[static_cast<size_t>(s)];
    m.board[static_cast<size_t>(s ^ 56)] = static_cast<uint8_t>(c ? c ^ kBlackBit : 0);
  }
  m.side = static_cast<uint8_t>(cp.side ^ 1);
  m.en_passant = cp.en_passant ? static_cast<uint8_t>(cp.en_passant ^ 56) : 0;
  uint8_t c = 0;
  if (cp.castling & kWhiteLong) c |= kBlackLong;
  if (cp.castling & kWhiteShort) c |= kBlackShort;
  if (cp.castling & kBlackLong) c |= kWhiteLong;
  if (cp.castling & kBlackShort) c |= kWhiteShort;
  m.castling = c;
  return ToFen(m);
}

struct Recorded {
  int32_t code;
  std::vector<uint8_t> bytes;
  template <typename T>
  T as() const {
    T t{};
    std::memcpy(&t, bytes.data(), std::min(bytes.size(), sizeof(T)));
    return t;
  }
};

// A driver over the module's blocks with every report copied when posted.
struct RecordingDriver {
  Engine engine;
  SearchControl control;
  Driver driver{engine, control};
  eng::MainLineBlock main_line{};
  eng::CurrentMoveBlock current_move{};
  eng::DepthBlock depth{};
  eng::NodesBlock nodes{};
  eng::HashBlock hash{};
  std::vector<Recorded> reports;
  std::function<void(int32_t)> on_post;

  explicit RecordingDriver(int hash_kb = 1024) {
    EXPECT_TRUE(engine.tt().Allocate(TtMemory::SizeForKb(hash_kb)));
    engine.SetStartPosition();
  }
  ReportBlocks Blocks() {
    ReportBlocks b{&main_line, &current_move, &depth, &nodes, &hash, {}};
    b.post = [this](int32_t code, void* block) {
      size_t size = code == eng::kReportMainLine || code == eng::kReportSearchStarted ? sizeof main_line
                    : code == eng::kReportCurrentMove                                 ? sizeof current_move
                    : code == eng::kReportDepth                                       ? sizeof depth
                    : code == eng::kReportNodes                                       ? sizeof nodes
                                                                                      : sizeof hash;
      const auto* p = static_cast<const uint8_t*>(block);
      reports.push_back({code, std::vector<uint8_t>(p, p + size)});
      if (on_post) on_post(code);
    };
    return b;
  }
  void Run(const eng::PositionBlock& block, EngineParameters parameters = {}) {
    reports.clear();
    driver.Run(block, parameters, Blocks());
  }
  // The last main-line report.
  const Recorded* LastMainLine() const {
    for (auto it = reports.rbegin(); it != reports.rend(); ++it)
      if (it->code == eng::kReportMainLine) return &*it;
    return nullptr;
  }
};

// Coordinate text of a report move.
inline std::string ReportMoveText(const eng::ReportMove& m) {
  std::string s{static_cast<char>('a' + m.from / 8), static_cast<char>('1' + m.from % 8),
                static_cast<char>('a' + m.to / 8), static_cast<char>('1' + m.to % 8)};
  if (m.promotion) s += " qnbr"[m.promotion - 1];
  return s;
}

}  // namespace zh::zelko2::test
