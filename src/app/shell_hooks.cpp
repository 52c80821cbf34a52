#include "app/shell_hooks.h"

#include "core/rules/move.h"

namespace zh {
namespace {

class CoreNotation final : public NotationSink {
 public:
  void SetPieceTable(std::string_view eight) override { SetMovePieceLetters(eight); }
};

struct NullHooks {
  CoreNotation notation;
  WorkWindow gameWindow;
  WorkWindow dbWindow;
  WorkWindow currentWindow;
  GameHooks game;
  CoachHooks coach;
  GameWindowHost gameHost;
};

NullHooks& Nulls() {
  static NullHooks nulls;
  return nulls;
}

template <class T>
T& Or(T* set, T& fallback) {
  return set ? *set : fallback;
}

}  // namespace

ShellHooks& CurrentHooks() {
  static ShellHooks hooks;
  return hooks;
}

NotationSink& Notation() { return Or<NotationSink>(CurrentHooks().notation, Nulls().notation); }
WorkWindow& GameWindowHook() { return Or(CurrentHooks().gameWindow, Nulls().gameWindow); }
WorkWindow& DbWindowHook() { return Or(CurrentHooks().dbWindow, Nulls().dbWindow); }
WorkWindow& CurrentWindowHook() { return Or(CurrentHooks().currentWindow, Nulls().currentWindow); }
GameHooks& Game() { return Or(CurrentHooks().game, Nulls().game); }
CoachHooks& Coach() { return Or(CurrentHooks().coach, Nulls().coach); }
GameWindowHost& GameHost() { return Or(CurrentHooks().gameHost, Nulls().gameHost); }

ScopedHooks::ScopedHooks(const ShellHooks& installed) : previous_(CurrentHooks()) {
  ShellHooks& h = CurrentHooks();
  if (installed.notation) h.notation = installed.notation;
  if (installed.gameWindow) h.gameWindow = installed.gameWindow;
  if (installed.dbWindow) h.dbWindow = installed.dbWindow;
  if (installed.currentWindow) h.currentWindow = installed.currentWindow;
  if (installed.game) h.game = installed.game;
  if (installed.coach) h.coach = installed.coach;
  if (installed.gameHost) h.gameHost = installed.gameHost;
}

ScopedHooks::~ScopedHooks() { CurrentHooks() = previous_; }

}  // namespace zh
