// Training questions on the moves of a game: a holder with up to two items, each with
// texts and sound names in four groups (question, comment on a wrong move, first and
// second help) of nine slots (seven languages, arrows, squares) and two variants
// (text, sound), and for a move-input item up to seven answer moves with values and
// texts. The holder is the training annotation of a move and reads and writes its
// stored payload; strings are UTF-8 here and Windows-1252 in the payload.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/rules/move.h"
#include "core/rules/square_marks.h"
#include "database/game/annotation_values.h"
#include "database/game/training_payload.h"

namespace zh {

enum TrainingGroup : int {
  kQuestionGroup = 0,
  kWrongMoveGroup = 1,
  kFirstHelpGroup = 2,
  kSecondHelpGroup = 3,
};
inline constexpr int kTrainingGroups = 4;
inline constexpr int kTrainingSlots = 9;
inline constexpr int kLanguageSlots = 7;
inline constexpr int kArrowSlot = 7;
inline constexpr int kSquareSlot = 8;
inline constexpr int kTextVariant = 0;
inline constexpr int kSoundVariant = 1;

// Nine slots of two variants.
class TrainingTexts {
 public:
  // The slot is taken modulo 9; a variant other than 0 or 1 is ignored (empty).
  void Set(int slot, int variant, std::string text);
  const std::string& Get(int slot, int variant) const;
  // Variant 0 in `language`, else in `second`, else the first non-empty of slots 0-6.
  std::string Fallback(int language, int second) const;
  bool HasAnyText() const;
  bool HasVariant(int variant) const;
  bool IsEmpty() const;

  // Entry count, then slot, variant, 16-bit length and the Windows-1252 bytes of each
  // non-empty entry in slot and variant order.
  void WriteTo(std::string& out) const;

 private:
  std::array<std::array<std::string, 2>, kTrainingSlots> texts_;
};

// What a question shows on the board: coloured squares and arrows.
struct TrainingMarks {
  SquareValueMap squares;
  MarkList arrows;
};

class TrainingItem {
 public:
  virtual ~TrainingItem() = default;
  // Appends the item's payload (its 16-bit length first); answers that length.
  virtual size_t WriteTo(std::string& out) const = 0;
  // Reads a payload from the first bytes of `bytes`; answers the bytes it takes (its
  // stored length, never more than given), 0 when not even the length is there.
  virtual size_t ReadFrom(std::string_view bytes) = 0;
  virtual uint8_t GetKind() const = 0;
  virtual std::unique_ptr<TrainingItem> Copy() const = 0;

  void SetText(int group, int slot, int variant, std::string text);
  const std::string& GetText(int group, int slot, int variant) const;
  std::string GetTextFallback(int group, int language, int secondLanguage) const;
  const TrainingTexts& Group(int group) const { return groups_[static_cast<size_t>(group & 3)]; }
  // The squares of slot 8 and arrows of slot 7 of group 1 to 3.
  const TrainingMarks& BuildMarks(int group);

  int16_t maxPoints = 0;
  int16_t score = 0;     // while a training runs
  int32_t answered = 0;  // while a training runs
  int32_t time = 300;

 protected:
  std::array<TrainingTexts, kTrainingGroups> groups_;
  TrainingMarks marks_;
};

inline constexpr uint8_t kMoveInputKind = 1;

class MoveInputItem final : public TrainingItem {
 public:
  static constexpr int kMaxAnswers = 7;

  size_t WriteTo(std::string& out) const override;
  size_t ReadFrom(std::string_view bytes) override;
  uint8_t GetKind() const override { return kMoveInputKind; }
  std::unique_ptr<TrainingItem> Copy() const override;

  // Appends with value 0 and answers the old count; 7 answers: 7, nothing changes.
  int AddAnswer(const MoveCode& move);
  int AnswerCount() const { return answerCount_; }
  MoveCode GetAnswer(int i) const { return answers_[static_cast<size_t>(((i % kMaxAnswers) + kMaxAnswers) % kMaxAnswers)]; }
  // Sets the value of the matching answer; answers the best value.
  int SetAnswerValue(const MoveCode& move, int value);
  int GetAnswerValue(const MoveCode& move) const;
  int BestValue() const { return bestValue_; }
  // The highest value, the first on a tie, the first answer when none is above 0.
  MoveCode BestAnswer() const;
  void SetAnswerText(const MoveCode& move, std::string text, int slot, int variant);
  std::string GetAnswerText(const MoveCode& move, int slot, int variant) const;
  const TrainingTexts* AnswerTexts(const MoveCode& move) const;
  // The comment after the user's move; "Not the best move." when nothing else says.
  std::string GetComment(const MoveCode& move, int language, int secondLanguage) const;
  // The matching answer's squares and arrows, else those of group 1.
  const TrainingMarks& GetMarks(const MoveCode& move);

  // Same squares and, when `move` promotes, the same promotion piece.
  static bool Matches(const MoveCode& answer, const MoveCode& move);

 private:
  int Find(const MoveCode& move) const;
  void RecomputeBest();

  std::array<MoveCode, kMaxAnswers> answers_{};
  std::array<int16_t, kMaxAnswers> values_{};
  std::array<TrainingTexts, kMaxAnswers> answerTexts_;
  int16_t answerCount_ = 0;
  int16_t bestValue_ = 0;
};

class TrainingHolder final : public TrainingPayload {
 public:
  static constexpr int kMaxItems = 2;

  TrainingHolder() = default;
  // Copies only the other's current item.
  TrainingHolder(const TrainingHolder& other);
  TrainingHolder& operator=(const TrainingHolder&) = delete;

  // Stores the item; answers its index, or -1 with the consistency message when two
  // are held already (the item is then dropped and the holder unchanged).
  int AddItem(std::unique_ptr<TrainingItem> item);
  // AddItem when there is no current item; the stored item becomes the current one.
  void SetItem(std::unique_ptr<TrainingItem> item);
  bool HasQuestion() const { return current_ != nullptr; }
  TrainingItem* CurrentItem() const { return current_; }
  MoveInputItem* CurrentMoveInput() const;
  bool AllAnswered() const;
  int TotalMaxPoints() const;
  int TotalScore() const;
  bool HasSounds() const;
  // The sound names of the current item, slot by slot, in group order 0, 2, 3, 1.
  void CollectSounds(std::vector<std::string>& list) const;
  // The payload: 16-bit count, then kind byte and payload of each item.
  size_t WriteTo(std::string& out) const;
  // Reads at most the given bytes; answers the bytes taken.
  size_t ReadFrom(std::string_view bytes);

  // The stored training annotation.
  std::unique_ptr<TrainingPayload> Clone() const override;
  void Release() override;
  void Read(std::string_view payload) override { ReadFrom(payload); }
  size_t Write(std::string& out) const override { return WriteTo(out); }
  bool HoldsText() const override;
  bool IsAnswered() const override { return AllAnswered(); }
  void CollectMedia(PathList& list) const override;
  int16_t ItemCount() const override { return count_; }

 private:
  std::array<std::unique_ptr<TrainingItem>, kMaxItems> items_;
  TrainingItem* current_ = nullptr;
  int16_t count_ = 0;
};

// Makes every training annotation read from now on a real holder.
void InstallTrainingQuestions();

}  // namespace zh
