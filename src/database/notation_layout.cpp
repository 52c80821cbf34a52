#include "database/notation_layout.h"

#include <algorithm>

#include "core/toolbox/code_pages.h"
#include "core/rules/eval_value.h"
#include "core/toolbox/packed_time.h"
#include "core/rules/symbols.h"
#include "database/game/annotation_set.h"
#include "database/game/game_item.h"
#include "database/game/move_tree.h"
#include "database/game/training_payload.h"

namespace zh {

namespace {

constexpr int kLabelField = 52;
constexpr int kLabelledDepth = 3;  // label characters before ")" in the labelled mode
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

std::string ToUtf8(std::u32string_view text) {
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

// The characters of the display bytes the break and split rules name.
const char32_t kHalf = kDisplayToUnicode[0xBD];
const char32_t kSplitA = kDisplayToUnicode[4];
const char32_t kSplitB = kDisplayToUnicode[158];

// Brackets and labels: shifted by justification but taking no share of its space.
constexpr bool IsBracketOrLabel(uint32_t flags) { return flags & 0x4000002; }

// Icon index of an icon entry, -1 for others (the fold mark's is chosen when painting).
int IconOf(uint32_t flags) {
  switch (flags & kNotaIconMask) {
    case kNotaIconGame: return 5;
    case kNotaIconArrows: return 7;
    case kNotaIconPawns: return 6;
    case kNotaIconVideo: return 3;
    case kNotaIconAudio: return 2;
    case kNotaIconPicture: return 4;
    case kNotaIconContainer: return 8;
    default: return -1;
  }
}

constexpr uint32_t kNamedColours[5] = {0, 12, 10, 9, 5};

// A packed colour (red in the low byte, blue in the third) as 0xRRGGBB.
constexpr uint32_t RgbOf(uint32_t packed) {
  return (packed & 0xFF) << 16 | (packed & 0xFF00) | (packed >> 16 & 0xFF);
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
                     (c == '-' && next != '+' && next != '0' && next != '1' && next != kHalf &&
                      prev != '0' && prev != '1' && prev != kHalf);
    if (brk) return i + 1;
  }
  return length < 13 ? std::min(length, 8) : length - 5;
}

void FullNota::AddEntry(int ply, int32_t ref, uint32_t flags) {
  current_.push_back(NotaEntry{static_cast<int16_t>(ply), x_, flags, ref});
}

void FullNota::Advance(int width, int indent, bool wrap) {
  if (wrap && x_ + width >= lineWidth) NewLine(indent, true);
  x_ = static_cast<int16_t>(x_ + width);
}

void FullNota::Place(int, int width, int ply, int32_t ref, uint32_t flags, int indent) {
  Advance(width, indent, true);
  AddEntry(ply, ref, flags);
}

void FullNota::PlaceText(int slot, const std::string& text, int ply, int32_t ref, uint32_t flags,
                         int indent) {
  Place(slot, metrics_->TextWidth(slot, text), ply, ref, flags, indent);
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
  // Each movable entry widens the gap on its right by one share; brackets and labels
  // move with the entry after them.
  for (int i = n - 2; i >= 0; --i) {
    if (!IsBracketOrLabel(line[i].flags)) remaining = std::max(0, remaining - share);
    line[i].x = static_cast<int16_t>(line[i].x + remaining);
  }
}

void FullNota::NewLine(int indent, bool justify) {
  // An opening bracket ending the line moves to the next one.
  NotaEntry carried;
  bool carry = false;
  int distance = 0;
  const int n = static_cast<int>(current_.size());
  if (n >= 2 && (current_[n - 1].flags & 0x4000002) && !(current_[n - 1].flags & 0x2000)) {
    carried = current_[n - 1];
    distance = current_[n - 1].x - current_[n - 2].x;
    current_.pop_back();
    carry = true;
  }
  if (!current_.empty()) {
    if (options.justified && justify) Justify(current_);
    current_.push_back(NotaEntry{kNotaLineEnd, x_, 0, -1});
    lines_.push_back(std::move(current_));
  }
  current_.clear();
  x_ = static_cast<int16_t>(indent);
  if (carry) {
    x_ = static_cast<int16_t>(indent + distance);
    carried.x = x_;
    current_.push_back(carried);
  }
}

int FullNota::NewContext(const std::string& open, const std::string& close,
                         const std::string& label, int indent) {
  NotaContext c;
  c.path.Capture(cursor_);
  c.open = open;
  c.close = close;
  c.label = label.substr(0, kLabelField);
  c.indent = static_cast<int16_t>(indent);
  contexts_.push_back(std::move(c));
  return static_cast<int>(contexts_.size()) - 1;
}

void FullNota::LayText(const std::u32string& text, int from, int to, int textIndex, bool before,
                       int ply, int indent) {
  if (from >= to) return;
  AddEntry(ply, context_, before ? kNotaTextBefore : kNotaTextAfter);
  // A piece holds at most three lines' worth of characters.
  const int ka = std::max(1, metrics_->TextWidth(3, "Ka"));
  const int maxChars = std::max(1, 3 * lineWidth / ka);
  const int minRoom = metrics_->TextWidth(3, "ABCDEFGH");
  const uint32_t flags = kNotaSlot3 | (before ? kNotaPieceBefore : kNotaPieceAfter);
  auto widthOf = [&](int pos, int l) {
    while (l > 0 && text[pos + l - 1] == ' ') --l;  // trailing blanks do not count
    return metrics_->TextWidth(3, ToUtf8(std::u32string_view(text).substr(pos, l)));
  };
  int pos = from;
  while (pos < to) {
    if (text[pos] == '\n' || text[pos] == '\r') {
      NewLine(indent, false);
      ++pos;
      if (pos < to && text[pos] == '\n' && text[pos - 1] == '\r') ++pos;
      continue;
    }
    if (lineWidth - x_ < minRoom) NewLine(indent, true);
    int len = 0;
    while (pos + len < to && len < maxChars && text[pos + len] != '\n' && text[pos + len] != '\r')
      ++len;
    bool cut = false;
    while (len > 8 && x_ + widthOf(pos, len) > lineWidth) {
      const int shorter = BreakPosition(text.substr(pos), len);
      if (shorter >= len || shorter <= 0) break;
      len = shorter;
      cut = true;
    }
    pieces_.push_back(NotaTextPiece{static_cast<int16_t>(pos), static_cast<int16_t>(len),
                                    static_cast<int16_t>(textIndex), context_});
    Advance(widthOf(pos, len), indent, false);
    AddEntry(ply, static_cast<int32_t>(pieces_.size()) - 1, flags);
    pos += len;
    if (cut || (pos < to && x_ >= lineWidth)) NewLine(indent, true);
  }
}

int FullNota::LayBefore(AnnotationSet* set, int ply, int indent) {
  if (!set) return 0;
  TrainingPayload* question = set->GetTraining();
  if (question && !options.noIcons) {
    uint32_t flags = kNotaSlot6 | kNotaTraining;
    if (question->ItemCount() > 0) flags |= question->IsAnswered() ? kNotaColour2 : kNotaColour1;
    PlaceText(6, " *** ", ply, context_, flags, indent);
  }
  if (question && options.stopAtQuestion && !question->IsAnswered()) return kStopped;
  for (int i = 0;; ++i) {
    const std::string t = set->DisplayText(kTextBefore, i, Settings().displayLanguages);
    if (t.empty()) break;
    const std::u32string text = ToU32(t);
    LayText(text, 0, static_cast<int>(text.size()), i, true, ply, indent);
  }
  return 0;
}

void FullNota::LayAfter(AnnotationSet* set, int ply, int indent, std::vector<Deferred>& rest) {
  if (!set) return;
  const uint32_t colour = options.colours ? 1 : 0;
  if (set->HasEngineEval()) {
    const EvalValue e = set->GetEngineEval();
    if (e.kind != kEvalNone)
      PlaceText(1, " " + e.ToText() + "/" + std::to_string(e.extra) + " ", ply, context_,
                kNotaEval | colour * kNotaColour3, indent);
  }
  if (set->HasTime()) {
    PackedTime t;
    t.value = static_cast<uint32_t>(set->GetTime());
    PlaceText(1, " " + t.ToText(false) + " ", ply, context_, kNotaTime | colour * kNotaColour4,
              indent);
  }
  if (!options.noIcons) {
    const int icon = iconWidth_ + 2 * spaceWidth_;
    const bool kinds[] = {set->HasArrows() || set->HasSquares(),
                          set->HasPawnStructure() || set->HasPiecePath(),
                          set->HasVideo(),
                          set->HasAudio(),
                          set->HasPicture(),
                          set->HasGame(),
                          set->HasContainer()};
    constexpr uint32_t kIcons[] = {kNotaIconArrows, kNotaIconPawns,  kNotaIconVideo,
                                   kNotaIconAudio,  kNotaIconPicture, kNotaIconGame,
                                   kNotaIconContainer};
    for (int k = 0; k < 7; ++k)
      if (kinds[k]) Place(1, icon, ply, context_, kIcons[k], indent);
    if (set->HasMedal() && set->GetMedal() != 0)
      Place(1, (sizeUnit * 14 + 5) / 10 + 2 * spaceWidth_, ply, context_, kNotaIconMedal, indent);
  }
  int i = 0;
  for (;; ++i) {
    const std::string t = set->DisplayText(kTextAfter, i, Settings().displayLanguages);
    if (t.empty()) break;
    const std::u32string text = ToU32(t);
    int end = static_cast<int>(text.size());
    if (options.splitTexts) {
      const size_t mark = text.find_first_of(std::u32string{kSplitA, kSplitB});
      if (mark != std::u32string::npos) {
        end = static_cast<int>(mark);
        rest.push_back(Deferred{ply, i, end + 1});  // the mark itself is not shown
      }
    }
    LayText(text, 0, end, i, false, ply, indent);
  }
  if (EmbeddedGame* game = set->GetGame()) {
    const std::u32string text = ToU32(game->Description());
    LayText(text, 0, static_cast<int>(text.size()), i, false, ply, indent);
  }
}

void FullNota::LayDeferred(const std::vector<Deferred>& rest, int indent) {
  for (const Deferred& d : rest) {
    const std::u32string text = PieceText(SetOf(cursor_, d.ply), false, d.textIndex);
    LayText(text, d.start, static_cast<int>(text.size()), d.textIndex, false, d.ply, indent);
  }
}

bool FullNota::IsComplex() {
  const int ply = cursor_.Ply();
  const int count = cursor_.VariationCount(ply);
  for (int i = 0; i < count; ++i) {
    GameCursor probe = cursor_;
    if (probe.BeginLine(i) != 0 || probe.Forward() != 0) continue;
    for (; probe.Ply() < probe.LineEnd(); probe.Forward())
      if (probe.VariationCount(probe.Ply()) > 0 && ShowsVariationsOf(probe)) return true;
  }
  return false;
}

bool FullNota::ShowsVariationsOf(const GameCursor& at) const {
  const GameMove* m = at.GetVariationsAt(at.Ply());
  return !(options.folding && m && m->variations && (m->variations->flags & 1));
}

FullNota::Level FullNota::LevelOf(int level, bool complex, int count,
                                  const std::string& parentLabel) const {
  Level lv;
  lv.open = level == 1 ? "[" : "(";
  lv.separator = ";";
  lv.close = level == 1 ? "]" : ")";
  lv.style = level == 1 ? 0u : uint32_t{kNotaSlot5};
  if (options.labelled) {
    if (count < 2 || !complex) return lv;
    // The parent label without its ")" and blank, one character longer.
    std::string base = parentLabel.size() >= 2 ? parentLabel.substr(0, parentLabel.size() - 2) : "";
    if (static_cast<int>(base.size()) >= kLabelledDepth) return lv;
    lv.labels = true;
    lv.labelBase = base;
    lv.labelFirst = base.empty() ? 'a' : count <= 9 ? '1' : 'A';
    lv.style = 0;
    return lv;
  }
  if (level > 1 && complex && static_cast<int>(parentLabel.size()) + 3 <= kLabelField) {
    lv.labels = true;
    lv.labelBase = parentLabel;
    lv.labelFirst = level == 2 ? 'A' : level == 4 ? 'a' : (count >= 10 ? 'a' : '1');
    lv.style = 0;
  }
  return lv;
}

bool FullNota::LayPly(int level, int slot, uint32_t style, bool forceNumber, bool ownList,
                      const std::string& label, int indent, bool& forceNext) {
  forceNext = false;
  const int ply = cursor_.Ply();
  const GameMove& move = *cursor_.GetMove(ply);
  AnnotationSet* set = move.annotations;
  if (LayBefore(set, ply, indent) == kStopped) return false;
  const bool hasList = ownList && cursor_.VariationCount(ply) > 0;
  const bool shown = hasList && ShowsVariationsOf(cursor_);
  if (hasList && options.folding) Place(slot, 2 * spaceWidth_ + iconWidth_, ply, context_, kNotaIconFold, indent);

  uint32_t flags = style | (forceNumber ? uint32_t{kNotaMoveNumber} : 0u);
  int ref = context_;
  if (options.colours && set) {
    if (set->HasColour() && set->GetColour() > 0) {
      ref = NewContext("", "", "", indent);
      contexts_[ref].colour = static_cast<int32_t>(set->GetColour());
    } else {
      constexpr uint32_t kCritical[4] = {0, kNotaColour3, kNotaColour1, kNotaColour2};
      const int critical = set->GetCriticalPos();
      if (critical >= 1 && critical <= 3) flags |= kCritical[critical];
    }
  }
  const DisplayText text = formatter_.FormatGameMove(move.Text(), GetSymbols(move), ply, forceNumber);
  PlaceText(slot, " " + text.ToUtf8() + " ", ply, ref, flags, indent);

  std::vector<Deferred> rest;
  LayAfter(set, ply, indent, rest);
  if (set && set->FindType(kDiagramAnnotation) >= 0) AddEntry(ply, context_, kNotaDiagram);
  if (shown) {
    const int laid = LayVariations(level + 1, label, indent);
    if (laid == kStopped) return false;
    forceNext = true;
    if (laid == kOwnLines) NewLine(indent, false);  // the line goes on below them
  }
  LayDeferred(rest, indent);
  return true;
}

int FullNota::LayVariations(int level, const std::string& parentLabel, int indent) {
  const int ply = cursor_.Ply();
  const int count = cursor_.VariationCount(ply);
  const bool complex = IsComplex();
  const Level lv = LevelOf(level, complex, count, parentLabel);
  const int slot = SlotOf(lv.style);
  const bool ownLines = options.indented && (level == 1 || lv.labels);
  const bool ownBrackets = options.indented && level == 1 && !lv.labels;
  int inner = indent;
  if (ownLines)
    inner = std::min(3 * spaceWidth_ * (complex ? level : level - 1), lineWidth / 2);
  const int saved = context_;
  for (int i = 0; i < count; ++i) {
    if (cursor_.BeginLine(i) != 0) continue;
    if (ownLines) NewLine(inner, false);
    std::string label = parentLabel;
    if (lv.labels) {
      label = lv.labelBase + static_cast<char>(lv.labelFirst + i) + ") ";
      context_ = NewContext("", lv.separator, label, inner);
      const uint32_t flags = kNotaLabel | (options.labelled && options.colours ? uint32_t{kNotaColour4} : 0u);
      PlaceText(6, contexts_[context_].label, ply, context_, flags, inner);
    } else {
      const std::string close = ownBrackets || i + 1 == count ? lv.close : lv.separator;
      context_ = NewContext(lv.open, close, "", inner);
      if (i == 0 || ownBrackets) PlaceText(slot, lv.open, ply, context_, lv.style | kNotaBracket, inner);
    }
    const int start = cursor_.Ply();
    bool force = true;
    while (cursor_.Ply() < cursor_.LineEnd()) {
      bool next = false;
      // At the line's first move the list there holds this line and its siblings.
      if (!LayPly(level, slot, lv.style, force, cursor_.Ply() > start, label, inner, next))
        return kStopped;
      force = next;
      cursor_.Forward();
    }
    cursor_.EndLine();
    PlaceText(slot, contexts_[context_].close, ply, context_, lv.style | kNotaClosing, inner);
  }
  context_ = saved;
  return ownLines ? kOwnLines : 0;
}

int FullNota::Layout(bool fromStart) {
  spaceWidth_ = static_cast<int16_t>(metrics_->TextWidth(1, " "));
  int w = 20, h = 20;
  metrics_->IconSize(w, h);
  const int lineHeight = metrics_->FontHeight(1) + metrics_->TextHeight();
  if (lineHeight < h) w = h = lineHeight;
  iconWidth_ = static_cast<int16_t>(w);
  iconHeight_ = static_cast<int16_t>(h);
  iconOffset_ = static_cast<int16_t>((lineHeight - h) / 2);
  if (fromStart) {
    lines_.clear();
    contexts_.clear();
    pieces_.clear();
    current_.clear();
    cursor_.Rewind();
    formatter_.SetStart(cursor_.GetStartRecord());
    x_ = 0;
  } else {
    // The rest of the line, after a move-number column.
    current_.clear();
    x_ = static_cast<int16_t>(metrics_->TextWidth(2, "1234"));
  }
  context_ = NewContext("", "", "", 0);
  if (fromStart && cursor_.Game()) {
    if (AnnotationSet* game = cursor_.Game()->body.GameAnnotations()) {
      x_ = spaceWidth_;
      std::vector<Deferred> rest;
      LayAfter(game, kNotaGameLevel, 0, rest);
      LayDeferred(rest, 0);
      if (game->FindType(kDiagramAnnotation) >= 0) AddEntry(kNotaGameLevel, context_, kNotaDiagram);
    }
  }
  // Inside a variation the list at its first move holds the line and its siblings.
  const int lineStart = cursor_.Lines().Count() ? cursor_.Lines().Top().position.ply : -1;
  bool force = true;
  while (cursor_.Ply() < cursor_.LineEnd()) {
    bool next = false;
    if (!LayPly(0, 2, kNotaSlot2, force, cursor_.Ply() > lineStart, "", 0, next)) {
      NewLine(0, false);
      return kStopped;
    }
    force = next;
    cursor_.Forward();
  }
  if (options.resultAtEnd && cursor_.Game()) {
    const GameResult r = cursor_.Game()->header.GetGameResult();
    if (r.result != kNoResult) {
      PlaceText(2, " " + r.ToText().ToUtf8(), cursor_.Ply(), context_, kNotaResult | kNotaSlot2, 0);
      NewLine(0, false);
    }
  }
  NewLine(0, false);
  return 0;
}

// Reading entries back.

AnnotationSet* FullNota::SetOf(const GameCursor& at, int ply) {
  if (ply == kNotaGameLevel) return at.Game() ? at.Game()->body.GameAnnotations() : nullptr;
  return at.GetMove(ply)->annotations;
}

std::u32string FullNota::PieceText(AnnotationSet* set, bool before, int index) {
  if (!set) return {};
  const std::string t = set->DisplayText(before ? kTextBefore : kTextAfter, index,
                                         Settings().displayLanguages);
  if (!t.empty() || before) return ToU32(t);
  // One past the display texts: the embedded game's description.
  if (EmbeddedGame* game = set->GetGame())
    if (set->DisplayText(kTextAfter, index - 1, Settings().displayLanguages).size() || index == 0)
      return ToU32(game->Description());
  return {};
}

bool FullNota::CursorOn(const NotaEntry& entry, GameCursor& at) const {
  const bool piece = entry.flags & (kNotaPieceBefore | kNotaPieceAfter);
  int context = entry.ref;
  if (piece) {
    if (entry.ref < 0 || entry.ref >= static_cast<int>(pieces_.size())) return false;
    context = pieces_[entry.ref].context;
  }
  if (context < 0 || context >= static_cast<int>(contexts_.size())) return false;
  const CursorPath& path = contexts_[context].path;
  return path.Restore(at, path.steps.empty() ? 0 : path.steps.back().ply) == 0;
}

std::string FullNota::EntryText(const NotaEntry& entry) const {
  const uint32_t f = entry.flags;
  if (entry.ply == kNotaLineEnd || (f & (kNotaIconMask | kNotaDiagram | kNotaTextBefore | kNotaTextAfter)))
    return {};
  const bool piece = f & (kNotaPieceBefore | kNotaPieceAfter);
  const NotaContext* context =
      !piece && entry.ref >= 0 && entry.ref < static_cast<int>(contexts_.size()) ? &contexts_[entry.ref] : nullptr;
  if ((f & kNotaLabel) == kNotaLabel) return context ? context->label : "";
  if (f & kNotaBracket) return context ? context->open : "";
  if (f & kNotaClosing) return context ? context->close : "";
  if (f & kNotaTraining) return " *** ";
  GameCursor at = cursor_;
  if (f & kNotaResult) {
    const TQGame* game = cursor_.Game();
    return game ? " " + game->header.GetGameResult().ToText().ToUtf8() : "";
  }
  if (!CursorOn(entry, at)) return {};
  AnnotationSet* set = SetOf(at, entry.ply);
  if (piece) {
    const NotaTextPiece& p = pieces_[entry.ref];
    const std::u32string text = PieceText(set, f & kNotaPieceBefore, p.textIndex);
    if (p.start >= static_cast<int>(text.size())) return {};
    return ToUtf8(std::u32string_view(text).substr(p.start, p.length));
  }
  if (f & kNotaEval) {
    const EvalValue e = set ? set->GetEngineEval() : EvalValue{};
    return " " + e.ToText() + "/" + std::to_string(e.extra) + " ";
  }
  if (f & kNotaTime) {
    PackedTime t;
    t.value = set ? static_cast<uint32_t>(set->GetTime()) : 0;
    return " " + t.ToText(false) + " ";
  }
  const GameMove& move = *at.GetMove(entry.ply);
  NotationFormatter formatter;
  formatter.SetStart(at.GetStartRecord());
  return " " + formatter.FormatGameMove(move.Text(), GetSymbols(move), entry.ply, f & kNotaMoveNumber).ToUtf8() + " ";
}

void FullNota::PaintLine(NotationPainter& painter, int line, int y, int offsetIndex) const {
  if (line < 0 || line >= static_cast<int>(lines_.size())) return;
  const int shift = offsetIndex * metrics_->Offsets().first;
  int slot = -1;
  uint32_t colour = 0xFFFFFFFF;
  for (const NotaEntry& e : lines_[line]) {
    if (e.ply == kNotaLineEnd) break;
    if (e.flags & (kNotaDiagram | kNotaTextBefore | kNotaTextAfter)) continue;
    const int entrySlot = SlotOf(e.flags);
    if (entrySlot != slot) painter.SetFont(entrySlot);
    slot = entrySlot;
    uint32_t entryColour = kNamedColours[std::min<uint32_t>((e.flags & kNotaColourMask) >> 16, 4)];
    const bool piece = e.flags & (kNotaPieceBefore | kNotaPieceAfter);
    const int ctx = piece ? (e.ref >= 0 && e.ref < static_cast<int>(pieces_.size()) ? pieces_[e.ref].context : -1)
                          : e.ref;
    if (ctx >= 0 && ctx < static_cast<int>(contexts_.size()) && contexts_[ctx].colour > 0)
      entryColour = kNotaRgb | RgbOf(static_cast<uint32_t>(contexts_[ctx].colour));
    if (entryColour != colour) painter.SetColour(entryColour);
    colour = entryColour;
    const int right = e.x - shift;
    switch (e.flags & kNotaIconMask) {
      case 0:
        break;
      case kNotaIconMedal: {
        GameCursor at = cursor_;
        AnnotationSet* set = CursorOn(e, at) ? SetOf(at, e.ply) : nullptr;
        const int width = (sizeUnit * 14 + 5) / 10;
        painter.DrawMedals(right - width - spaceWidth_, y + iconOffset_, width, sizeUnit,
                           static_cast<uint16_t>(set ? set->GetMedal() : 0));
        continue;
      }
      case kNotaIconFold: {
        GameCursor at = cursor_;
        const GameMove* m = CursorOn(e, at) ? at.GetVariationsAt(e.ply) : nullptr;
        const bool folded = m && m->variations && (m->variations->flags & 1);
        painter.DrawIcon(right - iconWidth_ - spaceWidth_, y + iconOffset_, folded ? 0 : 1);
        continue;
      }
      default:
        painter.DrawIcon(right - iconWidth_ - spaceWidth_, y + iconOffset_, IconOf(e.flags));
        continue;
    }
    const std::string text = EntryText(e);
    if (!text.empty()) painter.DrawText(right - metrics_->TextWidth(entrySlot, text), y, text);
  }
}

}  // namespace zh
