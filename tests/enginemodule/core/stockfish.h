// Runs the reference engine over two pipes for perft comparisons.
#pragma once

#include <map>
#include <string>

namespace zh::zelko2::test {

class Stockfish {
 public:
  Stockfish();
  ~Stockfish();
  Stockfish(const Stockfish&) = delete;
  Stockfish& operator=(const Stockfish&) = delete;

  bool ok() const { return pid_ > 0; }
  // "go perft depth" on a FEN: the count per root move ("e2e4" -> n) and the total.
  std::map<std::string, uint64_t> Divide(const std::string& fen, int depth, uint64_t* total = nullptr);
  // "go mate n" on a position given as FEN and moves: the mate distance of the last
  // score it reports (negative when the side to move is mated), 0 without a mate score.
  // The line "checkmate" is answered as -0x7FFF ("score mate 0").
  int MateIn(const std::string& fen, const std::string& moves, int n);

 private:
  void Send(const std::string& line);
  // Next line; false at end of output or after 20 s without one.
  bool ReadLine(std::string& line);

  int pid_ = -1;
  int to_ = -1;
  int from_ = -1;
  std::string buffer_;
};

}  // namespace zh::zelko2::test
