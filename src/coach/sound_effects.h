// The board's sounds (new game, move, capture, the ticking clock) and spoken moves
// strung together from recorded fragments: piece, squares, "takes" and castling.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "coach/audio_sink.h"
#include "coach/sound_manager.h"
#include "core/rules/move.h"

namespace zh {

// Where the sounds lie (`soundsFolder` holds "board" and one "<Language>/notation"
// folder per language) and the settings that choose the spoken fragments.
struct SoundSetup {
  std::string soundsFolder;
  // The existing spelling of a path, found without regard to case; the path itself
  // when none exists. Unset: paths are taken as they are.
  std::function<std::string(const std::string&)> resolve;
  // The folder name of the current interface language; unset: "English".
  std::function<std::string()> languageFolder;
  // The "NotaType" setting (4 long notation); unset: 0.
  std::function<int()> notaType;
};

class SoundEffects {
 public:
  // The sound manager (spoken moves, stopping a remark) may come later; without one
  // nothing is spoken.
  SoundEffects(AudioSink& sink, SoundManager* manager, SoundSetup folders);
  ~SoundEffects();
  SoundEffects(const SoundEffects&) = delete;
  SoundEffects& operator=(const SoundEffects&) = delete;

  void Play(const std::string& path, bool loop);
  void Stop();
  void PlayNewGame();
  void PlayMove();
  void PlayCapture();
  void PlayTick();
  bool HasSpokenNotation() const;
  void SpeakMove(const Move& move, bool longForm);

  // The fragment files of a spoken move, in speaking order.
  std::vector<std::string> MoveFragments(const Move& move, bool longForm) const;
  // The folder the fragments are read from.
  std::string NotationFolder() const;

  bool on = true;
  bool hitSet = false;
  const std::string& BoardFolder() const { return boardFolder_; }
  const std::string& SoundsFolder() const { return folders_.soundsFolder; }
  void SetManager(SoundManager* manager) { manager_ = manager; }

 private:
  std::string Resolve(const std::string& path) const;
  void PlayBoard(const char* name, bool loop);

  AudioSink& sink_;
  SoundManager* manager_;
  SoundSetup folders_;
  std::string boardFolder_;
};

// The fragment names (without folder and extension) of a spoken move: piece names
// "Ka" .. "Pa", squares "e4" and from-squares "g1_lv", "takes", "000" and "00".
std::vector<std::string> SpokenMoveFragments(const Move& move, bool longForm, int notaType);

}  // namespace zh
