// The complete notation of a game laid out in lines of placed entries: moves,
// variations to any depth with brackets or labels, texts cut into pieces, engine
// evaluations, clock times and the result. The notation window and printing supply
// the measuring (NotationMetrics) and drawing (NotationPainter).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/notation.h"
#include "database/game_cursor.h"
#include "database/game_title.h"

namespace zh {

// Measures texts in the fonts of style slots 1 to 6.
class NotationMetrics {
 public:
  virtual ~NotationMetrics() = default;
  virtual int TextWidth(int slot, std::string_view utf8) = 0;
  virtual int FontHeight(int slot) = 0;
  virtual int TextHeight() = 0;
  virtual void IconSize(int& width, int& height) = 0;
  // The slot-7 pair: horizontal offset step and its second value.
  virtual std::pair<int16_t, int16_t> Offsets() { return {0, 0}; }
};

// Draws what PaintLine hands it.
class NotationPainter {
 public:
  virtual ~NotationPainter() = default;
  virtual void SetFont(int slot) = 0;
  // 0 the default colour; a named colour 12, 10, 9 or 5; or 0x1000000 | RGB.
  virtual void SetColour(uint32_t colour) = 0;
  virtual void DrawText(int x, int y, std::string_view utf8) = 0;
  virtual void DrawIcon(int x, int y, int icon) = 0;
};

// Entry flags.
enum NotaFlag : uint32_t {
  kNotaPieceBefore = 0x8,
  kNotaPieceAfter = 0x10,
  kNotaEval = 0x40,
  kNotaSlot2 = 0x80,
  kNotaSlot5 = 0x100,
  kNotaSlot3 = 0x400,
  kNotaResult = 0x1000,
  kNotaTextBefore = 0x4000,
  kNotaTextAfter = 0x8000,
  kNotaTime = 0x2000000,
  kNotaBracket = 0x2,      // with a style: an opening bracket (0x2) or closing (0x4)
  kNotaClosing = 0x4,
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
  int32_t colour = 0;
  int16_t indent = 0;
  std::string label;   // up to 52 characters
  std::string open;    // opening bracket of the level
  std::string close;   // closing bracket or separator
  std::string text;    // what the bracket or label entry shows
};

struct NotaTextPiece {
  int16_t start = 0;
  int16_t length = 0;
  int16_t textIndex = 0;  // index into the layout's texts
  int32_t context = 0;
};

struct NotaOptions {
  bool labelled = false;
  bool justified = true;
  bool resultAtEnd = true;
};

class FullNota {
 public:
  FullNota(NotationMetrics& metrics, const GameCursor& cursor);

  NotaOptions options;
  int16_t lineWidth = 620;

  void Layout(bool fromStart);
  const std::vector<std::vector<NotaEntry>>& Lines() const { return lines_; }
  const std::vector<NotaContext>& Contexts() const { return contexts_; }
  const std::vector<NotaTextPiece>& Pieces() const { return pieces_; }
  // What an entry shows (UTF-8), and its font slot.
  std::string EntryText(const NotaEntry& entry) const;
  static int SlotOf(uint32_t flags);
  void PaintLine(NotationPainter& painter, int line, int y, int offsetIndex) const;

  // A break position in a piece of `length` characters.
  static int BreakPosition(const std::u32string& text, int length);
  int16_t SpaceWidth() const { return spaceWidth_; }

 private:
  void NewLine(int indent, bool justify);
  void Justify(std::vector<NotaEntry>& line) const;
  void Advance(int width, int indent, bool wrap);
  void AddEntry(int ply, int32_t ref, uint32_t flags);
  int Place(int slot, const std::string& text, int ply, int32_t ref, uint32_t flags, int indent);
  int NewContext(const std::string& open, const std::string& close, const std::string& text);
  void LayMove(int slot, uint32_t style, bool forceNumber, int indent);
  void LayAfter(AnnotationSet* set, int ply, int indent);
  void LayText(const std::string& utf8, bool before, int ply, int indent);
  bool LayVariations(int level, const std::string& parentLabel, int indent);
  bool IsComplex();

  NotationMetrics* metrics_;
  GameCursor cursor_;
  NotationFormatter formatter_;
  std::vector<std::vector<NotaEntry>> lines_;
  std::vector<NotaContext> contexts_;
  std::vector<NotaTextPiece> pieces_;
  std::vector<std::string> texts_;        // texts of the pieces
  std::vector<NotaEntry> current_;
  std::vector<std::string> currentTexts_;
  std::vector<std::vector<std::string>> lineTexts_;
  int16_t x_ = 0;
  int16_t spaceWidth_ = 5;
  int context_ = 0;
};

}  // namespace zh
