// The sound services as the shell reaches them: made at the start-up stage that
// switches the board sounds on, shut down at close.
#pragma once

#include <functional>
#include <memory>

#include "app/shell_hooks.h"
#include "coach/audio_sink.h"
#include "coach/midi_player.h"
#include "coach/music_player.h"
#include "coach/sound_effects.h"
#include "coach/sound_manager.h"

namespace zh {

class SoundHooks : public CoachHooks {
 public:
  using SinkFactory = std::function<std::unique_ptr<AudioSink>()>;
  using MidiFactory = std::function<std::unique_ptr<MidiPlayer>()>;
  // Without a factory the machine's output (or the null sink) is used; music plays
  // through fluidsynth unless another MIDI player is made.
  explicit SoundHooks(SinkFactory makeSink = {}, MidiFactory makeMidi = {});
  ~SoundHooks() override;

  // The board sounds and the sound manager share one sink, made with the first.
  void CreateSoundEffects() override;
  void DeleteSoundEffects() override;
  void CreateSoundManager() override;
  // Makes the board sounds when start-up has not.
  void SetSoundOn(bool on) override;
  // Stops the open file and removes the sound manager.
  void ShutdownSound() override;
  // Completions come from the sink on the GUI thread; nothing is pending here.
  void SoundManagerNotice() override {}

  // The music player over the data folder's "music".
  void CreateMusicPlayer() override;
  void DeleteMusicPlayer() override;
  void PlayIntro() override;
  void PlayRandomIntro() override;
  void PlayRandomPiece() override;
  void CloseMusic() override;
  bool HasMusicFolder() const override;
  bool HasSecondMusicFolder() const override;
  int PollMusic() override;
  // The MIDI player reports its ends on the GUI thread itself.
  void MusicPlayerNotice() override {}

  SoundEffects* Effects() { return effects_.get(); }
  MusicPlayer* Music() { return music_.get(); }
  SoundManager* Manager() { return manager_.get(); }
  AudioSink* Sink() { return sink_.get(); }

 private:
  void MakeSink();
  void ReleaseUnusedSink();

  SinkFactory makeSink_;
  std::unique_ptr<AudioSink> sink_;
  std::unique_ptr<SoundManager> manager_;
  std::unique_ptr<SoundEffects> effects_;
  MidiFactory makeMidi_;
  std::unique_ptr<MidiPlayer> midi_;
  std::unique_ptr<MusicPlayer> music_;
};

// The sound folders of the program's data folder: paths found without regard to
// case, fragments in the current language's folder.
SoundSetup ProgramSoundSetup(const std::string& dataFolder);

}  // namespace zh
