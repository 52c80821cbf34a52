#include "database/game/annotation_set.h"

#include <algorithm>
#include <cstring>

#include "core/rules/board.h"
#include "core/toolbox/path_list.h"
#include "core/rules/square_marks.h"
#include "database/game/annotation_values.h"
#include "database/game/embedded_game.h"
#include "database/game/training_payload.h"

namespace zh {

namespace {

bool IsKeyedText(int type) {
  return type == kTextAfter || type == kTextBefore || type == kText32;
}

int LanguageOf(uint32_t key) {
  return static_cast<int>(key & 0xFFFF);
}

AnnotationPayload CopyPayload(const AnnotationPayload& p) {
  if (auto* s = std::get_if<std::string>(&p)) return *s;
  if (auto* t = std::get_if<std::unique_ptr<TrainingPayload>>(&p)) {
    if (*t) return (*t)->Clone();
    return std::unique_ptr<TrainingPayload>();
  }
  if (auto* g = std::get_if<std::unique_ptr<EmbeddedGame>>(&p)) {
    if (*g) return std::make_unique<EmbeddedGame>(**g);
    return std::unique_ptr<EmbeddedGame>();
  }
  return {};
}

void AppendSquare(std::string& out, int square) {
  out += static_cast<char>('a' + FileOf(square));
  out += static_cast<char>('1' + RankOf(square));
}

bool ReadSquare(const std::string& s, size_t at, int& square) {
  if (at + 1 >= s.size() || s[at] < 'a' || s[at] > 'h' || s[at + 1] < '1' || s[at + 1] > '8')
    return false;
  square = (s[at] - 'a') * 8 + (s[at + 1] - '1');
  return true;
}

std::string ParseArrows(const std::string& s) {
  MarkList marks;
  int a = 0, b = 0;
  for (size_t i = 0; i + 5 <= s.size(); i += 5) {
    if (s[i] < 'A' || s[i] > 'Z' || !ReadSquare(s, i + 1, a) || !ReadSquare(s, i + 3, b)) break;
    marks.AddMark({static_cast<uint8_t>(s[i] - 64), static_cast<uint8_t>(a), static_cast<uint8_t>(b)});
  }
  return marks.Text();
}

std::string ParseSquares(const std::string& s) {
  SquareMarkList marks;
  int colour = 0, square = 0;
  for (size_t i = 0; i + 2 <= s.size();) {
    if (s[i] >= 'A' && s[i] <= 'Z') {
      colour = s[i] - 64;
      ++i;
    } else if (ReadSquare(s, i, square)) {
      marks.SetMark({static_cast<uint8_t>(colour), static_cast<uint8_t>(square)});
      i += 2;
    } else {
      break;
    }
  }
  return marks.GetText();
}

}  // namespace

AnnotationEntry::AnnotationEntry(uint16_t t, uint32_t k, AnnotationPayload p)
    : type(t), key(k), payload(std::move(p)) {}
AnnotationEntry::AnnotationEntry(const AnnotationEntry& o)
    : type(o.type), key(o.key), payload(CopyPayload(o.payload)) {}
AnnotationEntry& AnnotationEntry::operator=(const AnnotationEntry& o) {
  if (this != &o) *this = AnnotationEntry(o);
  return *this;
}
AnnotationEntry::AnnotationEntry(AnnotationEntry&&) noexcept = default;
AnnotationEntry& AnnotationEntry::operator=(AnnotationEntry&&) noexcept = default;
AnnotationEntry::~AnnotationEntry() = default;

const std::string& AnnotationEntry::Text() const {
  if (auto* s = std::get_if<std::string>(&payload)) return *s;
  return AnnotationSet::EmptyText();
}

TrainingPayload* AnnotationEntry::Training() const {
  auto* t = std::get_if<std::unique_ptr<TrainingPayload>>(&payload);
  return t ? t->get() : nullptr;
}

EmbeddedGame* AnnotationEntry::Game() const {
  auto* g = std::get_if<std::unique_ptr<EmbeddedGame>>(&payload);
  return g ? g->get() : nullptr;
}

const std::string& AnnotationSet::EmptyText() {
  static const std::string empty;
  return empty;
}

AnnotationSet::AnnotationSet(const AnnotationSet& other) {
  entries_.reserve(other.entries_.size());
  for (const auto& e : other.entries_) AddCopy(e);
}

AnnotationSet& AnnotationSet::operator=(const AnnotationSet& other) {
  if (this != &other) {
    AnnotationSet copy(other);
    entries_ = std::move(copy.entries_);
    sorted130_ = sorted2_ = sorted32_ = false;
  }
  return *this;
}

AnnotationSet::~AnnotationSet() {
  Clear();
}

void AnnotationSet::Clear() {
  while (!entries_.empty()) entries_.pop_back();
  entries_.shrink_to_fit();
}

void AnnotationSet::Append(uint16_t type, uint32_t key, AnnotationPayload payload) {
  if (entries_.size() == entries_.capacity()) entries_.reserve(entries_.size() + 4);
  entries_.emplace_back(type, key, std::move(payload));
  ClearSorted(type);
}

void AnnotationSet::RemoveAt(int i) {
  if (i < 0 || i >= Count()) return;
  entries_.erase(entries_.begin() + i);
}

int AnnotationSet::FindType(int type) const {
  for (int i = 0; i < Count(); ++i)
    if (entries_[i].type == type) return i;
  return -1;
}

int AnnotationSet::FindTypeKey(int type, uint32_t key) const {
  for (int i = 0; i < Count(); ++i)
    if (entries_[i].type == type && entries_[i].key == key) return i;
  return -1;
}

const AnnotationEntry& AnnotationSet::EntryAt(int i) const {
  static const AnnotationEntry empty;
  if (i < 0 || i >= Count()) return empty;
  return entries_[i];
}

void AnnotationSet::AddCopy(const AnnotationEntry& entry) {
  Append(entry.type, entry.key, CopyPayload(entry.payload));
}

void AnnotationSet::MergeTexts(const AnnotationSet& other) {
  for (const auto& e : other.entries_) {
    if (!e.HasPayload()) continue;
    const int i = IsKeyedText(e.type) ? FindTypeKey(e.type, e.key) : FindType(e.type);
    if (i < 0) {
      AddCopy(e);
    } else {
      entries_[i].payload = CopyPayload(e.payload);
    }
  }
}

void AnnotationSet::RemoveType(int type) {
  std::erase_if(entries_, [type](const AnnotationEntry& e) { return e.type == type; });
}

void AnnotationSet::RemoveKinds(int32_t flags) {
  if (flags == -1) {
    RemoveAll();
    return;
  }
  const uint32_t f = static_cast<uint32_t>(flags);
  if (f & 0x10000) RemoveType(kAudioAnnotation);
  if (f & 0x40000) {
    RemoveType(kVideoAnnotation);
    for (int l = 0; l < 8; ++l) SetText32({}, 1, l);
  }
  if (f & 0x20000) RemoveType(kPictureAnnotation);
  if (f & 0x2000000) RemoveType(kContainerAnnotation);
  if (f & 0x10) RemoveType(kSquaresAnnotation);
  if (f & 0x20) RemoveType(kArrowsAnnotation);
  if (f & 0x8) RemoveType(kSymbolsAnnotation);
  if (f & 0x200) RemoveType(kTrainingAnnotation);
  if (f & 0x80000000u) RemoveType(kEngineEvalAnnotation);
  if (f & 0x80) RemoveType(kClockTimeAnnotation);
}

bool AnnotationSet::HasTextualContent() const {
  for (int t : {kTextBefore, kTextAfter, kArrowsAnnotation, kSquaresAnnotation, kGameAnnotation,
                kEngineEvalAnnotation, kClockTimeAnnotation})
    if (FindType(t) >= 0) return true;
  return false;
}

uint32_t AnnotationSet::MediaFlags() const {
  uint32_t flags = 0;
  if (HasAudio()) flags |= 0x10000;
  if (HasPicture()) flags |= 0x20000;
  if (HasVideo()) flags |= 0x40000;
  return flags;
}

const std::string& AnnotationSet::GetMedia(int type) const {
  if (type < kAudioAnnotation || type > kVideoAnnotation) return EmptyText();
  return GetText(type);
}

void AnnotationSet::SetMedia(const std::string& text, int type) {
  if (type >= kAudioAnnotation && type <= kVideoAnnotation) SetText(type, text);
}

void AnnotationSet::CollectMedia(PathList& list) const {
  for (const auto& e : entries_) {
    if (e.type >= kAudioAnnotation && e.type <= kVideoAnnotation && !e.Text().empty())
      list.Add(e.Text(), static_cast<int16_t>(e.type));
    if (TrainingPayload* t = e.Training()) t->CollectMedia(list);
  }
}

int64_t AnnotationSet::GetValue(int type, int64_t absent) const {
  const int i = FindType(type);
  return i < 0 ? absent : entries_[i].key;
}

void AnnotationSet::SetSignedValue(int type, int64_t v) {
  const int i = FindType(type);
  if (i < 0)
    Append(static_cast<uint16_t>(type), static_cast<uint32_t>(v));
  else if (v < 0)
    RemoveAt(i);
  else
    entries_[i].key = static_cast<uint32_t>(v);
}

void AnnotationSet::SetMedal(int64_t v) {
  const int i = FindType(kMedalAnnotation);
  if (i < 0) {
    if (v != 0) Append(kMedalAnnotation, static_cast<uint32_t>(v));
  } else if (v <= 0) {
    RemoveAt(i);
  } else {
    entries_[i].key = static_cast<uint32_t>(v);
  }
}

void AnnotationSet::SetNonZeroValue(int type, uint32_t v) {
  const int i = FindType(type);
  if (i < 0) {
    if (v != 0) Append(static_cast<uint16_t>(type), v);
  } else if (v == 0) {
    RemoveAt(i);
  } else {
    entries_[i].key = v;
  }
}

const std::string& AnnotationSet::GetText(int type) const {
  const int i = FindType(type);
  return i < 0 ? EmptyText() : entries_[i].Text();
}

void AnnotationSet::SetText(int type, const std::string& t) {
  const int i = FindType(type);
  if (i < 0) {
    if (!t.empty()) Append(static_cast<uint16_t>(type), 0, t);
  } else if (t.empty()) {
    RemoveAt(i);
  } else {
    entries_[i].payload = t;
  }
}

EvalValue AnnotationSet::GetEngineEval() const {
  EvalValue v;
  v.kind = kEvalNone;
  const int i = FindType(kEngineEvalAnnotation);
  if (i >= 0) v.Unpack(entries_[i].Text());
  return v;
}

void AnnotationSet::SetEngineEval(const EvalValue& value) {
  const int i = FindType(kEngineEvalAnnotation);
  if (i < 0)
    Append(kEngineEvalAnnotation, 0, value.Pack());
  else
    entries_[i].payload = value.Pack();
}

TrainingPayload* AnnotationSet::GetTraining() const {
  const int i = FindType(kTrainingAnnotation);
  return i < 0 ? nullptr : entries_[i].Training();
}

void AnnotationSet::SetTraining(std::unique_ptr<TrainingPayload> holder) {
  const int i = FindType(kTrainingAnnotation);
  if (i < 0) {
    if (holder) Append(kTrainingAnnotation, 0, std::move(holder));
  } else if (!holder) {
    if (TrainingPayload* old = entries_[i].Training()) old->Release();
    RemoveAt(i);
  } else {
    entries_[i].payload = std::move(holder);
  }
}

EmbeddedGame* AnnotationSet::GetGame() const {
  const int i = FindType(kGameAnnotation);
  return i < 0 ? nullptr : entries_[i].Game();
}

void AnnotationSet::SetGame(std::unique_ptr<EmbeddedGame> game) {
  const int i = FindType(kGameAnnotation);
  if (i < 0) {
    if (game) Append(kGameAnnotation, 0, std::move(game));
  } else if (!game) {
    RemoveAt(i);
  } else {
    entries_[i].payload = std::move(game);
  }
}

const std::string& AnnotationSet::GetKeyed(int type, uint32_t key) const {
  const int i = FindTypeKey(type, key);
  return i < 0 ? EmptyText() : entries_[i].Text();
}

void AnnotationSet::SetKeyed(int type, uint32_t key, const std::string& t) {
  const int i = FindTypeKey(type, key);
  if (i < 0) {
    if (!t.empty()) Append(static_cast<uint16_t>(type), key, t);
  } else if (t.empty()) {
    RemoveAt(i);
  } else {
    entries_[i].payload = t;
  }
}

void AnnotationSet::AppendKeyed(int type, uint32_t key, const std::string& t) {
  if (t.empty()) return;
  const std::string& old = GetKeyed(type, key);
  SetKeyed(type, key, old.empty() ? t : old + " " + t);
}

const std::string& AnnotationSet::GetText32Any(int s, int l) const {
  const std::string& t = GetText32(s, l);
  if (!t.empty()) return t;
  for (int i = 0; i < 8; ++i)
    if (const std::string& other = GetText32(s, i); !other.empty()) return other;
  return EmptyText();
}

void AnnotationSet::ClearSorted(int type) {
  if (type == kTextBefore) sorted130_ = false;
  if (type == kTextAfter) sorted2_ = false;
  if (type == kText32) sorted32_ = false;
}

// Language 7 first, then ascending languages; equal languages keep their order.
void AnnotationSet::SortTexts(int type) {
  bool* sorted = type == kTextBefore ? &sorted130_ : type == kTextAfter ? &sorted2_ : &sorted32_;
  if (*sorted) return;
  std::vector<size_t> slots;
  std::vector<AnnotationEntry> texts;
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].type == type) {
      slots.push_back(i);
      texts.push_back(std::move(entries_[i]));
    }
  std::stable_sort(texts.begin(), texts.end(), [](const auto& a, const auto& b) {
    const int la = LanguageOf(a.key), lb = LanguageOf(b.key);
    if (la == kAllLanguages || lb == kAllLanguages) return la == kAllLanguages && lb != kAllLanguages;
    return la < lb;
  });
  for (size_t i = 0; i < slots.size(); ++i) entries_[slots[i]] = std::move(texts[i]);
  *sorted = true;
}

std::vector<std::string> AnnotationSet::CollectTexts(int type, int subKind) {
  SortTexts(type);
  std::vector<std::string> texts;
  for (const auto& e : entries_)
    if (e.type == type && (subKind < 0 || int(e.key >> 16) == subKind)) texts.push_back(e.Text());
  return texts;
}

std::string AnnotationSet::DisplayText(int type, int index, const DisplayLanguages& lang, int s) {
  if (lang.mode == 2) {
    const auto texts = CollectTexts(type, type == kText32 ? s : -1);
    return index >= 0 && index < int(texts.size()) ? texts[index] : std::string();
  }
  if (index < 0 || index >= 3) return {};
  const int sub = type == kText32 ? s : 0;
  std::vector<std::string> candidates;
  const std::string& all = GetKeyed(type, TextKey(sub, kAllLanguages));
  const std::string& first = GetKeyed(type, TextKey(sub, lang.first));
  if (!all.empty()) candidates.push_back(all);
  if (!first.empty()) candidates.push_back(first);
  if ((lang.mode == 1 || first.empty()) && lang.second != lang.first) {
    const std::string& second = GetKeyed(type, TextKey(sub, lang.second));
    if (!second.empty()) candidates.push_back(second);
  }
  return index < int(candidates.size()) ? candidates[index] : std::string();
}

std::string AnnotationSet::ToTextForm() const {
  std::string out = GetTextBefore(kAllLanguages);
  auto separate = [&out](const char* sep) {
    if (!out.empty()) out += sep;
  };
  if (const std::string& after = GetTextAfter(kAllLanguages); !after.empty()) {
    separate(" ");
    out += after;
  }
  if (HasEngineEval()) {
    const EvalValue v = GetEngineEval();
    if (v.kind != kEvalNone) {
      separate(" ");
      out += v.ToText() + "/" + std::to_string(v.extra);
    }
  }
  if (HasTime()) {
    const uint32_t t = static_cast<uint32_t>(GetTime());
    const int64_t seconds = int64_t(t >> 24) * 3600 + ((t >> 16) & 0xFF) * 60 + ((t >> 8) & 0xFF) +
                            ((t & 0xFF) >= 50 ? 1 : 0);
    separate(" ");
    out += std::to_string(seconds);
  }
  if (const EmbeddedGame* g = GetGame()) {
    separate(";");
    out += g->Description();
  }
  for (int l = 0; l < kAllLanguages; ++l) {
    const std::string& before = GetTextBefore(l);
    const std::string& after = GetTextAfter(l);
    if (before.empty() && after.empty()) continue;
    out += '@';
    out += kLanguageLetters[l];
    out += before;
    if (!before.empty() && !after.empty()) out += ' ';
    out += after;
  }
  if (HasArrows()) {
    const MarkList arrows(GetArrows());
    out += "@a";
    for (int i = 0; i < arrows.Count(); ++i) {
      const Mark m = arrows.GetMark(i);
      out += static_cast<char>('A' + (m.colour + 25) % 26);
      AppendSquare(out, m.from & 63);
      AppendSquare(out, m.to & 63);
    }
  }
  if (HasSquares()) {
    SquareMarkList squares;
    squares.SetText(GetSquares());
    out += "@c";
    for (int colour = 1; colour <= 3; ++colour) {
      bool first = true;
      for (int i = 0; i < squares.Count(); ++i) {
        const SquareMark m = squares.MarkAt(i);
        if (m.value != colour) continue;
        if (first) out += static_cast<char>('A' + colour - 1);
        first = false;
        AppendSquare(out, m.square & 63);
      }
    }
  }
  return out;
}

void AnnotationSet::ParseTextForm(const std::string& text) {
  size_t start = 0;
  bool marked = false;
  while (start <= text.size()) {
    const size_t end = std::min(text.find('@', start), text.size());
    std::string section = text.substr(start, end - start);
    char mark = 0;
    if (marked && !section.empty()) {
      mark = section[0];
      section.erase(0, 1);
    }
    if (mark == 'a') section = ParseArrows(section);
    if (mark == 'c') section = ParseSquares(section);
    if (!section.empty()) {
      int type = kTextAfter;
      uint32_t key = kAllLanguages;
      if (mark == 'a') {
        type = kArrowsAnnotation;
      } else if (mark == 'c') {
        type = kSquaresAnnotation;
      } else if (mark >= 'A' && mark <= 'Z') {
        const char* at = std::strchr(kLanguageLetters, mark);
        if (at) key = static_cast<uint32_t>(at - kLanguageLetters);
      }
      const int i = FindTypeKey(type, key);
      if (i >= 0)
        entries_[i].payload = section;
      else
        Append(static_cast<uint16_t>(type), key, section);
    }
    if (end >= text.size()) break;
    start = end + 1;
    marked = true;
  }
}

}  // namespace zh
