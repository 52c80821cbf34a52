// A whole short game kept inside one annotation of another game.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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

  // The stored form: header fields, the start position of a set-up game and the main
  // line's moves (embedded_game_payload.cpp). Write answers the length, 4 without a
  // game. Read answers the length read: where a field or move runs past the payload
  // it stops there; an illegal set-up start gives the standard start and 0.
  int Write(std::vector<uint8_t>& payload) const;
  int Read(const uint8_t* payload, int length);

  uint16_t firstWord = 0;
  uint16_t secondWord = 0;

 private:
  std::unique_ptr<TQGame> game_;
};

}  // namespace zh
