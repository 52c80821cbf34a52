// pgn-extract's replay of a PGN file (`-Wuci --fencomments`) read back, and the
// tree's normal form of a FEN made by text operations alone.
#pragma once

#include <algorithm>
#include <cctype>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "core/rules/fen.h"
#include "core/rules/game_move.h"
#include "core/rules/position.h"

namespace zh::test {

// One replayed game: the FEN of every position, the move (UCI) played from each but
// the last, and the result tag.
struct ReplayedGame {
  std::vector<std::string> fens;
  std::vector<std::string> moves;
  std::string result;
};

inline constexpr const char* kStartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// Reads pgn-extract's output of `-Wuci --fencomments`: tags, then moves each followed
// by "{ FEN }", then the result.
inline std::vector<ReplayedGame> ParseReplay(const std::string& text) {
  std::vector<ReplayedGame> games;
  std::istringstream in(text);
  std::string line;
  ReplayedGame* game = nullptr;
  bool inMoves = false;
  std::string body;
  auto finish = [&] {
    if (!game) return;
    std::istringstream tokens(body);
    std::string token;
    while (tokens >> token) {
      if (token == "{") {
        std::string fen, field;
        while (tokens >> field && field != "}") fen += (fen.empty() ? "" : " ") + field;
        game->fens.push_back(fen);
      } else if (token != game->result) {
        game->moves.push_back(token);
      }
    }
    body.clear();
  };
  while (std::getline(in, line)) {
    if (line.rfind("[", 0) == 0) {
      if (inMoves || !game) {
        finish();
        games.emplace_back();
        game = &games.back();
        game->fens.push_back(kStartFen);
        inMoves = false;
      }
      const auto quote = line.find('"');
      const std::string name = line.substr(1, line.find(' ') - 1);
      const std::string value = line.substr(quote + 1, line.rfind('"') - quote - 1);
      if (name == "Result") game->result = value;
      if (name == "FEN") game->fens[0] = value;
    } else if (game && !line.empty()) {
      inMoves = true;
      body += line + " ";
    }
  }
  finish();
  return games;
}

inline Position FromFen(const std::string& fen) {
  StartRecord record;
  ParseFen(record, fen);
  return record.start.position;
}

inline GameMove FromUci(const std::string& uci, const Position& p) {
  const int from = MakeSquare(uci[0] - 'a', uci[1] - '1');
  const int to = MakeSquare(uci[2] - 'a', uci[3] - '1');
  int promotion = 0;
  // pgn-extract writes the promoted piece in either case.
  if (uci.size() > 4)
    promotion = static_cast<int>(std::string_view(" kqnbr").find(
        static_cast<char>(std::tolower(static_cast<unsigned char>(uci[4])))));
  GameMove m = GameMove::FromSquares(from, to, promotion);
  m.Complete(p);
  return m;
}

// The FEN's placement, side, castling and en-passant fields brought to the tree's
// normal form by text operations alone: Black to move is colour-mirrored; an
// en-passant square without a pawn to take is dropped; without
// castling rights the files are flipped when the white king stands on a to d.
// `mirrored` tells whether colours were exchanged. Empty for positions without pawns,
// whose further symmetries this does not follow.
struct TextKey {
  std::string key;
  bool mirrored = false;
};

inline TextKey NormalKey(const std::string& fen) {
  std::istringstream in(fen);
  std::string placement, side, castling, ep;
  in >> placement >> side >> castling >> ep;
  char grid[8][8];  // [rank from 8 down][file]
  int rank = 0, file = 0;
  for (char c : placement) {
    if (c == '/') {
      ++rank;
      file = 0;
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      for (int i = 0; i < c - '0'; ++i) grid[rank][file++] = '.';
    } else {
      grid[rank][file++] = c;
    }
  }
  TextKey out;
  bool pawns = false;
  for (auto& row : grid)
    for (char c : row) pawns |= c == 'P' || c == 'p';
  if (!pawns) return out;
  auto swapCase = [](char c) {
    return static_cast<char>(std::isupper(static_cast<unsigned char>(c)) ? std::tolower(c)
                                                                         : std::toupper(c));
  };
  if (side == "b") {
    out.mirrored = true;
    char mirrored[8][8];
    for (int r = 0; r < 8; ++r)
      for (int f = 0; f < 8; ++f)
        mirrored[r][f] = grid[7 - r][f] == '.' ? '.' : swapCase(grid[7 - r][f]);
    std::copy(&mirrored[0][0], &mirrored[0][0] + 64, &grid[0][0]);
    side = "w";
    if (castling != "-") {
      std::string swapped;
      for (char c : std::string("KQkq"))
        if (castling.find(swapCase(c)) != std::string::npos) swapped += c;
      castling = swapped;
    }
    if (ep != "-") ep[1] = ep[1] == '6' ? '3' : '6';
  }
  // The en-passant square stays only where a white pawn stands beside the black pawn
  // that stepped, whether or not the capture would be legal (the record's rule).
  if (ep != "-") {
    const int f = ep[0] - 'a';
    const char* row = grid[3];
    if (row[f] != 'p' || !((f > 0 && row[f - 1] == 'P') || (f < 7 && row[f + 1] == 'P'))) ep = "-";
  }
  if (castling == "-") {
    int kingFile = 0;
    for (auto& row : grid)
      for (int f = 0; f < 8; ++f)
        if (row[f] == 'K') kingFile = f;
    if (kingFile < 4) {
      for (auto& row : grid) std::reverse(std::begin(row), std::end(row));
      if (ep != "-") ep[0] = static_cast<char>('a' + 'h' - ep[0]);
    }
  }
  out.key = std::string(&grid[0][0], 64) + side + castling + ep;
  return out;
}

}  // namespace zh::test
