#include "support/pgn_corpus.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <vector>

#include "core/rules/fen.h"
#include "core/rules/movelist.h"
#include "core/rules/position.h"

namespace zh::test {

std::string RunCommand(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string out;
  if (!pipe) return out;
  char buffer[65536];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe.get())) out.append(buffer, n);
  return out;
}

namespace {

constexpr const char* kWords[] = {
    "good", "bad", "idea", "plan",  "with", "the",    "attack",     "(see",        "game)", "!",
    "a",    "b",   "x.y",  "d4-d5", "1-0?", "[note]", "\"quoted\"", "back\\slash", "end."};

class Generator {
 public:
  Generator(uint32_t seed, bool nullMoves, bool firstMoveVariations, int mainPlies)
      : rng_(seed),
        nullMoves_(nullMoves),
        firstMoveVariations_(firstMoveVariations),
        mainPlies_(mainPlies) {}

  int Below(int n) { return static_cast<int>(rng_() % static_cast<uint32_t>(n)); }
  bool Chance(int percent) { return Below(100) < percent; }

  std::string Comment() {
    std::string text;
    const int n = 1 + Below(Chance(10) ? 40 : 6);
    for (int i = 0; i < n; ++i) {
      if (i) text += ' ';
      text += kWords[Below(std::size(kWords))];
    }
    return "{" + text + "}";
  }

  std::string Glyphs() {
    static constexpr int kMove[] = {1, 2, 3, 4, 5, 6};
    static constexpr int kPosition[] = {10, 13, 14, 15, 16, 17, 18, 19, 36, 40, 44, 132};
    static constexpr int kPrefix[] = {140, 142, 145};
    std::vector<int> g;
    if (Chance(15)) g.push_back(kMove[Below(std::size(kMove))]);
    if (Chance(8)) g.push_back(kPosition[Below(std::size(kPosition))]);
    if (Chance(4)) g.push_back(kPrefix[Below(std::size(kPrefix))]);
    std::string s;
    for (int v : g) s += " $" + std::to_string(v);
    return s;
  }

  static std::string Coord(const MoveCode& m) {
    std::string s = {static_cast<char>('a' + FileOf(m.from)),
                     static_cast<char>('1' + RankOf(m.from)), static_cast<char>('a' + FileOf(m.to)),
                     static_cast<char>('1' + RankOf(m.to))};
    if (m.kind & kPromotion) s += "?kqnbrp"[m.promotion];
    return s;
  }

  // Prefers promotions and captures now and then, so that games reach them.
  MoveCode Pick(const MoveList& list) {
    std::vector<MoveCode> promotions;
    for (const MoveCode& m : list)
      if (m.kind & kPromotion) promotions.push_back(m);
    if (!promotions.empty() && Chance(70))
      return promotions[static_cast<size_t>(Below(int(promotions.size())))];
    return list.At(Below(list.Count()));
  }

  // A line of up to `plies` moves from the position; variations down to `depth`.
  void Line(Position p, int plies, int depth, bool variation, std::string& out) {
    if (variation && Chance(20)) out += Comment() + " ";
    for (int i = 0; i < plies; ++i) {
      MoveList list;
      list.GenerateLegal(p);
      if (list.Count() == 0) return;
      const bool null = nullMoves_ && !p.IsInCheck() && Chance(2) && i > 0;
      const Position before = p;
      if (null) {
        out += "-- ";
        p.side ^= 1;
        p.epFile = 0;
      } else {
        const MoveCode m = Pick(list);
        out += Coord(m);
        p.MakeMove(Move::FromCode(m));
      }
      out += Glyphs();
      if (Chance(8)) out += " " + Comment();
      out += ' ';
      // Alternatives to this move, also at a variation's first move.
      const bool nested = i == 0 && variation;
      if (depth > 0 && (firstMoveVariations_ || !nested) && Chance(nested ? 25 : 4)) {
        const int n = 1 + Below(2);
        for (int v = 0; v < n; ++v) {
          out += "( ";
          Line(before, 1 + Below(6), depth - 1, true, out);
          out += ") ";
        }
      }
    }
  }

  std::string Tags(const std::string& fen) {
    std::vector<std::string> tags = {
        "[Event \"" +
            std::string(Chance(10)   ? "?"
                        : Chance(20) ? "Open \\\"A\\\" \\\\ B"
                                     : "Cup") +
            "\"]",
        "[Site \"" + std::string(Chance(20) ? "?" : "Town") + "\"]",
        "[Date \"" +
            std::string(Chance(20)   ? "????.??.??"
                        : Chance(30) ? "1999.??.??"
                                     : "2001.07.14") +
            "\"]",
        "[Round \"" +
            std::string(Chance(20)   ? "?"
                        : Chance(30) ? "3.1"
                                     : "12") +
            "\"]",
        "[White \"" +
            std::string(Chance(10)   ? "?"
                        : Chance(30) ? "Smith, J."
                                     : "Miller, Anna") +
            "\"]",
        "[Black \"" + std::string(Chance(10) ? "?" : "Brown") + "\"]",
    };
    if (Chance(30)) tags.push_back("[ECO \"B" + std::to_string(10 + Below(90)) + "\"]");
    if (Chance(30)) tags.push_back("[WhiteElo \"" + std::to_string(1600 + Below(1200)) + "\"]");
    if (Chance(30)) tags.push_back("[BlackElo \"" + std::to_string(1600 + Below(1200)) + "\"]");
    if (Chance(20)) tags.push_back("[Annotator \"Ann Notator\"]");
    if (Chance(10)) tags.push_back("[EventDate \"2001.??.??\"]");
    if (Chance(10)) tags.push_back("[Source \"Weekly\"]");
    if (Chance(20)) tags.push_back("[Opening \"Unknown tag\"]");
    if (Chance(10)) tags.push_back("[TimeControl \"?\"]");
    if (!fen.empty()) {
      tags.push_back("[SetUp \"1\"]");
      tags.push_back("[FEN \"" + fen + "\"]");
    }
    if (Chance(30)) std::shuffle(tags.begin(), tags.end(), rng_);
    std::string s;
    for (const std::string& t : tags) s += t + "\n";
    return s;
  }

  std::string Game() {
    Position start;
    std::string fen;
    if (Chance(10)) {
      // A set-up: the position after some random moves, written as FEN.
      for (int i = 0, n = 4 + Below(30); i < n; ++i) {
        MoveList list;
        list.GenerateLegal(start);
        if (list.Count() == 0) break;
        start.MakeMove(Move::FromCode(list.At(Below(list.Count()))));
      }
      StartRecord record;
      record.start = {start, 0};
      record.firstMove = static_cast<int16_t>(1 + Below(40));
      fen = FormatFen(record);
    }
    std::string moves;
    if (Chance(10)) moves += Comment() + " ";
    Line(start, mainPlies_ > 0 ? mainPlies_ - 5 + Below(11) : 10 + Below(70), 3, false, moves);
    static constexpr const char* kResults[] = {"1-0", "0-1", "1/2-1/2", "*"};
    const char* result = kResults[Below(4)];
    std::string tags = Tags(fen);
    tags += std::string("[Result \"") + result + "\"]\n";
    return tags + "\n" + moves + result + "\n\n";
  }

 private:
  std::mt19937 rng_;
  bool nullMoves_;
  bool firstMoveVariations_;
  int mainPlies_;
};

}  // namespace

bool WritePgnCorpus(const std::string& pgnExtract, const std::string& coordinatePath,
                    const std::string& pgnPath, int count, uint32_t seed, bool nullMoves,
                    bool firstMoveVariations, int mainPlies) {
  {
    std::ofstream out(coordinatePath, std::ios::binary);
    Generator g(seed, nullMoves, firstMoveVariations, mainPlies);
    for (int i = 0; i < count; ++i) out << g.Game();
    if (!out) return false;
  }
  const std::string command = pgnExtract + " -Wsan --quiet --allownullmoves -w75 -o " + pgnPath +
                              " " + coordinatePath + " 2>&1";
  RunCommand(command);
  std::ifstream check(pgnPath);
  return static_cast<bool>(check);
}

bool WriteTagRoster(const std::string& path) {
  std::ofstream out(path);
  for (const char* tag :
       {"Event", "Site", "Date", "Round", "White", "Black", "Result", "ECO", "WhiteElo", "BlackElo",
        "Annotator", "SetUp", "FEN", "EventDate", "Source", "SourceDate"})
    out << tag << "\n";
  return static_cast<bool>(out);
}

namespace {

// Blanks collapsed, "} {" joined into one comment, runs of "$n" sorted.
std::string Normalise(const std::string& text) {
  std::vector<std::string> tokens;
  std::istringstream in(text);
  std::string word;
  while (in >> word) tokens.push_back(word);
  std::string out;
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i][0] == '$') {
      size_t j = i;
      while (j < tokens.size() && tokens[j][0] == '$') ++j;
      std::vector<int> glyphs;
      for (size_t k = i; k < j; ++k) glyphs.push_back(std::atoi(tokens[k].c_str() + 1));
      std::sort(glyphs.begin(), glyphs.end());
      for (int g : glyphs) out += " $" + std::to_string(g);
      i = j - 1;
      continue;
    }
    out += ' ';
    out += tokens[i];
  }
  // Adjacent comments.
  for (size_t at; (at = out.find("} {")) != std::string::npos;) out.replace(at, 3, " ");
  return out;
}

}  // namespace

std::string NormalisedPgn(const std::string& pgnExtract, const std::string& rosterPath,
                          const std::string& pgnPath) {
  const std::string command = pgnExtract + " -s --quiet --allownullmoves -R" + rosterPath +
                              " --xroster -w2000 " + pgnPath + " 2>/dev/null";
  return Normalise(RunCommand(command));
}

}  // namespace zh::test
