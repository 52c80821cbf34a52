#include <algorithm>

#include "app/message_ids.h"
#include "core/services.h"
#include "tournament/crosstable_kinds.h"
#include "tournament/crosstable_text.h"

namespace zh {

KoSystemTournament::KoSystemTournament(CTourManager& manager) : Tournament(manager) {}

// From the final down: the final's games open its pairings in game order; a lower
// round is walked player by player in the order the round above listed them, each
// taking the first game of the round that involves the player. A pairing's games
// and every other game of its players in that round are set aside once listed.
void KoSystemTournament::ComputeOrder() {
  rounds_.clear();
  const int highest = manager_.MaxRound();
  const auto& games = manager_.Games();
  std::vector<int32_t> order;
  for (int round = highest; round >= 1; --round) {
    std::vector<bool> aside(games.size(), false);
    std::vector<Pairing> pairings;
    auto open = [&](size_t first) {
      Pairing p;
      p.a = games[first].white;
      p.b = games[first].black;
      double games_ = 0;
      for (size_t i = 0; i < games.size(); ++i) {
        const GameEntry& g = games[i];
        if (g.round != round) continue;
        const bool involves = g.white == p.a || g.black == p.a || g.white == p.b || g.black == p.b;
        if (!involves) continue;
        aside[i] = true;
        const bool between = (g.white == p.a && g.black == p.b) || (g.white == p.b && g.black == p.a);
        if (!between || !HasResult(g.result)) continue;
        ++games_;
        if (g.result == kDraw) p.scoreA += 0.5;
        else if ((g.result == kWhiteWon) == (g.white == p.a)) p.scoreA += 1;
      }
      p.scoreB = games_ - p.scoreA;
      pairings.push_back(p);
    };
    if (round == highest) {
      for (size_t i = 0; i < games.size(); ++i)
        if (games[i].round == round && !aside[i]) open(i);
    } else {
      for (int32_t player : order) {
        for (size_t i = 0; i < games.size(); ++i) {
          const GameEntry& g = games[i];
          if (g.round == round && !aside[i] && (g.white == player || g.black == player)) {
            open(i);
            break;
          }
        }
      }
    }
    order.clear();
    for (const Pairing& p : pairings) {
      order.push_back(p.a);
      order.push_back(p.b);
    }
    rounds_.push_back(std::move(pairings));
  }
}

std::string KoSystemTournament::WriteTextTable(bool tabs) const {
  if (failed_) return {};
  std::string text = TitleLine(tabs ? "\t" : "  ");
  const int highest = static_cast<int>(rounds_.size());
  for (int i = 0; i < highest; ++i) {
    const int round = highest - i;
    std::string label = i == 0   ? GetMessageText(msg::M_KO_FINAL)
                        : i == 1 ? GetMessageText(msg::M_KO_SEMIFINAL)
                        : i == 2 ? GetMessageText(msg::M_KO_QUARTERFINAL)
                                 : GetMessageText(msg::M_KO_ROUND) + " " + std::to_string(round);
    text += label + "\n" + std::string(static_cast<size_t>(TextWidth(label)), '-') + "\n\n";
    for (const Pairing& p : rounds_[static_cast<size_t>(i)])
      text += NameOfSlot(p.a) + (tabs ? "\t" : " ") + Printf("%.1f\n", p.scoreA) + NameOfSlot(p.b) +
              (tabs ? "\t" : " ") + Printf("%.1f\n\n", p.scoreB);
  }
  return text;
}

}  // namespace zh
