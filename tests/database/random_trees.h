// Random games with nested variations, null moves, promotions and set-up starts,
// entered through the cursor, and a dump of a body that shows every coded detail.
#pragma once

#include <cstdint>
#include <filesystem>
#include <random>
#include <string_view>
#include <string>
#include <vector>

#include "database/game/game_item.h"

namespace zh::test {

struct RandomTreeOptions {
  int mainLength = 60;
  int maxDepth = 3;
  // Chance in 100 that a move gets alternatives.
  int branchPercent = 20;
  bool nullMoves = true;
  bool annotations = false;
};

// A game record entered through the cursor (coordinate moves as test::Enter takes
// them), from the FEN when one is given, with its item number.
TQGame EnteredGame(std::string_view moves, const char* fen = nullptr, int number = 1);
// A game holding only the header and number of another: what a reader starts from.
TQGame HeaderOf(const TQGame& game);
std::vector<uint8_t> FileBytes(const std::filesystem::path& path);

// Set-up starts with either side to move, some with promotions close.
const std::vector<const char*>& SetUpFens();

// A game grown from `seed`: the standard start or one of SetUpFens, a marker.
void GrowRandomGame(TQGame& game, uint32_t seed, const RandomTreeOptions& options = {});

// Main line, variations in parentheses, promotions, null moves ("--"), annotation
// entries by type and key, the marker and the start.
std::string DumpBody(const GameBody& body);

// One annotation of every kind that the annotation file stores, spread by the seed.
void AddRandomAnnotations(AnnotationSet& set, std::mt19937& rng);

}  // namespace zh::test
