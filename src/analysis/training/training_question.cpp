#include "analysis/training/training_question.h"

#include <algorithm>

#include "core/services.h"
#include "core/toolbox/code_pages.h"
#include "core/toolbox/path_list.h"

namespace zh {

namespace {

constexpr int kMaxEntries = 18;
constexpr int16_t kAudioTag = 16;
constexpr char kNotBestMove[] = "Not the best move.";
// Sounds are gathered slot by slot in this group order.
constexpr std::array<int, kTrainingGroups> kSoundGroupOrder = {0, 2, 3, 1};

void Put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// Little-endian reads that stop, and stay stopped, at the end of their bytes.
class PayloadReader {
 public:
  explicit PayloadReader(std::string_view bytes, size_t pos = 0) : bytes_(bytes), pos_(pos) {}
  bool Ok() const { return ok_; }
  size_t Pos() const { return pos_; }
  uint32_t U8() { return Take(1) ? static_cast<uint8_t>(bytes_[pos_ - 1]) : 0; }
  uint32_t U16() {
    const uint32_t lo = U8();
    return lo | U8() << 8;
  }
  uint32_t U32() {
    const uint32_t lo = U16();
    return lo | U16() << 16;
  }
  std::string_view Bytes(size_t n) { return Take(n) ? bytes_.substr(pos_ - n, n) : std::string_view(); }

 private:
  bool Take(size_t n) {
    if (!ok_ || n > bytes_.size() - pos_) {
      ok_ = false;
      return false;
    }
    pos_ += n;
    return true;
  }

  std::string_view bytes_;
  size_t pos_;
  bool ok_ = true;
};

// The entries of one text table; false when the rest of the item cannot be trusted
// (too many entries, a slot or variant out of range, a text beyond the item).
bool ReadEntries(PayloadReader& reader, TrainingTexts& texts) {
  const uint32_t count = reader.U16();
  if (!reader.Ok() || count > kMaxEntries) return false;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t slot = reader.U8(), variant = reader.U8(), length = reader.U16();
    if (!reader.Ok() || slot >= kTrainingSlots || variant > 1) return false;
    const std::string_view text = reader.Bytes(length);
    if (!reader.Ok()) return false;
    texts.Set(static_cast<int>(slot), static_cast<int>(variant), Windows1252ToUtf8(text));
  }
  return true;
}

TrainingMarks MarksOf(const TrainingTexts& texts) {
  TrainingMarks marks;
  SquareMarkList squares;
  squares.SetText(Utf8ToWindows1252(texts.Get(kSquareSlot, kTextVariant)));
  marks.squares.SetFromMarks(squares);
  marks.arrows = MarkList(Utf8ToWindows1252(texts.Get(kArrowSlot, kTextVariant)));
  return marks;
}

}  // namespace

// --- texts ---------------------------------------------------------------------------

void TrainingTexts::Set(int slot, int variant, std::string text) {
  if (variant != 0 && variant != 1) return;
  texts_[static_cast<size_t>(((slot % kTrainingSlots) + kTrainingSlots) % kTrainingSlots)][static_cast<size_t>(variant)] =
      std::move(text);
}

const std::string& TrainingTexts::Get(int slot, int variant) const {
  static const std::string empty;
  if (variant != 0 && variant != 1) return empty;
  return texts_[static_cast<size_t>(((slot % kTrainingSlots) + kTrainingSlots) % kTrainingSlots)][static_cast<size_t>(variant)];
}

std::string TrainingTexts::Fallback(int language, int second) const {
  for (int slot : {language, second})
    if (slot >= 0 && slot < kLanguageSlots && !Get(slot, kTextVariant).empty()) return Get(slot, kTextVariant);
  for (int slot = 0; slot < kLanguageSlots; ++slot)
    if (!Get(slot, kTextVariant).empty()) return Get(slot, kTextVariant);
  return {};
}

bool TrainingTexts::HasVariant(int variant) const {
  for (int slot = 0; slot < kTrainingSlots; ++slot)
    if (!Get(slot, variant).empty()) return true;
  return false;
}

bool TrainingTexts::HasAnyText() const {
  return HasVariant(kTextVariant);
}

bool TrainingTexts::IsEmpty() const {
  return !HasVariant(kTextVariant) && !HasVariant(kSoundVariant);
}

void TrainingTexts::WriteTo(std::string& out) const {
  std::string entries;
  int count = 0;
  for (int slot = 0; slot < kTrainingSlots; ++slot)
    for (int variant = 0; variant < 2; ++variant) {
      const std::string& text = Get(slot, variant);
      if (text.empty()) continue;
      std::string stored = Utf8ToWindows1252(text);
      if (stored.size() > 0xFFFF) stored.resize(0xFFFF);
      entries += static_cast<char>(slot);
      entries += static_cast<char>(variant);
      Put16(entries, static_cast<uint32_t>(stored.size()));
      entries += stored;
      ++count;
    }
  Put16(out, static_cast<uint32_t>(count));
  out += entries;
}

// --- items ---------------------------------------------------------------------------

void TrainingItem::SetText(int group, int slot, int variant, std::string text) {
  groups_[static_cast<size_t>(group & 3)].Set(slot, variant, std::move(text));
}

const std::string& TrainingItem::GetText(int group, int slot, int variant) const {
  return groups_[static_cast<size_t>(group & 3)].Get(slot, variant);
}

std::string TrainingItem::GetTextFallback(int group, int language, int secondLanguage) const {
  return groups_[static_cast<size_t>(group & 3)].Fallback(language, secondLanguage);
}

const TrainingMarks& TrainingItem::BuildMarks(int group) {
  marks_ = MarksOf(groups_[static_cast<size_t>(std::clamp(group, 1, 3))]);
  return marks_;
}

bool MoveInputItem::Matches(const MoveCode& answer, const MoveCode& move) {
  return answer.from == move.from && answer.to == move.to &&
         (!(move.kind & kPromotion) || answer.promotion == move.promotion);
}

int MoveInputItem::Find(const MoveCode& move) const {
  for (int i = 0; i < answerCount_; ++i)
    if (Matches(answers_[static_cast<size_t>(i)], move)) return i;
  return -1;
}

int MoveInputItem::AddAnswer(const MoveCode& move) {
  if (answerCount_ >= kMaxAnswers) return kMaxAnswers;
  MoveCode stored = move;
  if (!(stored.kind & kPromotion)) stored.promotion = 0;
  answers_[static_cast<size_t>(answerCount_)] = stored;
  values_[static_cast<size_t>(answerCount_)] = 0;
  answerTexts_[static_cast<size_t>(answerCount_)] = TrainingTexts{};
  return answerCount_++;
}

void MoveInputItem::RecomputeBest() {
  bestValue_ = 0;
  for (int i = 0; i < answerCount_; ++i) bestValue_ = std::max(bestValue_, values_[static_cast<size_t>(i)]);
}

int MoveInputItem::SetAnswerValue(const MoveCode& move, int value) {
  const int i = Find(move);
  if (i >= 0) values_[static_cast<size_t>(i)] = static_cast<int16_t>(std::clamp(value, -32768, 32767));
  RecomputeBest();
  return bestValue_;
}

int MoveInputItem::GetAnswerValue(const MoveCode& move) const {
  const int i = Find(move);
  return i < 0 ? 0 : values_[static_cast<size_t>(i)];
}

MoveCode MoveInputItem::BestAnswer() const {
  int best = 0;
  for (int i = 1; i < answerCount_; ++i)
    if (values_[static_cast<size_t>(i)] > values_[static_cast<size_t>(best)]) best = i;
  return answers_[static_cast<size_t>(best)];
}

void MoveInputItem::SetAnswerText(const MoveCode& move, std::string text, int slot, int variant) {
  const int i = Find(move);
  if (i >= 0) answerTexts_[static_cast<size_t>(i)].Set(slot, variant, std::move(text));
}

std::string MoveInputItem::GetAnswerText(const MoveCode& move, int slot, int variant) const {
  const int i = Find(move);
  return i < 0 ? std::string() : answerTexts_[static_cast<size_t>(i)].Get(slot, variant);
}

const TrainingTexts* MoveInputItem::AnswerTexts(const MoveCode& move) const {
  const int i = Find(move);
  return i < 0 ? nullptr : &answerTexts_[static_cast<size_t>(i)];
}

std::string MoveInputItem::GetComment(const MoveCode& move, int language, int secondLanguage) const {
  std::string comment = GetTextFallback(kWrongMoveGroup, language, secondLanguage);
  if (comment.empty()) comment = kNotBestMove;
  for (int i = 0; i < answerCount_; ++i)
    if (Matches(answers_[static_cast<size_t>(i)], move))
      comment = answerTexts_[static_cast<size_t>(i)].Fallback(language, secondLanguage);
  return comment;
}

const TrainingMarks& MoveInputItem::GetMarks(const MoveCode& move) {
  const int i = Find(move);
  if (i < 0) return BuildMarks(kWrongMoveGroup);
  marks_ = MarksOf(answerTexts_[static_cast<size_t>(i)]);
  return marks_;
}

std::unique_ptr<TrainingItem> MoveInputItem::Copy() const {
  return std::make_unique<MoveInputItem>(*this);
}

size_t MoveInputItem::WriteTo(std::string& out) const {
  std::string body;
  Put32(body, static_cast<uint32_t>(time));
  Put16(body, static_cast<uint16_t>(maxPoints));
  for (const TrainingTexts& group : groups_) group.WriteTo(body);
  body += static_cast<char>(answerCount_);
  for (int i = 0; i < answerCount_; ++i) {
    const MoveCode& a = answers_[static_cast<size_t>(i)];
    body += static_cast<char>(a.from);
    body += static_cast<char>(a.to);
    body += static_cast<char>(a.promotion);
    body += static_cast<char>(static_cast<int8_t>(values_[static_cast<size_t>(i)]));
    answerTexts_[static_cast<size_t>(i)].WriteTo(body);
  }
  const size_t length = 2 + body.size();
  Put16(out, static_cast<uint32_t>(std::min<size_t>(length, 0xFFFF)));
  out += body;
  return length;
}

size_t MoveInputItem::ReadFrom(std::string_view bytes) {
  if (bytes.size() < 2) return 0;
  PayloadReader head(bytes);
  const size_t stated = head.U16();
  // Nothing is read beyond the stated length or the bytes given.
  const size_t limit = std::min(std::max<size_t>(stated, 2), bytes.size());
  PayloadReader reader(bytes.substr(0, limit), 2);
  time = static_cast<int32_t>(reader.U32());
  maxPoints = static_cast<int16_t>(reader.U16());
  if (!reader.Ok()) return limit;
  for (TrainingTexts& group : groups_)
    if (!ReadEntries(reader, group)) return limit;
  const uint32_t answers = std::min<uint32_t>(reader.U8(), kMaxAnswers);
  for (uint32_t i = 0; reader.Ok() && i < answers; ++i) {
    const uint32_t from = reader.U8(), to = reader.U8(), promotion = reader.U8();
    const auto value = static_cast<int8_t>(reader.U8());
    TrainingTexts texts;
    const bool whole = ReadEntries(reader, texts);
    if (!reader.Ok()) break;
    // A byte of 64 or more is no square: the answer is dropped, the others kept.
    if (from < 64 && to < 64) {
      const int at = answerCount_++;
      answers_[static_cast<size_t>(at)] = MoveCode(static_cast<uint8_t>(from), static_cast<uint8_t>(to), 0,
                                                   static_cast<uint8_t>(promotion));
      values_[static_cast<size_t>(at)] = value;
      answerTexts_[static_cast<size_t>(at)] = std::move(texts);
    }
    if (!whole) break;
  }
  RecomputeBest();
  return limit;
}

// --- holder --------------------------------------------------------------------------

TrainingHolder::TrainingHolder(const TrainingHolder& other) : TrainingPayload() {
  if (other.current_) {
    items_[0] = other.current_->Copy();
    current_ = items_[0].get();
    count_ = 1;
  }
}

int TrainingHolder::AddItem(std::unique_ptr<TrainingItem> item) {
  if (!item) return -1;
  if (count_ < 0) count_ = 0;
  if (count_ >= kMaxItems) {
    ReportInconsistency("Incons", "Logic\\Training", 59);
    return -1;
  }
  items_[static_cast<size_t>(count_)] = std::move(item);
  return count_++;
}

void TrainingHolder::SetItem(std::unique_ptr<TrainingItem> item) {
  if (!item) return;
  if (current_) {
    // The current item is replaced in its place.
    for (auto& held : items_)
      if (held.get() == current_) {
        held = std::move(item);
        current_ = held.get();
        return;
      }
  }
  const int index = AddItem(std::move(item));
  if (index >= 0) current_ = items_[static_cast<size_t>(index)].get();
}

MoveInputItem* TrainingHolder::CurrentMoveInput() const {
  return current_ && current_->GetKind() == kMoveInputKind ? static_cast<MoveInputItem*>(current_) : nullptr;
}

bool TrainingHolder::AllAnswered() const {
  for (const auto& item : items_)
    if (item && !item->answered) return false;
  return true;
}

int TrainingHolder::TotalMaxPoints() const {
  int sum = 0;
  for (const auto& item : items_)
    if (item) sum += item->maxPoints;
  return sum;
}

int TrainingHolder::TotalScore() const {
  int sum = 0;
  for (const auto& item : items_)
    if (item) sum += item->score;
  return sum;
}

bool TrainingHolder::HasSounds() const {
  if (!current_) return false;
  for (int g = 0; g < kTrainingGroups; ++g)
    if (current_->Group(g).HasVariant(kSoundVariant)) return true;
  return false;
}

void TrainingHolder::CollectSounds(std::vector<std::string>& list) const {
  if (!current_) return;
  for (int slot = 0; slot < kTrainingSlots; ++slot)
    for (int g : kSoundGroupOrder) {
      const std::string& name = current_->GetText(g, slot, kSoundVariant);
      if (!name.empty()) list.push_back(name);
    }
}

bool TrainingHolder::HoldsText() const {
  for (const auto& item : items_) {
    if (!item) continue;
    for (int g = 0; g < kTrainingGroups; ++g)
      if (item->Group(g).HasAnyText()) return true;
    if (item->GetKind() == kMoveInputKind) {
      const auto& moves = static_cast<const MoveInputItem&>(*item);
      for (int i = 0; i < moves.AnswerCount(); ++i)
        if (const TrainingTexts* texts = moves.AnswerTexts(moves.GetAnswer(i)); texts && texts->HasAnyText())
          return true;
    }
  }
  return false;
}

void TrainingHolder::CollectMedia(PathList& list) const {
  std::vector<std::string> sounds;
  CollectSounds(sounds);
  for (const std::string& name : sounds) list.Add(name, kAudioTag);
}

size_t TrainingHolder::WriteTo(std::string& out) const {
  const size_t start = out.size();
  const int16_t count = std::max<int16_t>(count_, 0);
  Put16(out, static_cast<uint32_t>(count));
  for (int i = 0; i < count; ++i) {
    const TrainingItem& item = *items_[static_cast<size_t>(i)];
    out += static_cast<char>(item.GetKind());
    item.WriteTo(out);
  }
  return out.size() - start;
}

size_t TrainingHolder::ReadFrom(std::string_view bytes) {
  for (auto& item : items_) item.reset();
  current_ = nullptr;
  count_ = 0;
  PayloadReader reader(bytes);
  const uint32_t stated = reader.U16();
  if (!reader.Ok()) return bytes.size();
  size_t pos = 2;
  for (uint32_t i = 0; i < stated && pos < bytes.size(); ++i) {
    const auto kind = static_cast<uint8_t>(bytes[pos]);
    const std::string_view rest = bytes.substr(pos + 1);
    size_t used = 0;
    if (kind == kMoveInputKind && count_ < kMaxItems) {
      auto item = std::make_unique<MoveInputItem>();
      used = item->ReadFrom(rest);
      if (used == 0) break;
      const int index = AddItem(std::move(item));
      current_ = items_[static_cast<size_t>(index)].get();
    } else {
      // An item of another kind, or beyond the two the holder keeps, is skipped by its
      // stated length.
      PayloadReader length(rest);
      used = length.U16();
      if (!length.Ok()) break;
    }
    if (used < 2) break;
    pos = std::min(bytes.size(), pos + 1 + used);
  }
  return pos;
}

std::unique_ptr<TrainingPayload> TrainingHolder::Clone() const {
  return std::make_unique<TrainingHolder>(*this);
}

void TrainingHolder::Release() {
  if (count_ <= 0) return;
  for (auto& item : items_) item.reset();
  current_ = nullptr;
  count_ = -1;
}

void InstallTrainingQuestions() {
  SetTrainingPayloadFactory([] { return std::make_unique<TrainingHolder>(); });
}

}  // namespace zh
