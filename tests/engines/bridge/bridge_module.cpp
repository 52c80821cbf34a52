// A test engine module that hands every search to stockfish through its UCI pipe and
// turns stockfish's answers into our reports: "go" posts 341, every info line with a
// principal variation 340 (all multipv lines so far), "currmove" 342, nodes 343 and
// depth 344; Eng9 returns at "bestmove". Stop (258) sends "stop", a ponder hit (265)
// "ponderhit". Every line stockfish writes goes to the file named by ZH_BRIDGE_LOG.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "enginemodule/interface/exports.h"

#define ZH_EXPORT extern "C" __attribute__((visibility("default")))

using namespace zh::eng;

namespace {

std::atomic<int32_t> g_in_use{0};
std::atomic<int32_t> g_searching{0};
MainLineBlock* g_main = nullptr;
CurrentMoveBlock* g_current = nullptr;
DepthBlock* g_depth = nullptr;
NodesBlock* g_nodes = nullptr;

pid_t g_pid = -1;
int g_to = -1;
FILE* g_from = nullptr;
std::mutex g_write;

void Post(int32_t code, void* block) {
  auto* header = static_cast<BlockHeader*>(block);
  Func3(code, header->gui_thread, header->engine_id, block);
}

void Send(const std::string& line) {
  std::lock_guard lock(g_write);
  if (g_to < 0) return;
  const std::string text = line + "\n";
  if (write(g_to, text.data(), text.size()) < 0) return;
}

bool ReadLine(std::string& line) {
  char buffer[8192];
  if (g_from == nullptr || fgets(buffer, sizeof buffer, g_from) == nullptr) return false;
  line = buffer;
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  if (const char* log = std::getenv("ZH_BRIDGE_LOG")) {
    if (FILE* f = std::fopen(log, "a")) {
      std::fprintf(f, "%s\n", line.c_str());
      std::fclose(f);
    }
  }
  return true;
}

void WaitFor(const char* prefix) {
  std::string line;
  while (ReadLine(line))
    if (line.rfind(prefix, 0) == 0) return;
}

bool StartStockfish() {
  int in[2], out[2];
  if (pipe(in) != 0 || pipe(out) != 0) return false;
  g_pid = fork();
  if (g_pid < 0) return false;
  if (g_pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    close(in[1]);
    close(out[0]);
    execl(ZH_STOCKFISH, ZH_STOCKFISH, static_cast<char*>(nullptr));
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  g_to = in[1];
  g_from = fdopen(out[0], "r");
  Send("uci");
  WaitFor("uciok");
  Send("setoption name Threads value 1");
  Send("setoption name Hash value 16");
  Send("isready");
  WaitFor("readyok");
  return true;
}

void StopStockfish() {
  Send("quit");
  if (g_pid > 0) waitpid(g_pid, nullptr, 0);
  std::lock_guard lock(g_write);
  if (g_to >= 0) close(g_to);
  if (g_from != nullptr) std::fclose(g_from);
  g_to = -1;
  g_from = nullptr;
  g_pid = -1;
}

std::string Square(int s) { return std::string{static_cast<char>('a' + s / 8), static_cast<char>('1' + s % 8)}; }

std::string Fen(const PositionBlock& b) {
  static constexpr char kLetters[] = " KQNBRP";
  std::string fen;
  for (int rank = 7; rank >= 0; --rank) {
    int empty = 0;
    for (int file = 0; file < 8; ++file) {
      const uint8_t code = b.board[file * 8 + rank];
      if (code == 0) {
        ++empty;
        continue;
      }
      if (empty) fen += static_cast<char>('0' + empty), empty = 0;
      const char c = kLetters[code & 7];
      fen += (code & 8) ? static_cast<char>(c - 'A' + 'a') : c;
    }
    if (empty) fen += static_cast<char>('0' + empty);
    if (rank) fen += '/';
  }
  fen += b.side_to_move ? " b " : " w ";
  std::string rights;
  if (b.castling & 2) rights += 'K';
  if (b.castling & 1) rights += 'Q';
  if (b.castling & 8) rights += 'k';
  if (b.castling & 4) rights += 'q';
  fen += rights.empty() ? "-" : rights;
  if (b.en_passant_file >= 1 && b.en_passant_file <= 8)
    fen += std::string(" ") + static_cast<char>('a' + b.en_passant_file - 1) + (b.side_to_move ? "3" : "6");
  else
    fen += " -";
  return fen + " 0 1";
}

std::string UciMove(const GameMove& m) {
  static constexpr char kPromotion[] = "  qnbr";
  std::string s = Square(m.from) + Square(m.to);
  if ((m.kind & kGameMovePromotion) && m.promotion >= 2 && m.promotion <= 5) s += kPromotion[m.promotion];
  return s;
}

ReportMove Coded(const std::string& uci) {
  ReportMove m{};
  if (uci.size() < 4) return m;
  m.from = static_cast<uint8_t>((uci[0] - 'a') * 8 + (uci[1] - '1'));
  m.to = static_cast<uint8_t>((uci[2] - 'a') * 8 + (uci[3] - '1'));
  if (uci.size() > 4) m.promotion = static_cast<uint8_t>(std::string("  qnbr").find(uci[4]));
  return m;
}

void ReadInfo(const std::string& line) {
  std::istringstream in(line.substr(5));
  std::string word;
  int depth = -1, seldepth = 0, multipv = 1, scoreType = 0, score = 0;
  long long nodes = -1, nps = 0;
  std::string currmove;
  int currnumber = 0;
  std::vector<std::string> pv;
  while (in >> word) {
    if (word == "depth") in >> depth;
    else if (word == "seldepth") in >> seldepth;
    else if (word == "multipv") in >> multipv;
    else if (word == "nodes") in >> nodes;
    else if (word == "nps") in >> nps;
    else if (word == "currmove") in >> currmove;
    else if (word == "currmovenumber") in >> currnumber;
    else if (word == "score") {
      std::string kind;
      in >> kind >> score;
      scoreType = kind == "mate" ? 2 : 1;
    } else if (word == "pv") {
      while (in >> word) pv.push_back(word);
    }
  }
  if (!currmove.empty()) {
    g_current->move = Coded(currmove);
    g_current->index = static_cast<int16_t>(currnumber);
    g_current->count = 0;
    Post(kReportCurrentMove, g_current);
  }
  if (nodes >= 0) {
    g_nodes->nodes_low = static_cast<uint32_t>(nodes);
    g_nodes->nodes_high = static_cast<uint32_t>(nodes >> 32);
    g_nodes->zero = static_cast<int32_t>(nps);
    Post(kReportNodes, g_nodes);
  }
  if (depth >= 0 && pv.empty()) {
    g_depth->depth = static_cast<int16_t>(depth);
    g_depth->selective_depth = static_cast<int16_t>(seldepth);
    Post(kReportDepth, g_depth);
  }
  if (pv.empty() || multipv < 1 || multipv > 64) return;
  MainLineBlock& b = *g_main;
  const int k = multipv - 1;
  b.line_count = static_cast<int16_t>(std::max<int>(b.line_count, multipv));
  b.line_move_counts[k] = static_cast<int16_t>(std::min<size_t>(pv.size(), 32));
  for (int i = 0; i < b.line_move_counts[k]; ++i) b.lines[k][i] = Coded(pv[static_cast<size_t>(i)]);
  b.line_score_values[k] = static_cast<int16_t>(score);
  b.line_score_types[k] = static_cast<int16_t>(scoreType);
  b.depth = static_cast<int16_t>(depth);
  b.selective_depth = static_cast<int16_t>(seldepth);
  b.flags = 0x2 | (depth >= 0 ? 0x1000u | 0x2000u : 0u);
  Post(kReportMainLine, g_main);
}

}  // namespace

ZH_EXPORT int32_t Eng1(MainLineBlock* main, CurrentMoveBlock* current, DepthBlock* depth, NodesBlock* nodes,
                       HashBlock* hash, int32_t kb) noexcept {
  if (g_in_use.exchange(1) != 0) return kStartInUse;
  g_main = main;
  g_current = current;
  g_depth = depth;
  g_nodes = nodes;
  if (hash) hash->hash_kb = kb;
  signal(SIGPIPE, SIG_IGN);
  if (!StartStockfish()) return 2;
  return kStartOk;
}
ZH_EXPORT void Eng2() noexcept {
  if (g_searching.load()) return;
  StopStockfish();
  g_main = nullptr;
  g_in_use.store(0);
}
ZH_EXPORT void Eng3() noexcept {
  if (g_searching.load()) Send("stop");
}
ZH_EXPORT int32_t Eng4() noexcept { return g_searching.load(); }
ZH_EXPORT int32_t Eng5() noexcept { return g_in_use.load(); }
ZH_EXPORT const char* Eng6() noexcept { return "Test Author"; }
ZH_EXPORT const char* Eng7() noexcept { return "Stockfish Bridge"; }
ZH_EXPORT int32_t Eng8() noexcept { return 2400; }
ZH_EXPORT int32_t Eng9(const PositionBlock* position) noexcept {
  const PositionBlock& b = *position;
  g_searching.store(1);
  std::string line = b.start_position ? "position startpos" : "position fen " + Fen(b);
  if (b.move_count > 0) line += " moves";
  for (int i = 0; i < b.move_count && i < kMaxGameMoves; ++i) line += " " + UciMove(b.moves[i]);
  Send("setoption name MultiPV value " + std::to_string(std::max<int>(1, b.lines_wanted)));
  Send(line);
  std::string go = "go";
  if (b.ponder == 2) go += " ponder";
  switch (b.mode) {
    case 1: {
      const long long ms = std::max<long long>(b.clock_seconds, 1) * 1000;
      go += " wtime " + std::to_string(ms) + " btime " + std::to_string(ms);
      go += " winc " + std::to_string(b.increment_seconds * 1000) + " binc " + std::to_string(b.increment_seconds * 1000);
      if (b.moves_to_go > 0 && b.moves_to_go != 0x7FFF) go += " movestogo " + std::to_string(b.moves_to_go);
      break;
    }
    case 2:
      go += " depth " + std::to_string(b.depth);
      break;
    case 3:
    case 5:
    case 6:
      go += " mate " + std::to_string(b.depth);
      break;
    default:
      go += b.clock_seconds > 0 && b.depth == 0x7FFF ? " movetime " + std::to_string(b.clock_seconds * 1000)
                                                       : std::string(" infinite");
      break;
  }
  // A new search starts with no lines; the header is the host's.
  std::memset(reinterpret_cast<char*>(g_main) + offsetof(MainLineBlock, flags), 0,
              sizeof(MainLineBlock) - offsetof(MainLineBlock, flags));
  Send(go);
  Post(kReportSearchStarted, g_main);
  std::string reply;
  while (ReadLine(reply)) {
    if (reply.rfind("info ", 0) == 0) ReadInfo(reply);
    if (reply.rfind("bestmove", 0) == 0) break;
  }
  g_searching.store(0);
  return 1;
}
ZH_EXPORT void Eng10() noexcept { Send("ponderhit"); }
ZH_EXPORT int32_t Eng11() noexcept { return 0; }
ZH_EXPORT int32_t Eng12() noexcept { return 0x10; }
ZH_EXPORT const ImageHeader* Eng19(int32_t) noexcept { return nullptr; }
