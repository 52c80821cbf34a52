// Piece maps: the bitmaps that piece sets are cut from. A map is three cells high
// and seven wide; columns 0-5 hold king, queen, knight, bishop, rook and pawn (row 0
// the white piece, row 1 the black piece, row 2 the silhouette, black on white);
// cell (6, 1) is the dark-square texture and cell (6, 2) the selection.
#pragma once

#include <QImage>
#include <QString>
#include <array>

namespace zh {

// The map of each style index; index 2 halves the map of index 5.
inline constexpr std::array<int, 8> kPieceMapIds = {9000, 9002, 9010, 9006, 9008, 9010, 9012, 9014};
// The maps that exist, each once.
inline constexpr std::array<int, 7> kDrawnPieceMapIds = {9000, 9002, 9006, 9008, 9010, 9012, 9014};
inline constexpr int kPieceMapColumns = 7;

// The cell size of a map: 16, 20, 32, 40, 48, 64, 72; 0 for an unknown id.
int PieceMapCellSize(int mapId);
// Cell (c, r) of a map with cells of size a.
QImage PieceMapCell(const QImage& map, int column, int row);
// The silhouette of a piece: every pixel that a flood fill from the cell's border,
// through pixels white in both the white and the black picture, does not reach.
QImage PieceSilhouette(const QImage& white, const QImage& black);
// Empty when the map keeps the rules, else the first rule it breaks.
QString CheckPieceMap(const QImage& map);

}  // namespace zh
