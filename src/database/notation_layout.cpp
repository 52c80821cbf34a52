#include "database/notation_layout.h"

#include <algorithm>

#include "core/eval_value.h"
#include "core/packed_time.h"
#include "core/symbols.h"
#include "database/annotation_set.h"
#include "database/game_item.h"
#include "database/move_tree.h"

namespace zh {

namespace {

constexpr int kLabelField = 52;
constexpr uint32_t kStyleMask = 0x780;

std::u32string ToU32(const std::string& utf8) {
  std::u32string out;
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    char32_t cp = c;
    int extra = 0;
    if (c >= 0xF0) cp = c & 7, extra = 3;
    else if (c >= 0xE0) cp = c & 15, extra = 2;
    else if (c >= 0xC0) cp = c & 31, extra = 1;
    ++i;
    for (int k = 0; k < extra && i < utf8.size(); ++k, ++i) cp = (cp << 6) | (utf8[i] & 0x3F);
    out += cp;
  }
  return out;
}

std::string ToUtf8(const std::u32string& text) {
  std::string out;
  for (char32_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

bool IsBracketOrLabel(uint32_t flags) {
  return (flags & kNotaLabel) == kNotaLabel || ((flags & 0x6) && !(flags & (kNotaPieceBefore | kNotaPieceAfter)));
}

}  // namespace

FullNota::FullNota(NotationMetrics& metrics, const GameCursor& cursor)
    : metrics_(&metrics), cursor_(cursor) {
  cursor_.Rewind();
  formatter_.SetStart(cursor_.GetStartRecord());
}

int FullNota::SlotOf(uint32_t flags) {
  switch (flags & kStyleMask) {
    case 0x80: return 2;
    case 0x100: return 5;
    case 0x200: return 4;
    case 0x280: return 6;
    case 0x400: return 3;
    default: return 1;
  }
}

int FullNota::BreakPosition(const std::u32string& t, int length) {
  auto at = [&](int i) -> char32_t { return i >= 0 && i < static_cast<int>(t.size()) ? t[i] : 0; };
  for (int i = length - 2; i >= 0; --i) {
    const char32_t c = at(i), next = at(i + 1), prev = at(i - 1);
    const bool brk = c == ' ' || c == ',' || c == '/' || c == ';' || (c == '.' && next != '.') ||
                     (c == '-' && next != '+' && next != '0' && next != '1' && next != 0xBD &&
                      prev != '0' && prev != '1' && prev != 0xBD);
    if (brk) return i + 1;
  }
  return length < 13 ? std::min(length, 8) : length - 5;
}

void FullNota::AddEntry(int ply, int32_t ref, uint32_t flags) {
  current_.push_back(NotaEntry{static_cast<int16_t>(ply), x_, flags, ref});
  currentTexts_.emplace_back();
}

void FullNota::Advance(int width, int indent, bool wrap) {
  if (wrap && x_ + width >= lineWidth) NewLine(indent, true);
  x_ = static_cast<int16_t>(x_ + width);
}

int FullNota::Place(int slot, const std::string& text, int ply, int32_t ref, uint32_t flags,
                    int indent) {
  const int width = metrics_->TextWidth(slot, text);
  Advance(width, indent, true);
  AddEntry(ply, ref, flags);
  currentTexts_.back() = text;
  return width;
}

void FullNota::Justify(std::vector<NotaEntry>& line) const {
  const int n = static_cast<int>(line.size());
  if (n < 2) return;  // a single entry stays where it is
  NotaEntry& last = line[n - 1];
  if (last.flags & (kNotaTextBefore | kNotaTextAfter)) return;
  int movable = 0;
  for (int i = 0; i < n - 1; ++i)
    if (!IsBracketOrLabel(line[i].flags)) ++movable;
  if (movable == 0) return;  // nothing to spread the space over
  int free = lineWidth - last.x;
  if (!(last.flags & 0x3620007E) || (last.flags & (kNotaEval | kNotaTime))) free += spaceWidth_;
  if (free <= 0) return;
  last.x = static_cast<int16_t>(lineWidth + spaceWidth_);
  const int share = (free + movable / 2) / movable;
  int remaining = free;
  for (int i = n - 2; i >= 0 && remaining > 0; --i) {
    line[i].x = static_cast<int16_t>(line[i].x + remaining);
    if (!IsBracketOrLabel(line[i].flags)) remaining -= share;
  }
}

void FullNota::NewLine(int indent, bool justify) {
  NotaEntry carried;
  std::string carriedText;
  bool carry = false;
  int distance = 0;
  const int n = static_cast<int>(current_.size());
  if (n >= 2 && (current_[n - 1].flags & 0x4000002) && !(current_[n - 1].flags & 0x2000) &&
      !(current_[n - 1].flags & (kNotaPieceBefore | kNotaPieceAfter))) {
    carried = current_[n - 1];
    carriedText = currentTexts_[n - 1];
    distance = current_[n - 1].x - current_[n - 2].x;
    current_.pop_back();
    currentTexts_.pop_back();
    carry = true;
  }
  if (!current_.empty()) {
    if (options.justified && justify) Justify(current_);
    current_.push_back(NotaEntry{kNotaLineEnd, x_, 0, -1});
    currentTexts_.emplace_back();
    lines_.push_back(std::move(current_));
    lineTexts_.push_back(std::move(currentTexts_));
  }
  current_.clear();
  currentTexts_.clear();
  x_ = static_cast<int16_t>(indent);
  if (carry) {
    x_ = static_cast<int16_t>(indent + distance);
    carried.x = x_;
    current_.push_back(carried);
    currentTexts_.push_back(carriedText);
  }
}

int FullNota::NewContext(const std::string& open, const std::string& close, const std::string& text) {
  NotaContext c;
  c.path.Capture(cursor_);
  c.open = open;
  c.close = close;
  c.text = text;
  contexts_.push_back(std::move(c));
  return static_cast<int>(contexts_.size()) - 1;
}

void FullNota::LayText(const std::string& utf8, bool before, int ply, int indent) {
  const std::u32string text = ToU32(utf8);
  if (text.empty()) return;
  texts_.push_back(utf8);
  const int textIndex = static_cast<int>(texts_.size()) - 1;
  AddEntry(ply, context_, before ? kNotaTextBefore : kNotaTextAfter);
  // A piece holds at most three lines' worth of characters.
  const int ka = std::max(1, metrics_->TextWidth(3, "Ka"));
  const int maxChars = std::max(1, 3 * lineWidth / ka);
  const int minRoom = metrics_->TextWidth(3, "ABCDEFGH");
  const uint32_t flags = kNotaSlot3 | (before ? kNotaPieceBefore : kNotaPieceAfter);
  int pos = 0;
  const int size = static_cast<int>(text.size());
  while (pos < size) {
    if (text[pos] == '\n' || text[pos] == '\r') {
      NewLine(indent, false);
      ++pos;
      if (pos < size && text[pos] == '\n' && text[pos - 1] == '\r') ++pos;
      continue;
    }
    if (lineWidth - x_ < minRoom) NewLine(indent, true);
    int len = 0;
    while (pos + len < size && len < maxChars && text[pos + len] != '\n' && text[pos + len] != '\r') ++len;
    auto widthOf = [&](int l) {
      int counted = l;
      while (counted > 0 && text[pos + counted - 1] == ' ') --counted;
      return metrics_->TextWidth(3, ToUtf8(text.substr(pos, counted)));
    };
    bool cut = false;
    while (len > 8 && x_ + widthOf(len) > lineWidth) {
      const int shorter = BreakPosition(text.substr(pos), len);
      if (shorter >= len || shorter <= 0) break;
      len = shorter;
      cut = true;
    }
    pieces_.push_back(NotaTextPiece{static_cast<int16_t>(pos), static_cast<int16_t>(len),
                                    static_cast<int16_t>(textIndex), context_});
    Advance(widthOf(len), indent, false);
    AddEntry(ply, static_cast<int32_t>(pieces_.size()) - 1, flags);
    currentTexts_.back() = ToUtf8(text.substr(pos, len));
    pos += len;
    if (cut || (pos < size && x_ >= lineWidth)) NewLine(indent, true);
  }
}

void FullNota::LayAfter(AnnotationSet* set, int ply, int indent) {
  if (!set) return;
  if (set->HasEngineEval()) {
    const EvalValue e = set->GetEngineEval();
    if (e.kind != kEvalNone)
      Place(1, " " + e.ToText() + "/" + std::to_string(e.extra) + " ", ply, context_, kNotaEval, indent);
  }
  if (set->HasTime()) {
    PackedTime t;
    t.value = static_cast<uint32_t>(set->GetTime());
    Place(1, " " + t.ToText(false) + " ", ply, context_, kNotaTime, indent);
  }
  for (int i = 0;; ++i) {
    const std::string t = set->DisplayText(kTextAfter, i, Settings().displayLanguages);
    if (t.empty()) break;
    LayText(t, false, ply, indent);
  }
}

void FullNota::LayMove(int slot, uint32_t style, bool forceNumber, int indent) {
  const int ply = cursor_.Ply();
  const GameMove& move = *cursor_.GetMove(ply);
  if (AnnotationSet* set = move.annotations) {
    for (int i = 0;; ++i) {
      const std::string t = set->DisplayText(kTextBefore, i, Settings().displayLanguages);
      if (t.empty()) break;
      LayText(t, true, ply, indent);
    }
  }
  const DisplayText text = formatter_.FormatGameMove(move.Text(), GetSymbols(move), ply, forceNumber);
  Place(slot, " " + text.ToUtf8() + " ", ply, context_, style, indent);
}

bool FullNota::IsComplex() {
  const int ply = cursor_.Ply();
  const int count = cursor_.VariationCount(ply);
  for (int i = 0; i < count; ++i) {
    GameCursor probe = cursor_;
    if (probe.BeginLine(i) != 0 || probe.Forward() != 0) continue;
    for (; probe.Ply() < probe.LineEnd(); probe.Forward())
      if (probe.VariationCount(probe.Ply()) > 0) return true;  // after the first move
  }
  return false;
}

bool FullNota::LayVariations(int level, const std::string& parentLabel, int indent) {
  const int ply = cursor_.Ply();
  const int count = cursor_.VariationCount(ply);
  const bool complex = level > 1 && IsComplex();
  std::string open = "(", sep = ";", close = ")";
  uint32_t style = kNotaSlot5;
  bool labels = false;
  if (level == 1) {
    open = "[", close = "]";
    style = 0;
  } else if (complex && static_cast<int>(parentLabel.size()) + 3 <= kLabelField) {
    labels = true;
    style = 0;
  }
  const int slot = SlotOf(style);
  const int saved = context_;
  for (int i = 0; i < count; ++i) {
    if (cursor_.BeginLine(i) != 0) continue;
    std::string label = parentLabel;
    if (labels) {
      char first = level == 2 ? 'A' : level == 4 ? 'a' : (count >= 10 ? 'a' : '1');
      label = parentLabel + static_cast<char>(first + i) + ") ";
      context_ = NewContext("", sep, label);
      Place(6, label, ply, context_, kNotaLabel, indent);
    } else {
      const std::string& mark = i == 0 ? open : sep;
      context_ = NewContext(open, close, mark);
      if (i == 0) Place(slot, mark, ply, context_, style | kNotaBracket, indent);
    }
    bool first = true;
    const int start = cursor_.Ply();
    while (cursor_.Ply() < cursor_.LineEnd()) {
      LayMove(slot, style, first, indent);
      first = false;
      AnnotationSet* set = cursor_.GetMove(cursor_.Ply())->annotations;
      LayAfter(set, cursor_.Ply(), indent);
      if (set && set->FindType(kDiagramAnnotation) >= 0) AddEntry(cursor_.Ply(), context_, kNotaDiagram);
      bool force = false;
      // At the line's first move the list holds this line and its siblings.
      if (cursor_.Ply() > start && cursor_.VariationCount(cursor_.Ply()) > 0) {
        LayVariations(level + 1, label, indent);
        force = true;
      }
      cursor_.Forward();
      first = force;
    }
    cursor_.EndLine();
    if (labels) {
      Place(slot, sep, ply, context_, style | kNotaClosing, indent);
    } else {
      Place(slot, i + 1 < count ? sep : close, ply, context_, style | kNotaClosing, indent);
    }
  }
  context_ = saved;
  NewContext("", "", "");
  return true;
}

void FullNota::Layout(bool fromStart) {
  spaceWidth_ = static_cast<int16_t>(metrics_->TextWidth(1, " "));
  if (fromStart) {
    lines_.clear();
    lineTexts_.clear();
    contexts_.clear();
    pieces_.clear();
    texts_.clear();
    current_.clear();
    currentTexts_.clear();
    cursor_.Rewind();
    formatter_.SetStart(cursor_.GetStartRecord());
    x_ = 0;
  } else {
    x_ = static_cast<int16_t>(metrics_->TextWidth(2, "1234"));
  }
  context_ = NewContext("", "", "");
  if (fromStart && cursor_.Game()) {
    if (AnnotationSet* game = cursor_.Game()->body.GameAnnotations()) {
      x_ = spaceWidth_;
      LayAfter(game, kNotaGameLevel, 0);
      if (game->FindType(kDiagramAnnotation) >= 0) AddEntry(kNotaGameLevel, context_, kNotaDiagram);
    }
  }
  bool force = true;
  while (cursor_.Ply() < cursor_.LineEnd()) {
    LayMove(2, kNotaSlot2, force, 0);
    force = false;
    AnnotationSet* set = cursor_.GetMove(cursor_.Ply())->annotations;
    LayAfter(set, cursor_.Ply(), 0);
    if (set && set->FindType(kDiagramAnnotation) >= 0) AddEntry(cursor_.Ply(), context_, kNotaDiagram);
    if (cursor_.VariationCount(cursor_.Ply()) > 0) {
      LayVariations(1, "", 0);
      force = true;
    }
    cursor_.Forward();
  }
  if (options.resultAtEnd && cursor_.Game()) {
    const GameResult r = cursor_.Game()->header.GetGameResult();
    if (r.result != kNoResult) {
      Place(1, " " + r.ToText().ToUtf8(), cursor_.Ply(), context_, kNotaResult | kNotaSlot2, 0);
      NewLine(0, false);
    }
  }
  NewLine(0, false);
}

std::string FullNota::EntryText(const NotaEntry& entry) const {
  for (size_t l = 0; l < lines_.size(); ++l)
    for (size_t i = 0; i < lines_[l].size(); ++i)
      if (&lines_[l][i] == &entry) return lineTexts_[l][i];
  return {};
}

void FullNota::PaintLine(NotationPainter& painter, int line, int y, int offsetIndex) const {
  if (line < 0 || line >= static_cast<int>(lines_.size())) return;
  const int shift = offsetIndex * metrics_->Offsets().first;
  int previousSlot = -1;
  int left = 0;
  for (size_t i = 0; i < lines_[line].size(); ++i) {
    const NotaEntry& e = lines_[line][i];
    if (e.ply == kNotaLineEnd) break;
    const int slot = SlotOf(e.flags);
    if (slot != previousSlot) painter.SetFont(slot);
    previousSlot = slot;
    const std::string& text = lineTexts_[line][i];
    if (!text.empty()) {
      const int width = metrics_->TextWidth(slot, text);
      painter.DrawText(e.x - width - shift, y, text);
    }
    left = e.x;
  }
  (void)left;
}

}  // namespace zh
