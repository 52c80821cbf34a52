#include "stockfish.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace zh::zelko2::test {

Stockfish::Stockfish() {
  int in[2], out[2];
  if (pipe(in) != 0) return;
  if (pipe(out) != 0) {
    close(in[0]);
    close(in[1]);
    return;
  }
  pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    close(in[0]);
    close(in[1]);
    close(out[0]);
    close(out[1]);
    execl(ZH_STOCKFISH, ZH_STOCKFISH, static_cast<char*>(nullptr));
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  to_ = in[1];
  from_ = out[0];
  pid_ = pid;
  signal(SIGPIPE, SIG_IGN);
  Send("uci");
  std::string line;
  while (ReadLine(line))
    if (line == "uciok") return;
  pid_ = -1;
}

Stockfish::~Stockfish() {
  if (to_ >= 0) {
    Send("quit");
    close(to_);
  }
  if (from_ >= 0) close(from_);
  if (pid_ > 0) waitpid(pid_, nullptr, 0);
}

void Stockfish::Send(const std::string& line) {
  std::string text = line + "\n";
  ssize_t unused = write(to_, text.data(), text.size());
  (void)unused;
}

bool Stockfish::ReadLine(std::string& line) {
  for (;;) {
    size_t end = buffer_.find('\n');
    if (end != std::string::npos) {
      line = buffer_.substr(0, end);
      buffer_.erase(0, end + 1);
      return true;
    }
    pollfd fd{from_, POLLIN, 0};
    if (poll(&fd, 1, 20000) <= 0) return false;
    char chunk[4096];
    ssize_t n = read(from_, chunk, sizeof(chunk));
    if (n <= 0) return false;
    buffer_.append(chunk, static_cast<size_t>(n));
  }
}

std::map<std::string, uint64_t> Stockfish::Divide(const std::string& fen, int depth, uint64_t* total) {
  std::map<std::string, uint64_t> moves;
  Send("position fen " + fen);
  Send("go perft " + std::to_string(depth));
  std::string line;
  while (ReadLine(line)) {
    if (line.rfind("Nodes searched:", 0) == 0) {
      if (total) *total = std::strtoull(line.c_str() + 15, nullptr, 10);
      break;
    }
    size_t colon = line.find(": ");
    if (colon != std::string::npos && colon >= 4 && colon <= 5)
      moves[line.substr(0, colon)] = std::strtoull(line.c_str() + colon + 2, nullptr, 10);
  }
  return moves;
}

int Stockfish::MateIn(const std::string& fen, const std::string& moves, int n) {
  Send("ucinewgame");
  Send("position fen " + fen + (moves.empty() ? "" : " moves " + moves));
  Send("go mate " + std::to_string(n));
  std::string line;
  int mate = 0;
  while (ReadLine(line)) {
    size_t at = line.find(" score mate ");
    if (at != std::string::npos) {
      mate = std::atoi(line.c_str() + at + 12);
      if (mate == 0) mate = -0x7FFF;
    }
    if (line.rfind("bestmove", 0) == 0) break;
  }
  return mate;
}

}  // namespace zh::zelko2::test
