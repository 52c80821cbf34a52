// Background music: an intro piece at start-up, a random piece for the rated-game
// screens, and while music is on one random piece of the composer's folders after
// another.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "coach/midi_player.h"
#include "coach/talk_item.h"
#include "core/services.h"

namespace zh {

// The composer folder inside the music folder.
inline constexpr const char* kComposerFolder = "Bach";
// At most this many files of one folder take part in a random choice.
inline constexpr int16_t kMaxMidiFiles = 100;

// The sub-folder of the composer folder for a random number (its value mod 10).
const char* ComposerSubFolder(uint32_t random);

class MusicPlayer {
 public:
  // `musicFolder` is the "music" folder of the data folder; its sub-folders are
  // found without regard to case.
  MusicPlayer(MidiPlayer& player, std::string musicFolder);
  ~MusicPlayer();
  MusicPlayer(const MusicPlayer&) = delete;
  MusicPlayer& operator=(const MusicPlayer&) = delete;

  // Plays one file; errors are shown in boxes only with `showErrors`. True when it
  // plays.
  bool PlayFile(const std::string& path, bool showErrors);
  // The test piece, with error boxes; without a synthesiser the box "No Midi
  // sequencer installed". Answers whether a synthesiser is there.
  bool PlayIntro();
  // The intro of the current minute (minute mod count of the intro folder).
  void PlayRandomIntro();
  // A random piece of the music folder itself.
  void PlayRandomPiece();
  // The rotation step: when nothing plays, a random piece of a random sub-folder of
  // the composer folder starts and its label goes to the message line. Answers 1
  // when a piece was started, else 0.
  int Poll();
  // Ends the rotation and closes the open piece.
  void CloseAll();

  // The end of a piece (true when it played through).
  void OnPieceEnd(bool ok);

  bool IsAvailable() const { return available_; }
  bool AutoNext() const { return autoNext_; }
  const std::string& MusicFolder() const { return musicFolder_; }
  const std::string& ComposerFolder() const { return composerFolder_; }
  // Both folders exist (the options dialog enables its music boxes by them).
  bool HasMusicFolder() const;
  bool HasComposerFolder() const;

  // Adds the full path of every file of `folder` that ends in ".mid" (any case), in
  // order of names, until `list` is full.
  static void ListMidiFiles(const std::string& folder, TalkItem& list);

 private:
  // The existing spelling of a path below the music folder, or the path as given.
  std::string Below(const std::string& folder, const std::string& name) const;
  // Plays list entry `index` without boxes; answers whether it plays.
  bool PlayFromList(const TalkItem& list, uint32_t index);

  MidiPlayer& player_;
  bool available_ = false;
  std::string musicFolder_;
  std::string composerFolder_;
  bool autoNext_ = false;
  // Runs the next Poll of the rotation 10 ms after a piece's end.
  std::unique_ptr<Timer> nextPiece_;
};

}  // namespace zh
