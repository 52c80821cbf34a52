#include "support/uci_engine.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>

namespace zh::test {

using Clock = std::chrono::steady_clock;

UciEngine::UciEngine(std::string path) {
  int toEngine[2], fromEngine[2];
  if (pipe2(toEngine, O_CLOEXEC) != 0) return;
  if (pipe2(fromEngine, O_CLOEXEC) != 0) {
    close(toEngine[0]);
    close(toEngine[1]);
    return;
  }
  pid_ = fork();
  if (pid_ == 0) {
    dup2(toEngine[0], STDIN_FILENO);
    dup2(fromEngine[1], STDOUT_FILENO);
    execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(toEngine[0]);
  close(fromEngine[1]);
  in_ = toEngine[1];
  out_ = fromEngine[0];
  if (pid_ < 0) return;
  signal(SIGPIPE, SIG_IGN);
  Send("uci");
  ready_ = ReadUntil("uciok", std::chrono::seconds(30)).has_value();
}

UciEngine::~UciEngine() {
  if (pid_ > 0) {
    Send("quit");
    close(in_);
    // Give it a moment to leave by itself, then end it.
    for (int i = 0; i < 100; ++i) {
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
        break;
      }
      usleep(10000);
    }
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  } else if (in_ >= 0) {
    close(in_);
  }
  if (out_ >= 0) close(out_);
}

void UciEngine::Send(std::string_view line) {
  if (in_ < 0) return;
  std::string text(line);
  text += '\n';
  const char* p = text.data();
  size_t left = text.size();
  while (left > 0) {
    ssize_t n = write(in_, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    p += n;
    left -= static_cast<size_t>(n);
  }
}

std::optional<std::string> UciEngine::ReadLine(std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    const size_t eol = buffer_.find('\n');
    if (eol != std::string::npos) {
      std::string line = buffer_.substr(0, eol);
      buffer_.erase(0, eol + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
    if (out_ < 0) return std::nullopt;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return std::nullopt;
    pollfd fd{out_, POLLIN, 0};
    const int r = poll(&fd, 1, static_cast<int>(left));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return std::nullopt;
    char chunk[4096];
    const ssize_t n = read(out_, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return std::nullopt;
    buffer_.append(chunk, static_cast<size_t>(n));
  }
}

std::optional<std::vector<std::string>> UciEngine::ReadUntil(std::string_view prefix,
                                                             std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  std::vector<std::string> lines;
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    auto line = ReadLine(left);
    if (!line) return std::nullopt;
    lines.push_back(*line);
    if (line->starts_with(prefix)) return lines;
  }
}

bool UciEngine::Sync() {
  Send("isready");
  return ReadUntil("readyok", std::chrono::seconds(30)).has_value();
}

void UciEngine::SetPosition(std::string_view fen, const std::vector<std::string>& moves) {
  std::string line = "position fen ";
  line += fen;
  if (!moves.empty()) {
    line += " moves";
    for (const auto& m : moves) line += " " + m;
  }
  Send(line);
}

std::optional<UciEngine::PerftResult> UciEngine::Perft(int depth,
                                                       std::chrono::milliseconds timeout) {
  const auto start = Clock::now();
  Send("go perft " + std::to_string(depth));
  auto lines = ReadUntil("Nodes searched:", timeout);
  if (!lines) return std::nullopt;
  PerftResult result;
  result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  for (const auto& line : *lines) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    const uint64_t value = std::stoull(line.substr(colon + 1));
    if (line.starts_with("Nodes searched"))
      result.nodes = value;
    else if (line.find(' ') == colon + 1 && colon >= 4 && colon <= 5)
      result.perMove[line.substr(0, colon)] = value;
  }
  return result;
}

std::optional<std::vector<std::string>> UciEngine::Checkers() {
  Send("d");
  auto lines = ReadUntil("Checkers:", std::chrono::seconds(30));
  if (!lines) return std::nullopt;
  std::istringstream in(lines->back().substr(sizeof "Checkers:" - 1));
  std::vector<std::string> squares;
  for (std::string s; in >> s;) squares.push_back(s);
  return squares;
}

std::optional<std::string> UciEngine::Fen() {
  Send("d");
  auto lines = ReadUntil("Checkers:", std::chrono::seconds(30));
  if (!lines) return std::nullopt;
  for (const std::string& line : *lines)
    if (line.rfind("Fen: ", 0) == 0) return line.substr(sizeof "Fen: " - 1);
  return std::nullopt;
}

}  // namespace zh::test
