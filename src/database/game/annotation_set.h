// The annotations of one move (or of a game before its first move): a small array of
// typed entries. Texts are UTF-8; arrows, squares, piece paths, evaluations and
// unknown records are raw bytes; training questions and embedded games are objects.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "core/rules/eval_value.h"
#include "core/services.h"
// Complete types: the payload variant destroys its owned objects inline.
#include "database/game/embedded_game.h"
#include "database/game/training_payload.h"

namespace zh {

class EmbeddedGame;
class TrainingPayload;
class PathList;

enum AnnotationType : uint16_t {
  kTextAfter = 2,
  kSymbolsAnnotation = 3,
  kSquaresAnnotation = 4,
  kArrowsAnnotation = 5,
  kDiagramAnnotation = 6,
  kClockTimeAnnotation = 7,
  kDateAnnotation = 8,
  kTrainingAnnotation = 9,
  kAudioAnnotation = 16,
  kPictureAnnotation = 17,
  kVideoAnnotation = 18,
  kGameAnnotation = 19,
  kPawnStructureAnnotation = 20,
  kPiecePathAnnotation = 21,
  kMClassAnnotation = 22,
  kEClassAnnotation = 23,
  kCriticalPosAnnotation = 24,
  kContainerAnnotation = 25,
  kText32 = 32,
  kEngineEvalAnnotation = 33,
  kMedalAnnotation = 34,
  kColourAnnotation = 35,
  kUnknownAnnotation = 127,
  kTextBefore = 130,
};

inline constexpr int kAllLanguages = 7;
// Language marks of the text form, by language 0..7.
inline constexpr char kLanguageLetters[] = "EDFSINC0";

inline constexpr uint32_t TextKey(int subKind, int language) {
  return static_cast<uint32_t>(subKind) << 16 | static_cast<uint32_t>(language);
}

using AnnotationPayload = std::variant<std::monostate, std::string, std::unique_ptr<TrainingPayload>,
                                       std::unique_ptr<EmbeddedGame>>;

struct AnnotationEntry {
  uint16_t type = 0;
  uint32_t key = 0;  // the key, or the value of value types
  AnnotationPayload payload;

  AnnotationEntry() = default;
  AnnotationEntry(uint16_t t, uint32_t k, AnnotationPayload p);
  // Copies the payload by its kind.
  AnnotationEntry(const AnnotationEntry& other);
  AnnotationEntry& operator=(const AnnotationEntry& other);
  AnnotationEntry(AnnotationEntry&&) noexcept;
  AnnotationEntry& operator=(AnnotationEntry&&) noexcept;
  ~AnnotationEntry();

  bool HasPayload() const { return payload.index() != 0; }
  // The text or byte payload; the static empty text for others.
  const std::string& Text() const;
  TrainingPayload* Training() const;
  EmbeddedGame* Game() const;
};

class AnnotationSet {
 public:
  AnnotationSet() = default;
  AnnotationSet(const AnnotationSet& other);
  AnnotationSet& operator=(const AnnotationSet& other);
  ~AnnotationSet();

  int Count() const { return static_cast<int>(entries_.size()); }
  bool IsEmpty() const { return entries_.empty(); }
  void Clear();
  void RemoveAll() { entries_.clear(); }
  void Append(uint16_t type, uint32_t key, AnnotationPayload payload = {});
  void RemoveAt(int i);
  int FindType(int type) const;
  int FindTypeKey(int type, uint32_t key) const;
  // Entry i, or a static empty entry.
  const AnnotationEntry& EntryAt(int i) const;
  void AddCopy(const AnnotationEntry& entry);
  // Takes over the payload-carrying entries of `other`: texts (2, 32, 130) match on
  // type and key, other types on type alone; payloads are copied by their kind.
  void MergeTexts(const AnnotationSet& other);
  // Removes the kinds named by content-flag bits (-1: everything).
  void RemoveKinds(int32_t flags);
  // Removes every entry of a type.
  void RemoveType(int type);
  bool HasTextualContent() const;

  // Media.
  uint32_t MediaFlags() const;
  const std::string& GetMedia(int type) const;
  void SetMedia(const std::string& text, int type);
  bool HasMedia() const { return MediaFlags() != 0; }
  // Adds the media files (tagged by type) and those of training questions.
  void CollectMedia(PathList& list) const;

  // Values.
  bool HasTime() const { return FindType(kClockTimeAnnotation) >= 0; }
  int64_t GetTime() const { return GetValue(kClockTimeAnnotation, -1); }
  void SetTime(int64_t v) { SetSignedValue(kClockTimeAnnotation, v); }
  bool HasColour() const { return FindType(kColourAnnotation) >= 0; }
  int64_t GetColour() const { return GetValue(kColourAnnotation, -1); }
  void SetColour(int64_t v) { SetSignedValue(kColourAnnotation, v); }
  bool HasMedal() const { return FindType(kMedalAnnotation) >= 0; }
  int64_t GetMedal() const { return GetValue(kMedalAnnotation, 0); }
  void SetMedal(int64_t v);
  bool HasSymbols() const { return FindType(kSymbolsAnnotation) >= 0; }
  uint32_t GetSymbols() const { return static_cast<uint32_t>(GetValue(kSymbolsAnnotation, 0)); }
  void SetSymbols(uint32_t v) { SetNonZeroValue(kSymbolsAnnotation, v); }
  bool HasCriticalPos() const { return FindType(kCriticalPosAnnotation) >= 0; }
  int GetCriticalPos() const { return static_cast<int>(GetValue(kCriticalPosAnnotation, 0) & 0xFFFF); }
  void SetCriticalPos(uint32_t v) { SetNonZeroValue(kCriticalPosAnnotation, v & 0xFFFF); }
  bool HasPawnStructure() const { return FindType(kPawnStructureAnnotation) >= 0; }
  bool HasPiecePath() const { return FindType(kPiecePathAnnotation) >= 0; }
  const std::string& GetPiecePath() const { return GetText(kPiecePathAnnotation); }
  bool HasMClass() const { return FindType(kMClassAnnotation) >= 0; }
  bool HasEClass() const { return FindType(kEClassAnnotation) >= 0; }

  // Byte payloads: absent and non-empty appends, empty removes, else replaces.
  bool HasSquares() const { return FindType(kSquaresAnnotation) >= 0; }
  const std::string& GetSquares() const { return GetText(kSquaresAnnotation); }
  void SetSquares(const std::string& t) { SetText(kSquaresAnnotation, t); }
  bool HasArrows() const { return FindType(kArrowsAnnotation) >= 0; }
  const std::string& GetArrows() const { return GetText(kArrowsAnnotation); }
  void SetArrows(const std::string& t) { SetText(kArrowsAnnotation, t); }
  bool HasAudio() const { return FindType(kAudioAnnotation) >= 0; }
  const std::string& GetAudio() const { return GetText(kAudioAnnotation); }
  void SetAudio(const std::string& t) { SetText(kAudioAnnotation, t); }
  bool HasPicture() const { return FindType(kPictureAnnotation) >= 0; }
  const std::string& GetPicture() const { return GetText(kPictureAnnotation); }
  void SetPicture(const std::string& t) { SetText(kPictureAnnotation, t); }
  bool HasVideo() const { return FindType(kVideoAnnotation) >= 0; }
  const std::string& GetVideo() const { return GetText(kVideoAnnotation); }
  void SetVideo(const std::string& t) { SetText(kVideoAnnotation, t); }

  bool HasEngineEval() const { return FindType(kEngineEvalAnnotation) >= 0; }
  // Kind -1 when absent or shorter than six bytes.
  EvalValue GetEngineEval() const;
  void SetEngineEval(const EvalValue& value);
  void RemoveEngineEval() { RemoveType(kEngineEvalAnnotation); }

  // Objects: the set takes ownership; null removes.
  bool HasTraining() const { return FindType(kTrainingAnnotation) >= 0; }
  TrainingPayload* GetTraining() const;
  void SetTraining(std::unique_ptr<TrainingPayload> holder);
  bool HasGame() const { return FindType(kGameAnnotation) >= 0; }
  EmbeddedGame* GetGame() const;
  void SetGame(std::unique_ptr<EmbeddedGame> game);
  // Container objects are never created; a stored one stays an unknown record.
  bool HasContainer() const { return false; }

  // Texts before (130), after (2) and of sub-kinds (32).
  bool HasTextBefore() const { return FindType(kTextBefore) >= 0; }
  bool HasTextAfter() const { return FindType(kTextAfter) >= 0; }
  bool HasTextBeforeIn(int l) const { return FindTypeKey(kTextBefore, TextKey(0, l)) >= 0; }
  bool HasTextAfterIn(int l) const { return FindTypeKey(kTextAfter, TextKey(0, l)) >= 0; }
  bool HasText32(int s, int l) const { return FindTypeKey(kText32, TextKey(s, l)) >= 0; }
  const std::string& GetTextBefore(int l) const { return GetKeyed(kTextBefore, TextKey(0, l)); }
  const std::string& GetTextAfter(int l) const { return GetKeyed(kTextAfter, TextKey(0, l)); }
  const std::string& GetText32(int s, int l) const { return GetKeyed(kText32, TextKey(s, l)); }
  const std::string& GetText32Any(int s, int l) const;
  void SetTextBefore(const std::string& t, int s, int l) { SetKeyed(kTextBefore, TextKey(s, l), t); }
  void SetTextAfter(const std::string& t, int s, int l) { SetKeyed(kTextAfter, TextKey(s, l), t); }
  void SetText32(const std::string& t, int s, int l) { SetKeyed(kText32, TextKey(s, l), t); }
  void AppendTextBefore(const std::string& t, int s, int l) { AppendKeyed(kTextBefore, TextKey(s, l), t); }
  void AppendTextAfter(const std::string& t, int s, int l) { AppendKeyed(kTextAfter, TextKey(s, l), t); }
  std::vector<std::string> CollectTextsBefore() { return CollectTexts(kTextBefore, -1); }
  std::vector<std::string> CollectTextsAfter() { return CollectTexts(kTextAfter, -1); }
  std::vector<std::string> CollectTexts32(int s) { return CollectTexts(kText32, s); }
  // One text for display by index: language 7, first, second language (mode 2: all).
  std::string DisplayText(int type, int index, const DisplayLanguages& languages, int s = 0);

  // The one-line text form of the old game format.
  std::string ToTextForm() const;
  void ParseTextForm(const std::string& text);

  // Static empty text.
  static const std::string& EmptyText();

 private:
  int64_t GetValue(int type, int64_t absent) const;
  void SetSignedValue(int type, int64_t v);
  void SetNonZeroValue(int type, uint32_t v);
  const std::string& GetText(int type) const;
  void SetText(int type, const std::string& t);
  const std::string& GetKeyed(int type, uint32_t key) const;
  void SetKeyed(int type, uint32_t key, const std::string& t);
  void AppendKeyed(int type, uint32_t key, const std::string& t);
  void ClearSorted(int type);
  void SortTexts(int type);
  std::vector<std::string> CollectTexts(int type, int subKind);

  std::vector<AnnotationEntry> entries_;
  bool sorted130_ = false;
  bool sorted2_ = false;
  bool sorted32_ = false;
};

}  // namespace zh
