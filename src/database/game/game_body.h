// The body of a game: start record, main line with its variations, the annotations
// before the first move, and the switches of the body coder.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>

#include "core/rules/game_move.h"
#include "database/game/move_tree.h"

namespace zh {

class AnnotationSet;
class BodyStream;
class FileTqa;
class TraceSink;
class NotationFormatter;
class PathList;

// Flag of a game that starts from a set-up position; bits 0-5 hold the coding version.
inline constexpr uint16_t kSetUpStart = 0x40;

class GameBody {
 public:
  GameBody();
  // Start record, set-up flag (not the version bits), main line and the annotations
  // before the first move; the coder state starts fresh.
  GameBody(const GameBody& other);
  GameBody& operator=(const GameBody&) = delete;
  ~GameBody();

  bool IsSetUp() const { return flags & kSetUpStart; }
  // The standard start when the start is not yet marked standard; clears the flag.
  void SetStandardStart();
  // Makes `position` the set-up start with the given first move number.
  void SetSetUpStart(const Position& position, int firstMove);

  void ClearMoves();
  bool HasVariations() const;
  // Stores the text of `move` as played to `after`.
  void ComputeMoveText(const Position& after, GameMove& move);
  DisplayText MainLineText(int fromPly, int toPly);
  int FullMoveCount() const;
  // Any annotation in the game. Asked afresh each time and never stored in the
  // coder's switches, so asking cannot stop the coder from writing later comments.
  bool HasAnnotations() const;
  AnnotationSet* GetGameAnnotations();
  AnnotationSet* GameAnnotations() const { return gameAnnotations_.get(); }
  void FreeGameAnnotations();
  void AddGameComment(const std::string& text);
  void CollectMedia(PathList& list) const;
  void RemoveAnnotations(int type, bool withVariations);
  uint16_t CollectMedals() const;
  uint16_t ChangeMedals(uint16_t bits, bool set);
  NotationFormatter& Formatter();

  // The coded body (game_body_coder.cpp). Each streams through `buffer` of `size`
  // bytes, refilled or flushed through `stream`. 0 done; 1 busy or an unknown version
  // (DecodeInto also for a damaged move); 5 out of memory; 12 a damaged body whose
  // readable moves are kept (the game is marked damaged); else the stream's error.
  int Decode(uint8_t* buffer, int size, BodyStream& stream, FileTqa* annotations);
  // Main line up to plyLimit, without variations and annotations; ends at a null move.
  int DecodeMainLine(uint8_t* buffer, int size, BodyStream& stream);
  int DecodeInto(TraceSink& trace, uint8_t* buffer, int size, BodyStream& stream);
  // Normalises the tree (see NormaliseVariations), then writes it in the version's
  // written form (0, 1, 4 or 5).
  int Encode(uint8_t* buffer, int size, BodyStream& stream, FileTqa* annotations);
  int Version() const { return flags & 0x3F; }

  uint16_t flags = 0;
  StartRecord start;
  MoveLine mainLine;
  MoveLine scratchLine;
  int plyLimit = kPlyLimit;
  bool readVariations = true;
  bool computeMoveTexts = true;
  bool readAnnotations = true;
  bool keepCoderBuffers = false;
  bool coderBusy = false;
  // Set by a read that had to drop moves, variations or annotations.
  bool damaged = false;
  // The one marked move: value (0 none) and the move counter where it stands.
  uint8_t markerValue = 0;
  int32_t markerIndex = std::numeric_limits<int32_t>::max();

 private:
  std::unique_ptr<AnnotationSet> gameAnnotations_;
  std::unique_ptr<NotationFormatter> formatter_;
};

// The 4-byte body header: kind, then a 24-bit length, big-endian.
void PackBodyHeader(uint8_t kind, uint32_t length, uint8_t bytes[4]);
void UnpackBodyHeader(const uint8_t bytes[4], uint8_t& kind, uint32_t& length);
// The 10-byte file header of the game and annotation files.
void UnpackFileHeader(const uint8_t bytes[10], uint16_t& word, uint32_t& first, uint32_t& second);

}  // namespace zh
