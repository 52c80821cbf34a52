// A UCI engine process driven through pipes (the reference engine of the tests and
// benchmarks). Every read waits at most a timeout, so a dead engine fails a test
// instead of hanging it.
#pragma once

#include <sys/types.h>
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zh::test {

class UciEngine {
 public:
  // Starts the program (ZH_STOCKFISH by default) and waits for "uciok".
  explicit UciEngine(std::string path = ZH_STOCKFISH);
  ~UciEngine();
  UciEngine(const UciEngine&) = delete;
  UciEngine& operator=(const UciEngine&) = delete;

  // Whether the process runs and answered the handshake.
  bool IsRunning() const { return pid_ > 0 && ready_; }

  void Send(std::string_view line);
  // The next line, or nothing at the end of the output or after the timeout.
  std::optional<std::string> ReadLine(std::chrono::milliseconds timeout);
  // Lines up to and including the first that starts with `prefix`; nothing when it
  // does not come in time.
  std::optional<std::vector<std::string>> ReadUntil(std::string_view prefix,
                                                    std::chrono::milliseconds timeout);

  // Sends "isready" and waits for "readyok".
  bool Sync();
  // "position fen <fen> [moves ...]".
  void SetPosition(std::string_view fen, const std::vector<std::string>& moves = {});

  struct PerftResult {
    std::map<std::string, uint64_t> perMove;  // "e2e4" -> count
    uint64_t nodes = 0;
    double seconds = 0;
  };
  // "go perft N" on the current position.
  std::optional<PerftResult> Perft(int depth,
                                   std::chrono::milliseconds timeout = std::chrono::minutes(5));
  // The squares of the "Checkers:" line of "d" on the current position ("e1 f3").
  std::optional<std::vector<std::string>> Checkers();
  // The "Fen:" line of "d" on the current position, without its label.
  std::optional<std::string> Fen();

 private:
  pid_t pid_ = -1;
  int in_ = -1;   // we write the engine's input here
  int out_ = -1;  // we read its output here
  bool ready_ = false;
  std::string buffer_;
};

}  // namespace zh::test
