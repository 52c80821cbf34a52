// Match referee: plays ZelkoHome2, loaded through the engine host as the program
// loads it, against an outside engine over UCI or the xboard protocol. Every move is
// checked against the chess core's legal moves; both clocks are kept by the referee.
// Writes the games as PGN with coordinate moves, each move of ZelkoHome2 with a comment
// "score/depth time" of its last main line, and prints the score with the Elo
// difference and its 95% interval.
//
//   zh_match --engine <ZelkoHome2.eng> --opponent <command> --protocol uci|xboard
//            [--games N] [--first N] [--time S] [--inc S] [--openings FILE] [--pgn FILE]
//            [--hash KB] [--sprt elo0,elo1[,alpha,beta]]
//
// With --sprt the match is a sequential test: after each game the log-likelihood
// ratio is printed, and the match ends as soon as it crosses a bound (--games is then
// the most games it plays).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "core/rules/movelist.h"
#include "core/rules/position.h"
#include "enginemodule/host/engine_host.h"
#include "sprt.h"

namespace zh::match {
namespace {

using Clock = std::chrono::steady_clock;

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
}

std::string SquareName(int s) { return {static_cast<char>('a' + s / 8), static_cast<char>('1' + s % 8)}; }

std::string CodeText(const MoveCode& m) {
  std::string text = SquareName(m.from) + SquareName(m.to);
  if (m.kind & kPromotion) text += " qnbr"[m.promotion - 1];
  return text;
}

// The legal move of a position written as coordinate text (or castling as "O-O" and
// "O-O-O", which some xboard engines send), or false.
bool FindLegal(const Position& position, const std::string& text, MoveCode& out) {
  MoveList list;
  list.GenerateLegal(position);
  const bool castles = text.rfind("O-O", 0) == 0 || text.rfind("0-0", 0) == 0;
  const bool long_castle = castles && text.size() >= 5;
  for (int i = 0; i < list.Count(); ++i) {
    if (castles) {
      const uint8_t kind = list.At(i).kind;
      const uint8_t wanted = long_castle ? (kWhiteLongCastle | kBlackLongCastle) : (kWhiteShortCastle | kBlackShortCastle);
      if (kind & wanted) {
        out = list.At(i);
        return true;
      }
      continue;
    }
    std::string t = CodeText(list.At(i));
    if (t == text || (text.size() == 4 && t.size() == 5 && t.substr(0, 4) == text && t[4] == 'q')) {
      out = list.At(i);
      return true;
    }
  }
  return false;
}

// ZelkoHome2 through the engine host.
class HostPlayer {
 public:
  explicit HostPlayer(const std::string& path, int hash_kb) {
    token_ = enginehost::RegisterSink(&HostPlayer::Wake, this);
    std::memset(&slot_, 0, sizeof slot_);
    slot_.size = sizeof slot_;
    slot_.engine_id = 7001;
    slot_.sink_token = token_;
    slot_.gui_thread = 1;
    slot_.hash_kb = hash_kb;
    slot_.kind = 1;
    slot_.use_count = 2;
    std::strncpy(slot_.path, path.c_str(), sizeof(slot_.path) - 1);
    Func4(&slot_);
    enginehost::Report r;
    while (Wait(r, 10000)) {
      if (r.code == eng::kReportHostThread) thread_ = r.as<eng::HostThreadBlock>()->host_thread;
      if (r.code == eng::kReportStartResult) {
        ok_ = r.as<eng::StartResultBlock>()->code == 0;
        break;
      }
    }
  }
  bool ok() const { return ok_; }

  // The engine's move for the game so far, given its clock; empty when none. As the
  // program does, a game of 512 plies or more goes as the bare current position.
  std::string Move(const std::vector<MoveCode>& moves, const Position& current, int64_t own_ms, int64_t inc_ms) {
    comment_.clear();  // a move without a main-line report carries only its time
    eng::PositionBlock block{};
    block.header.size = sizeof block;
    block.header.engine_id = slot_.engine_id;
    if (moves.size() >= static_cast<size_t>(eng::kMaxGameMoves)) {
      std::memcpy(block.board, current.board.squares, sizeof block.board);
      block.side_to_move = static_cast<uint8_t>(current.side);
      block.en_passant_file = current.epFile;
      block.castling = current.castling;
    } else {
      block.start_position = 1;
      for (size_t i = 0; i < moves.size(); ++i) block.moves[i] = {moves[i].from, moves[i].to, moves[i].kind, moves[i].promotion};
      block.move_count = static_cast<int16_t>(moves.size());
    }
    block.lines_wanted = 1;
    block.one = 1;
    block.mode = 1;
    block.clock_seconds = static_cast<int32_t>(std::max<int64_t>(own_ms, 0) / 1000);
    block.increment_seconds = static_cast<int32_t>(inc_ms / 1000);
    block.moves_to_go = 0x7FFF;
    block.ponder = 1;
    if (!enginehost::PostRequest(thread_, eng::kRequestSearch, slot_.engine_id, reinterpret_cast<intptr_t>(&block)))
      return {};
    std::string best;
    enginehost::Report r;
    while (Wait(r, 600000)) {
      if (r.code == eng::kReportMainLine) {
        const auto* b = r.as<eng::MainLineBlock>();
        char text[48];
        std::snprintf(text, sizeof text, "%s%d/%d", b->score_type == 2 ? "#" : "", b->score_value, b->depth);
        comment_ = text;
        if (b->line_length > 0) {
          const eng::ReportMove& m = b->line[0];
          best = SquareName(m.from) + SquareName(m.to);
          if (m.promotion) best += " qnbr"[m.promotion - 1];
        }
      }
      if (r.code == eng::kReportSearchDone) break;
    }
    return best;
  }
  // Score (centipawns, or # and moves to mate) and depth of the last main line.
  const std::string& comment() const { return comment_; }

  void Exit() {
    enginehost::PostRequest(thread_, eng::kRequestExit, slot_.engine_id, 0);
    enginehost::Report r;
    while (Wait(r, 10000))
      if (r.code == eng::kReportHostGone) break;
    enginehost::UnregisterSink(token_);
  }

 private:
  static void Wake(void* self) {
    auto* p = static_cast<HostPlayer*>(self);
    { std::lock_guard lock(p->mutex_); }
    p->cv_.notify_all();
  }
  bool Wait(enginehost::Report& r, int timeout_ms) {
    std::unique_lock lock(mutex_);
    const auto end = Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
      if (enginehost::TakeReport(token_, r)) return true;
      if (cv_.wait_until(lock, end) == std::cv_status::timeout && !enginehost::TakeReport(token_, r)) return false;
      if (r.code != 0) return true;
    }
  }

  eng::EngineSlotRecord slot_{};
  int32_t token_ = 0;
  int32_t thread_ = 0;
  bool ok_ = false;
  std::mutex mutex_;
  std::condition_variable cv_;
  std::string comment_;
};

// An outside engine on two pipes.
class Process {
 public:
  explicit Process(const std::string& command) {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      int null = open("/dev/null", O_WRONLY);
      dup2(null, 2);
      close(in[1]);
      close(out[0]);
      execl("/bin/sh", "sh", "-c", ("exec " + command).c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    to_ = in[1];
    from_ = out[0];
  }
  ~Process() {
    if (to_ >= 0) close(to_);
    if (from_ >= 0) close(from_);
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  bool ended() const { return ended_; }
  void Send(const std::string& line) {
    const std::string text = line + "\n";
    ssize_t unused = write(to_, text.data(), text.size());
    (void)unused;
  }
  bool ReadLine(std::string& line, int timeout_ms) {
    const int64_t end = NowMs() + timeout_ms;
    for (;;) {
      const size_t nl = buffer_.find('\n');
      if (nl != std::string::npos) {
        line = buffer_.substr(0, nl);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        buffer_.erase(0, nl + 1);
        return true;
      }
      pollfd fd{from_, POLLIN, 0};
      const int64_t left = end - NowMs();
      if (left <= 0 || poll(&fd, 1, static_cast<int>(left)) <= 0) return false;
      char chunk[4096];
      const ssize_t n = read(from_, chunk, sizeof chunk);
      if (n <= 0) {
        ended_ = true;  // the engine closed its output: it has ended
        return false;
      }
      buffer_.append(chunk, static_cast<size_t>(n));
    }
  }

 private:
  int pid_ = -1;
  int to_ = -1;
  int from_ = -1;
  bool ended_ = false;
  std::string buffer_;
};

// The outside engine's side of a game over UCI or xboard.
class Opponent {
 public:
  Opponent(const std::string& command, bool xboard, int64_t base_ms, int64_t inc_ms)
      : process_(command), xboard_(xboard), base_ms_(base_ms), inc_ms_(inc_ms) {
    std::string line;
    if (xboard_) {
      process_.Send("xboard");
      process_.Send("protover 2");
      while (process_.ReadLine(line, 2000)) {
        if (line.find("usermove=1") != std::string::npos) usermove_ = true;
        if (line.find("done=1") != std::string::npos) break;
      }
    } else {
      process_.Send("uci");
      while (process_.ReadLine(line, 10000) && line != "uciok") {
      }
    }
  }

  void NewGame(const std::vector<std::string>& moves) {
    std::string line;
    if (xboard_) {
      process_.Send("new");
      process_.Send("easy");
      process_.Send("post");
      char level[64];
      std::snprintf(level, sizeof level, "level 0 %d:%02d %g", static_cast<int>(base_ms_ / 60000),
                    static_cast<int>(base_ms_ / 1000 % 60), static_cast<double>(inc_ms_) / 1000);
      process_.Send(level);
      process_.Send("force");
      for (const std::string& m : moves) process_.Send(usermove_ ? "usermove " + m : m);
      sent_ = moves.size();
      started_ = false;
    } else {
      process_.Send("ucinewgame");
      process_.Send("isready");
      while (process_.ReadLine(line, 10000) && line != "readyok") {
      }
    }
  }

  // The opponent's move after the given game moves; the last of them is the one it
  // has not yet been told about (xboard).
  std::string Move(const std::vector<std::string>& moves, int64_t own_ms, int64_t other_ms, bool white,
                   int64_t timeout_ms) {
    std::string line;
    if (xboard_) {
      process_.Send("time " + std::to_string(std::max<int64_t>(own_ms, 0) / 10));
      process_.Send("otim " + std::to_string(std::max<int64_t>(other_ms, 0) / 10));
      // Moves it has not seen yet: in force mode before the first "go", else the
      // opponent's reply that it answers.
      for (; sent_ < moves.size(); ++sent_) process_.Send(usermove_ ? "usermove " + moves[sent_] : moves[sent_]);
      if (!started_) {
        started_ = true;
        process_.Send("go");
      }
      while (process_.ReadLine(line, static_cast<int>(timeout_ms))) {
        if (line.rfind("move ", 0) == 0) {
          sent_ = moves.size() + 1;
          return line.substr(5);
        }
        if (line.rfind("Illegal move", 0) == 0 || line.rfind("Error", 0) == 0) return "illegal:" + line;
        if (line.find("resign") != std::string::npos) return "resign";
      }
      return {};
    }
    std::string position = "position startpos";
    if (!moves.empty()) {
      position += " moves";
      for (const std::string& m : moves) position += " " + m;
    }
    process_.Send(position);
    const int64_t w = white ? own_ms : other_ms, b = white ? other_ms : own_ms;
    process_.Send("go wtime " + std::to_string(std::max<int64_t>(w, 1)) + " btime " +
                  std::to_string(std::max<int64_t>(b, 1)) + " winc " + std::to_string(inc_ms_) + " binc " +
                  std::to_string(inc_ms_));
    while (process_.ReadLine(line, static_cast<int>(timeout_ms)))
      if (line.rfind("bestmove ", 0) == 0) {
        std::istringstream in(line.substr(9));
        std::string m;
        in >> m;
        return m;
      }
    return {};
  }

  // Tells an xboard engine the last move when the game ends on it.
  void Finish(const std::string& last_move, bool own_move) {
    if (xboard_ && !own_move) process_.Send(usermove_ ? "usermove " + last_move : last_move);
    if (xboard_) process_.Send("force");
  }
  bool ended() const { return process_.ended(); }

 private:
  Process process_;
  bool xboard_;
  bool usermove_ = false;
  bool started_ = false;
  size_t sent_ = 0;  // game moves the xboard engine knows
  int64_t base_ms_, inc_ms_;
};

bool SameRights(const Position& a, const Position& b) { return a == b; }

// No mate is possible: kings alone, one minor piece, or bishops all on one colour.
bool DeadPosition(const Position& p) {
  int minors = 0, knights = 0;
  int bishop_colours = 0;
  for (int s = 0; s < 64; ++s) {
    const int c = p.board.squares[s];
    const int type = c & 7;
    if (type == 0 || type == 1) continue;
    if (type == 2 || type == 5 || type == 6) return false;  // queen, rook, pawn
    ++minors;
    if (type == 3) ++knights;
    if (type == 4) bishop_colours |= 1 << ((s / 8 + s % 8) & 1);
  }
  if (minors <= 1) return true;
  return knights == 0 && bishop_colours != 3;
}

struct Result {
  double zelko_points = 0;  // 1, 0.5 or 0
  std::string pgn_result;
  std::string reason;
  bool zelko_lost_on_time = false;
  bool zelko_illegal = false;
  bool opponent_lost_on_time = false;
  bool opponent_illegal = false;
  bool opponent_ended = false;  // the outside engine died: the game counts for nobody
};

struct Options {
  std::string engine, opponent, protocol = "xboard", openings, pgn = "match.pgn";
  int games = 2, hash_kb = 16384;
  int first = 0;  // number of the first game, so that runs side by side share the openings
  double time_s = 5, inc_s = 0.1;
  bool sprt = false;
  SprtBounds sprt_bounds;
};

Result PlayGame(HostPlayer& zelko, Opponent& opponent, const Options& o, const std::vector<std::string>& opening,
                bool zelko_white, std::vector<std::string>& played, std::vector<std::string>& notes) {
  Position position;
  std::vector<MoveCode> codes;
  std::vector<Position> since_irreversible{position};
  int64_t clocks[2] = {static_cast<int64_t>(o.time_s * 1000), static_cast<int64_t>(o.time_s * 1000)};
  const int64_t inc = static_cast<int64_t>(o.inc_s * 1000 + 0.5);
  Result r;
  auto finish = [&](double zelko_points, const std::string& reason) {
    r.zelko_points = zelko_points;
    r.reason = reason;
    const bool white_won = (zelko_points == 1) == zelko_white;
    r.pgn_result = zelko_points == 0.5 ? "1/2-1/2" : white_won ? "1-0" : "0-1";
    return r;
  };
  auto apply = [&](const MoveCode& m) {
    const bool irreversible = (m.kind & (kCapture | kEnPassant | kPromotion | kDoubleStep | kCastleBits)) ||
                              (position.board.squares[m.from] & 7) == 6;
    position.MakeMove(Move::FromCode(m));
    codes.push_back(m);
    played.push_back(CodeText(m));
    notes.emplace_back();
    if (irreversible) since_irreversible.clear();
    since_irreversible.push_back(position);
  };
  played.clear();
  notes.clear();
  for (const std::string& text : opening) {
    MoveCode m;
    if (!FindLegal(position, text, m)) break;
    apply(m);
  }
  opponent.NewGame(played);
  for (;;) {
    const int side = position.IsBlackToMove() ? 1 : 0;
    if (position.IsCheckmate()) return finish(((side == 0) == zelko_white) ? 0 : 1, "checkmate");
    if (position.IsStalemate()) return finish(0.5, "stalemate");
    if (DeadPosition(position)) return finish(0.5, "dead position");
    if (since_irreversible.size() > 100) return finish(0.5, "50 moves");
    int repeats = 0;
    for (const Position& earlier : since_irreversible) repeats += SameRights(earlier, position);
    if (repeats >= 3) return finish(0.5, "repetition");

    const bool zelko_to_move = (side == 0) == zelko_white;
    const int64_t start = NowMs();
    std::string text = zelko_to_move
                           ? zelko.Move(codes, position, clocks[side], inc)
                           : opponent.Move(played, clocks[side], clocks[side ^ 1], side == 0, clocks[side] + 5000);
    clocks[side] -= NowMs() - start;
    if (clocks[side] < 0) {
      (zelko_to_move ? r.zelko_lost_on_time : r.opponent_lost_on_time) = true;
      return finish(zelko_to_move ? 0 : 1, "time");
    }
    if (!zelko_to_move && text.empty() && opponent.ended()) {
      r.opponent_ended = true;
      return finish(0.5, "opponent ended");
    }
    clocks[side] += inc;
    if (!zelko_to_move && text == "resign") return finish(1, "resignation");
    MoveCode m;
    if (!FindLegal(position, text, m)) {
      (zelko_to_move ? r.zelko_illegal : r.opponent_illegal) = true;
      std::cerr << "illegal move '" << text << "' by " << (zelko_to_move ? "ZelkoHome2" : "opponent") << "\n";
      return finish(zelko_to_move ? 0 : 1, "illegal move");
    }
    apply(m);
    if (zelko_to_move) {
      char used[32];
      std::snprintf(used, sizeof used, " %.2fs", static_cast<double>(NowMs() - start) / 1000);
      notes.back() = zelko.comment() + used;
    }
    if (position.IsCheckmate() || position.IsStalemate()) opponent.Finish(CodeText(m), !zelko_to_move);
  }
}

// Moves of ZelkoHome2 carry a comment with its score/depth and the time it used.
void WritePgn(std::ostream& out, int round, const std::string& white, const std::string& black,
              const std::vector<std::string>& moves, const std::vector<std::string>& notes, const Result& r) {
  out << "[Event \"ZelkoHome2 match\"]\n[Site \"local\"]\n[Date \"????.??.??\"]\n[Round \"" << round
      << "\"]\n[White \"" << white << "\"]\n[Black \"" << black << "\"]\n[Result \"" << r.pgn_result
      << "\"]\n[Termination \"" << r.reason << "\"]\n\n";
  std::string line;
  for (size_t i = 0; i < moves.size(); ++i) {
    std::string token = (i % 2 == 0 ? std::to_string(i / 2 + 1) + ". " : "") + moves[i];
    if (i < notes.size() && !notes[i].empty()) token += " {" + notes[i] + "}";
    if (line.size() + token.size() > 78) {
      out << line << "\n";
      line.clear();
    }
    line += (line.empty() ? "" : " ") + token;
  }
  out << line << (line.empty() ? "" : " ") << r.pgn_result << "\n\n";
}

// Elo difference of a score fraction.
double Elo(double p) {
  p = std::clamp(p, 1e-6, 1 - 1e-6);
  return -400 * std::log10(1 / p - 1);
}

int Run(const Options& o) {
  std::vector<std::vector<std::string>> openings;
  if (!o.openings.empty()) {
    std::ifstream in(o.openings);
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      std::istringstream words(line);
      std::vector<std::string> moves;
      for (std::string m; words >> m;) moves.push_back(m);
      openings.push_back(moves);
    }
  }
  if (openings.empty()) openings.push_back({});
  HostPlayer zelko(o.engine, o.hash_kb);
  if (!zelko.ok()) {
    std::cerr << "cannot start " << o.engine << "\n";
    return 2;
  }
  auto start_opponent = [&] {
    return std::make_unique<Opponent>(o.opponent, o.protocol == "xboard", static_cast<int64_t>(o.time_s * 1000),
                                      static_cast<int64_t>(o.inc_s * 1000 + 0.5));
  };
  std::unique_ptr<Opponent> opponent = start_opponent();
  int restarts = 0;
  std::ofstream pgn(o.pgn);
  int wins = 0, draws = 0, losses = 0, own_time = 0, own_illegal = 0, other_time = 0, other_illegal = 0;
  SprtDecision decision = SprtDecision::kContinue;
  for (int g = o.first; g < o.first + o.games; ++g) {
    const auto& opening = openings[static_cast<size_t>(g / 2) % openings.size()];
    const bool zelko_white = g % 2 == 0;
    std::vector<std::string> moves, notes;
    const Result r = PlayGame(zelko, *opponent, o, opening, zelko_white, moves, notes);
    if (r.opponent_ended) {
      // A dead outside engine would answer every later game with nothing: start it
      // again and replay the game; give up when it keeps dying.
      std::cerr << "game " << g + 1 << ": the opponent ended; restarting it\n";
      if (++restarts > 3) {
        std::cerr << "the opponent keeps ending; match stopped\n";
        return 2;
      }
      opponent = start_opponent();
      --g;
      continue;
    }
    wins += r.zelko_points == 1;
    draws += r.zelko_points == 0.5;
    losses += r.zelko_points == 0;
    own_time += r.zelko_lost_on_time;
    own_illegal += r.zelko_illegal;
    other_time += r.opponent_lost_on_time;
    other_illegal += r.opponent_illegal;
    WritePgn(pgn, g + 1, zelko_white ? "ZelkoHome2" : o.opponent, zelko_white ? o.opponent : "ZelkoHome2", moves, notes, r);
    pgn.flush();
    std::cout << "game " << g + 1 << ": " << r.pgn_result << " (" << r.reason << "), ZelkoHome2 "
              << (zelko_white ? "white" : "black") << "\n"
              << std::flush;
    if (o.sprt) {
      decision = Sprt(wins, draws, losses, o.sprt_bounds);
      std::printf("sprt: +%d =%d -%d llr %.3f (%.3f, %.3f)%s\n", wins, draws, losses,
                  SprtLlr(wins, draws, losses, o.sprt_bounds), SprtLower(o.sprt_bounds), SprtUpper(o.sprt_bounds),
                  decision == SprtDecision::kAcceptH1   ? " H1 accepted"
                  : decision == SprtDecision::kAcceptH0 ? " H0 accepted"
                                                        : "");
      std::fflush(stdout);
      if (decision != SprtDecision::kContinue) break;
    }
  }
  zelko.Exit();
  const int n = wins + draws + losses;
  const double p = n ? (wins + 0.5 * draws) / n : 0.5;
  const double variance =
      n ? (wins * (1 - p) * (1 - p) + draws * (0.5 - p) * (0.5 - p) + losses * p * p) / n : 0.0;
  const double margin = n ? 1.96 * std::sqrt(variance / n) : 0.0;
  std::printf("\n| games | +ZelkoHome2 | =  | -  | score | lost on time | illegal moves | opponent on time | Elo | 95%% |\n");
  std::printf("| %d | %d | %d | %d | %.1f%% | %d | %d | %d | %+.0f | %+.0f .. %+.0f |\n", n, wins, draws, losses,
              100 * p, own_time, own_illegal, other_time, Elo(p), Elo(p - margin), Elo(p + margin));
  if (o.sprt)
    std::printf("SPRT [%g, %g] alpha %g beta %g: %s\n", o.sprt_bounds.elo0, o.sprt_bounds.elo1, o.sprt_bounds.alpha,
                o.sprt_bounds.beta,
                decision == SprtDecision::kAcceptH1   ? "H1 accepted (stronger)"
                : decision == SprtDecision::kAcceptH0 ? "H0 accepted (not stronger)"
                                                      : "undecided");
  (void)other_illegal;
  return own_time == 0 && own_illegal == 0 ? 0 : 1;
}

}  // namespace
}  // namespace zh::match

int main(int argc, char** argv) {
  zh::match::Options o;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string key = argv[i], value = argv[i + 1];
    if (key == "--engine") o.engine = value;
    else if (key == "--opponent") o.opponent = value;
    else if (key == "--protocol") o.protocol = value;
    else if (key == "--games") o.games = std::atoi(value.c_str());
    else if (key == "--time") o.time_s = std::atof(value.c_str());
    else if (key == "--inc") o.inc_s = std::atof(value.c_str());
    else if (key == "--openings") o.openings = value;
    else if (key == "--pgn") o.pgn = value;
    else if (key == "--hash") o.hash_kb = std::atoi(value.c_str());
    else if (key == "--first") o.first = std::atoi(value.c_str());
    else if (key == "--sprt") {
      if (!zh::match::ParseSprt(value.c_str(), o.sprt_bounds)) {
        std::cerr << "--sprt wants elo0,elo1[,alpha,beta] with elo0 < elo1\n";
        return 2;
      }
      o.sprt = true;
    }
    else {
      std::cerr << "unknown option " << key << "\n";
      return 2;
    }
  }
  if (o.engine.empty() || o.opponent.empty()) {
    std::cerr << "usage: zh_match --engine FILE --opponent COMMAND [--protocol uci|xboard] [--games N]"
                 " [--first N] [--time S] [--inc S] [--openings FILE] [--pgn FILE] [--hash KB]"
                 " [--sprt elo0,elo1[,alpha,beta]]\n";
    return 2;
  }
  signal(SIGPIPE, SIG_IGN);
  return zh::match::Run(o);
}
