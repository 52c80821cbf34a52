#include "database/game/embedded_game.h"

#include "database/game/game_item.h"

namespace zh {

EmbeddedGame::EmbeddedGame() = default;

EmbeddedGame::EmbeddedGame(std::unique_ptr<TQGame> game) : game_(std::move(game)) {}

EmbeddedGame::EmbeddedGame(const EmbeddedGame& other)
    : firstWord(other.firstWord),
      secondWord(other.secondWord),
      game_(other.game_ ? std::make_unique<TQGame>(*other.game_) : nullptr) {}

EmbeddedGame::~EmbeddedGame() = default;

std::string EmbeddedGame::Description() const {
  if (!game_) return {};
  const GameHeader& h = game_->header;
  std::string text = h.white.DisplayText(TQPlayer::kFirstNameLength);
  const std::string black = h.black.DisplayText(TQPlayer::kFirstNameLength);
  if (!text.empty() && !black.empty()) text += "-";
  text += black;
  text += "/" + h.tournament.Title();
  if (h.GetRound() != 0) text += " (" + std::to_string(h.GetRound()) + ")";
  const GameResult result = h.GetGameResult();
  if (result.result != kNoResult) text += "/" + result.ToText().ToUtf8();
  return text;
}

}  // namespace zh
