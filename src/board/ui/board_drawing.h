// The drawing that the 2D board and the board diagrams share: the tints of coloured
// squares, the arrows and the coordinate labels.
#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <array>
#include <functional>

#include "core/rules/board.h"
#include "database/game/annotation_values.h"

namespace zh {

// Square colour codes 1-5 have tints; any other code draws as an uncoloured square.
inline constexpr int kTintCount = 6;
using Tints = std::array<QImage, kTintCount>;
Tints MakeTints(int squareSize);
inline bool HasTint(int code) { return code >= 1 && code < kTintCount; }

// 1 = dark, 0 = light (a1 is dark).
inline int SquareColour(int square) { return ((square / 8) ^ (square % 8) ^ 1) & 1; }

// Draws the arrows of a list; `origin` gives a square's top-left corner. Arrows with
// a square outside 0-63 are skipped; colours 4 and 5 (mod 6) are drawn black.
void DrawArrows(QPainter& painter, const MarkList& arrows, const Board& board,
                const std::function<QPoint(int square)>& origin, int squareSize);

// The labels' font, without antialiasing.
QFont LabelFont();

}  // namespace zh
