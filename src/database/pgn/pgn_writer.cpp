#include "database/pgn/pgn_writer.h"

#include <cstdio>
#include <string_view>
#include <vector>

#include "core/rules/fen.h"
#include "core/rules/notation.h"
#include "core/toolbox/code_pages.h"
#include "core/toolbox/utf8.h"
#include "database/eco_text.h"
#include "database/game/annotation_set.h"
#include "database/game/embedded_game.h"
#include "database/game/game_item.h"
#include "database/game/move_tree.h"

namespace zh {

namespace {

// Display symbols and letters that export spells out in ASCII.
std::string_view SymbolSpelling(uint8_t c) {
  switch (c) {
    case 0x04:
    case 0x9E:
      return "#";
    case 0x81:
      return "\\/";
    case 0x82:
      return "->";
    case 0x83:
      return "|^";
    case 0x84:
      return "<=>";
    case 0x85:
      return "/\\";
    case 0x86:
      return "()";
    case 0x87:
      return "(.)";
    case 0x89:
      return "@";
    case 0x91:
      return "<->";
    case 0x92:
      return "/^";
    case 0x93:
      return "(+)";
    case 0x94:
      return "[+]";
    case 0x95:
      return "o";
    case 0x99:
      return "[]";
    case 0xA2:
      return "K";
    case 0xA3:
      return "Q";
    case 0xA4:
      return "N";
    case 0xA5:
      return "B";
    case 0xA6:
      return "R";
    case 0xA7:
      return "P";
    case 0xA8:
      return "..";
    case 0xAA:
      return "|_";
    case 0xAB:
      return "<<";
    case 0xAC:
      return "_|_";
    case 0xAD:
      return "^^";
    case 0xAE:
      return "^-";
    case 0xAF:
      return "^=";
    case 0xB0:
      return "~/=";
    case 0xB1:
      return "+/-";
    case 0xB2:
      return "+/=";
    case 0xB3:
      return "=/+";
    case 0xB5:
      return "-/+";
    case 0xB9:
      return ">=";
    case 0xBA:
      return "_|";
    case 0xBB:
      return ">>";
    case 0xBC:
      return "1/4";
    case 0xBD:
      return "1/2";
    case 0xBE:
      return "3/4";
    case 0xD7:
      return "><";
    case 0xDE:
      return "o/o";
    case 0xF7:
      return "~~";
    case 0xFE:
      return "o^";
    case 0xC4:
      return "Ae";
    case 0xD6:
      return "Oe";
    case 0xDC:
      return "Ue";
    case 0xDF:
      return "ss";
    case 0xE4:
      return "ae";
    case 0xF6:
      return "oe";
    case 0xFC:
      return "ue";
    default:
      return {};
  }
}

constexpr int kLineLimit = 80;

// Movetext as words on lines of at most 79 characters: a word is joined to the line
// by a blank (none at a line start or after an opening bracket) and goes to the next
// line when it would not fit. No line starts with '%', which readers skip.
class PgnOutput {
 public:
  explicit PgnOutput(std::string& out) : out_(out) {}

  void Word(std::string_view word) {
    const bool blank = length_ > 0 && !glue_;
    if (length_ > 0 && length_ + blank + word.size() >= kLineLimit) {
      out_ += "\r\n";
      length_ = 0;
    } else if (blank) {
      out_ += ' ';
      ++length_;
    }
    if (length_ == 0 && !word.empty() && word[0] == '%') {
      out_ += ' ';
      ++length_;
    }
    out_ += word;
    length_ += word.size();
    glue_ = false;
  }
  // The next word follows without a blank ("(" then the variation's first number).
  void Glue() { glue_ = true; }
  // Appended to the last word (")" after a variation).
  void Attach(std::string_view text) {
    out_ += text;
    length_ += text.size();
  }
  void EndLine() {
    out_ += "\r\n";
    length_ = 0;
  }

 private:
  std::string& out_;
  size_t length_ = 0;
  bool glue_ = false;
};

std::string TagValue(const std::string& utf8) {
  std::string v;
  for (char c : PgnAsciiText(utf8)) {
    if (c == '"' || c == '\\') v += '\\';
    v += c;
  }
  return v;
}

void Tag(std::string& out, std::string_view name, const std::string& value) {
  out += '[';
  out += name;
  out += " \"";
  out += TagValue(value);
  out += "\"]\r\n";
}

std::string DateText(uint32_t date) {
  const unsigned year = date >> 9, month = (date >> 5) & 15, day = date & 31;
  char buffer[32];
  std::string y = year ? std::to_string(year) : "????";
  std::snprintf(buffer, sizeof buffer, "%s.", y.c_str());
  std::string t = buffer;
  if (month) {
    std::snprintf(buffer, sizeof buffer, "%02u", month);
    t += buffer;
  } else {
    t += "??";
  }
  t += '.';
  if (day) {
    std::snprintf(buffer, sizeof buffer, "%02u", day);
    t += buffer;
  } else {
    t += "??";
  }
  return t;
}

std::string PlayerText(const TQPlayer& p) {
  if (p.IsEmpty()) return "?";
  if (p.LastName().empty() || p.FirstName().empty()) return p.LastName() + p.FirstName();
  const bool initial = DecodeUtf8(p.FirstName(), 0).length == p.FirstName().size();
  return p.LastName() + ", " + p.FirstName() + (initial ? "." : "");
}

const char* ResultText(int result) {
  switch (result) {
    case kBlackWon:
      return "0-1";
    case kDraw:
      return "1/2-1/2";
    case kWhiteWon:
      return "1-0";
    default:
      return "*";
  }
}

void WriteTags(std::string& out, const TQGame& game) {
  const GameHeader& h = game.header;
  Tag(out, "Event", h.tournament.Title().empty() ? "?" : h.tournament.Title());
  Tag(out, "Site", h.tournament.Place().empty() ? "?" : h.tournament.Place());
  Tag(out, "Date", DateText(h.GetDate()));
  std::string round = h.GetRound() ? std::to_string(h.GetRound()) : "?";
  if (h.GetSubRound()) round += "." + std::to_string(h.GetSubRound());
  Tag(out, "Round", round);
  Tag(out, "White", PlayerText(h.white));
  Tag(out, "Black", PlayerText(h.black));
  Tag(out, "Result", ResultText(h.GetResult()));
  if (h.GetEco() >= 128) Tag(out, "ECO", EcoToText(h.GetEco()));
  if (h.GetWhiteElo()) Tag(out, "WhiteElo", std::to_string(h.GetWhiteElo()));
  if (h.GetBlackElo()) Tag(out, "BlackElo", std::to_string(h.GetBlackElo()));
  if (!h.annotator.Name().empty()) Tag(out, "Annotator", h.annotator.Name());
  if (game.body.IsSetUp()) {
    Tag(out, "SetUp", "1");
    Tag(out, "FEN", FormatFen(game.body.start));
  }
  Tag(out, "PlyCount", std::to_string(game.body.mainLine.Count()));
  if (h.tournament.date >> 9) Tag(out, "EventDate", DateText(h.tournament.date));
  if (!h.source.Second().empty()) Tag(out, "Source", h.source.Second());
  if (static_cast<uint32_t>(h.source.value1) >> 9)
    Tag(out, "SourceDate", DateText(static_cast<uint32_t>(h.source.value1)));
  out += "\r\n";
}

// The comment of a move (text before: type 130, else the text after with the
// evaluation, clock time and embedded game), in export characters.
std::string CommentText(AnnotationSet& set, int type) {
  std::string text;
  auto add = [&text](const std::string& part, const char* separator = " ") {
    if (part.empty()) return;
    if (!text.empty()) text += separator;
    text += part;
  };
  for (int i = 0; i < set.Count(); ++i) {
    const AnnotationEntry& e = set.EntryAt(i);
    if (e.type == type) add(e.Text());
  }
  if (type == kTextAfter) {
    if (set.HasEngineEval()) {
      const EvalValue eval = set.GetEngineEval();
      if (eval.kind != -1) add(eval.ToText() + "/" + std::to_string(eval.extra));
    }
    if (set.HasTime()) {
      const int64_t t = set.GetTime();
      const int64_t hundredths = t % 100, seconds = (t / 100) % 100, minutes = (t / 10000) % 100,
                    hours = t / 1000000;
      add(std::to_string(hours * 3600 + minutes * 60 + seconds + (hundredths >= 50 ? 1 : 0)));
    }
    if (EmbeddedGame* g = set.GetGame()) add(g->Description(), ";");
  }
  std::string ascii = PgnAsciiText(text);
  for (char& c : ascii)
    if (c == '}') c = ')';
  return ascii;
}

class MovetextWriter {
 public:
  MovetextWriter(std::string& out, const TQGame& game) : out_(out), formatter_(&game.body.start) {
    formatter_.promotionSeparator = '=';
    formatter_.longCastling = {'O', '-', 'O', '-', 'O'};
    formatter_.shortCastling = {'O', '-', 'O'};
  }

  // "{" and the words of the text and "}", broken only at blanks.
  void Comment(const std::string& text) {
    std::vector<std::string_view> words;
    for (size_t start = 0; start < text.size();) {
      size_t end = text.find(' ', start);
      if (end == std::string::npos) end = text.size();
      if (end > start) words.push_back(std::string_view(text).substr(start, end - start));
      start = end + 1;
    }
    for (size_t i = 0; i < words.size(); ++i) {
      std::string word = i == 0 ? "{" + std::string(words[i]) : std::string(words[i]);
      if (i + 1 == words.size()) word += '}';
      out_.Word(word);
    }
  }

  void Line(const MoveLine& line, Position position, int ply) {
    bool force = true;
    for (const GameMove& m : line) {
      if (m.annotations && m.annotations->HasTextBefore()) {
        const std::string before = CommentText(*m.annotations, kTextBefore);
        if (!before.empty()) {
          Comment(before);
          force = true;
        }
      }
      const bool black = (ply + formatter_.startSide) % 2 != 0;
      if (!black || force) out_.Word(formatter_.FormatMovePrefix(ply).Bytes());
      force = false;
      Position after = position;
      after.DoGameMove(m);
      out_.Word(formatter_.FormatMove(after, m).Bytes());
      const MoveSymbols s = GetSymbols(m);
      for (int v : {int(s.prefix), int(s.move), int(s.position)})
        if (v) out_.Word("$" + std::to_string(v));
      if (m.annotations) {
        const std::string text = CommentText(*m.annotations, kTextAfter);
        if (!text.empty()) {
          Comment(text);
          force = true;
        }
      }
      // The move's own alternatives, also at a variation's first move.
      if (m.variations && m.variations->Count()) {
        for (int i = 0; i < m.variations->Count(); ++i) {
          out_.Word("(");
          out_.Glue();
          Line(*m.variations->GetLine(i), position, ply);
          out_.Attach(")");
        }
        force = true;
      }
      position = after;
      ++ply;
    }
  }

  void Result(int result) {
    out_.Word(ResultText(result));
    out_.EndLine();
    out_.EndLine();
  }

 private:
  PgnOutput out_;
  NotationFormatter formatter_;
};

}  // namespace

std::string PgnAsciiText(const std::string& utf8) {
  const std::string display = Utf8ToDisplay(utf8);
  std::string spelled;
  for (char c : display) {
    const std::string_view s = SymbolSpelling(static_cast<uint8_t>(c));
    if (s.empty())
      spelled += c;
    else
      spelled += s;
  }
  FoldAccents(spelled);
  std::string ascii;
  for (char c : spelled) {
    const uint8_t b = static_cast<uint8_t>(c);
    if (b == '\r' || b == '\n' || b == '\t')
      ascii += ' ';
    else if (b >= 0x20 && b < 0x7F)
      ascii += c;
    else if (b >= 0x80)
      ascii += '?';
  }
  return ascii;
}

std::string RenderPgnGame(const TQGame& game) {
  NotationSettings settings = GetNotationSettings();
  settings.mode = kAlgebraic;
  settings.SetEnglishLetters();
  settings.captureChar = 'x';
  settings.numberSuffix = '.';
  settings.checkChar = '+';
  ScopedNotationSettings scoped(settings);

  std::string out;
  WriteTags(out, game);
  MovetextWriter writer(out, game);
  if (AnnotationSet* set = game.body.GameAnnotations()) {
    std::string text = CommentText(*set, kTextBefore);
    const std::string after = CommentText(*set, kTextAfter);
    if (!after.empty()) text = text.empty() ? after : text + " " + after;
    if (!text.empty()) writer.Comment(text);
  }
  writer.Line(game.body.mainLine, game.body.start.start.position, 0);
  writer.Result(game.header.GetResult());
  return out;
}

}  // namespace zh
