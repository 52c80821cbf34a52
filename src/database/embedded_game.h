// A whole short game kept inside one annotation of another game.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace zh {

class TQGame;

class EmbeddedGame {
 public:
  EmbeddedGame();
  explicit EmbeddedGame(std::unique_ptr<TQGame> game);
  // Deep copy of the game; the second word travels only when both sides agree on
  // having a game.
  EmbeddedGame(const EmbeddedGame& other);
  EmbeddedGame& operator=(const EmbeddedGame&) = delete;
  ~EmbeddedGame();

  TQGame* Game() const { return game_.get(); }
  // "White-Black/Tournament (round)/result", parts as far as they exist.
  std::string Description() const;

  uint16_t firstWord = 0;
  uint16_t secondWord = 0;

 private:
  std::unique_ptr<TQGame> game_;
};

}  // namespace zh
