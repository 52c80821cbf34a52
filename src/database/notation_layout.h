// The complete notation of a game laid out in lines of placed entries: moves,
// variations to any depth with brackets or labels, texts cut into pieces, engine
// evaluations, clock times, icons for media and medals, fold marks and the result.
// The notation window and printing supply the measuring (NotationMetrics) and drawing
// (NotationPainter). Entries hold no text: what an entry shows is read back from the
// game through its context's variation path.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/rules/notation.h"
#include "database/game/game_cursor.h"
#include "database/game/game_title.h"

namespace zh {

class AnnotationSet;

// Measures texts in the fonts of style slots 1 to 6.
class NotationMetrics {
 public:
  virtual ~NotationMetrics() = default;
  virtual int TextWidth(int slot, std::string_view utf8) = 0;
  virtual int FontHeight(int slot) = 0;
  virtual int TextHeight() = 0;
  // The size of the first notation icon.
  virtual void IconSize(int& width, int& height) = 0;
  // The slot-7 pair: horizontal offset step and its second value.
  virtual std::pair<int16_t, int16_t> Offsets() { return {0, 0}; }
};

// Draws what PaintLine hands it.
class NotationPainter {
 public:
  virtual ~NotationPainter() = default;
  virtual void SetFont(int slot) = 0;
  // 0 the default colour; a named colour 12, 10, 9 or 5; or kNotaRgb | 0xRRGGBB.
  virtual void SetColour(uint32_t colour) = 0;
  virtual void DrawText(int x, int y, std::string_view utf8) = 0;
  // Icons 0 to 8: fold mark folded, fold mark open, audio, video, picture, embedded
  // game, pawn structure or piece path, arrows or squares, container object.
  virtual void DrawIcon(int x, int y, int icon) = 0;
  // The medals of `bits` in a box of the given size.
  virtual void DrawMedals(int x, int y, int width, int height, uint16_t bits) = 0;
};

inline constexpr uint32_t kNotaRgb = 0x1000000;

// Entry flags.
enum NotaFlag : uint32_t {
  kNotaMoveNumber = 0x1,  // the move number is shown
  kNotaBracket = 0x2,     // with a style: an opening bracket (0x2) or closing (0x4)
  kNotaClosing = 0x4,
  kNotaPieceBefore = 0x8,
  kNotaPieceAfter = 0x10,
  kNotaTraining = 0x20,
  kNotaEval = 0x40,
  kNotaSlot2 = 0x80,
  kNotaSlot5 = 0x100,
  kNotaSlot4 = 0x200,
  kNotaSlot6 = 0x280,
  kNotaSlot3 = 0x400,
  kNotaResult = 0x1000,
  kNotaTextBefore = 0x4000,
  kNotaTextAfter = 0x8000,
  kNotaColourMask = 0xF0000,
  kNotaColour1 = 0x10000,  // named colour 12
  kNotaColour2 = 0x20000,  // named colour 10
  kNotaColour3 = 0x30000,  // named colour 9
  kNotaColour4 = 0x40000,  // named colour 5
  kNotaIconMask = 0xF00000,
  kNotaIconFold = 0x100000,
  kNotaIconGame = 0x200000,
  kNotaIconArrows = 0x300000,
  kNotaIconPawns = 0x400000,
  kNotaIconVideo = 0x500000,
  kNotaIconAudio = 0x600000,
  kNotaIconPicture = 0x700000,
  kNotaIconContainer = 0x800000,
  kNotaIconMedal = 0xF00000,
  kNotaTime = 0x2000000,
  kNotaLabel = 0x4002280,
  kNotaDiagram = 0x8000000,  // zero width: a diagram of the position after the move
};

inline constexpr int16_t kNotaGameLevel = 0x7FFF;
inline constexpr int16_t kNotaLineEnd = -1;

struct NotaEntry {
  int16_t ply = 0;   // index on the cursor path; kNotaGameLevel; kNotaLineEnd
  int16_t x = 0;     // right edge
  uint32_t flags = 0;
  int32_t ref = -1;  // context index, or text-piece index for piece entries
};

struct NotaContext {
  CursorPath path;
  int32_t colour = 0;  // > 0: a packed colour for the entries of this context
  int16_t indent = 0;
  std::string label;   // up to 52 characters
  std::string open;    // opening bracket of the level
  std::string close;   // closing bracket or separator
};

struct NotaTextPiece {
  int16_t start = 0;      // in characters
  int16_t length = 0;
  int16_t textIndex = 0;  // among the move's display texts; one past them: the embedded game's
  int32_t context = 0;
};

struct NotaOptions {
  bool labelled = false;
  bool indented = false;
  bool justified = true;
  bool splitTexts = false;
  bool stopAtQuestion = true;
  bool folding = true;
  bool noIcons = false;
  bool resultAtEnd = true;
  bool colours = true;
};

class FullNota {
 public:
  static constexpr int kStopped = 4;

  FullNota(NotationMetrics& metrics, const GameCursor& cursor);

  NotaOptions options;
  int16_t lineWidth = 620;
  int16_t sizeUnit = 8;

  // Lays out the whole game, or with fromStart false the rest of the cursor copy's
  // line from its ply on, appended to the lines there are and starting after a
  // move-number column. Answers kStopped at an unanswered training question.
  int Layout(bool fromStart);
  // The layout's own cursor, which the owner keeps in step for partial layouts.
  GameCursor& Cursor() { return cursor_; }

  void ClearLines() { lines_.clear(); }
  void ClearContexts() { contexts_.clear(); }
  void ClearTextPieces() { pieces_.clear(); }

  const std::vector<std::vector<NotaEntry>>& Lines() const { return lines_; }
  const std::vector<NotaContext>& Contexts() const { return contexts_; }
  const std::vector<NotaTextPiece>& Pieces() const { return pieces_; }
  // What an entry shows (UTF-8; empty for icons and diagram marks).
  std::string EntryText(const NotaEntry& entry) const;
  static int SlotOf(uint32_t flags);
  void PaintLine(NotationPainter& painter, int line, int y, int offsetIndex) const;

  // A break position in a piece of `length` characters.
  static int BreakPosition(const std::u32string& text, int length);
  int16_t SpaceWidth() const { return spaceWidth_; }
  int16_t IconWidth() const { return iconWidth_; }

 private:
  struct Deferred {  // the rest of a text divided at its split mark
    int ply = 0;
    int textIndex = 0;
    int start = 0;
  };
  struct Level {
    uint32_t style = 0;
    bool labels = false;
    std::string open, separator, close;
    std::string labelBase;  // labels are this, one counting character, ")" and a blank
    char labelFirst = 'a';
  };

  void NewLine(int indent, bool justify);
  void Justify(std::vector<NotaEntry>& line) const;
  void Advance(int width, int indent, bool wrap);
  void AddEntry(int ply, int32_t ref, uint32_t flags);
  void Place(int slot, int width, int ply, int32_t ref, uint32_t flags, int indent);
  void PlaceText(int slot, const std::string& text, int ply, int32_t ref, uint32_t flags,
                 int indent);
  int NewContext(const std::string& open, const std::string& close, const std::string& label,
                 int indent);
  int LayBefore(AnnotationSet* set, int ply, int indent);
  void LayAfter(AnnotationSet* set, int ply, int indent, std::vector<Deferred>& rest);
  void LayText(const std::u32string& text, int from, int to, int textIndex, bool before, int ply,
               int indent);
  void LayDeferred(const std::vector<Deferred>& rest, int indent);
  // One move with its annotations and variations; false when the layout stops.
  bool LayPly(int level, int slot, uint32_t style, bool forceNumber, bool ownList,
              const std::string& label, int indent, bool& forceNext);
  // The variations of the cursor's ply: kStopped, kOwnLines when each started a line, else 0.
  static constexpr int kOwnLines = 1;
  int LayVariations(int level, const std::string& parentLabel, int indent);
  Level LevelOf(int level, bool complex, int count, const std::string& parentLabel) const;
  // The variation list at the cursor's ply is laid out (not folded away).
  bool ShowsVariationsOf(const GameCursor& at) const;
  bool IsComplex();

  // Reading back: a cursor on an entry's context, its annotation set, the texts.
  bool CursorOn(const NotaEntry& entry, GameCursor& at) const;
  static AnnotationSet* SetOf(const GameCursor& at, int ply);
  static std::u32string PieceText(AnnotationSet* set, bool before, int index);

  NotationMetrics* metrics_;
  GameCursor cursor_;
  NotationFormatter formatter_;
  std::vector<std::vector<NotaEntry>> lines_;
  std::vector<NotaContext> contexts_;
  std::vector<NotaTextPiece> pieces_;
  std::vector<NotaEntry> current_;
  int16_t x_ = 0;
  int16_t spaceWidth_ = 5;
  int16_t iconWidth_ = 20;
  int16_t iconHeight_ = 20;
  int16_t iconOffset_ = 0;
  int context_ = 0;
};

}  // namespace zh
