// MIDI files played by the fluidsynth software synthesiser with a General MIDI
// soundfont, through PulseAudio or ALSA (or any driver fluidsynth has, such as its
// file writer). The end of a file is seen by polling the player on a GUI-thread
// timer, so that no other thread touches this object.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "coach/midi_player.h"
#include "core/services.h"

// fluidsynth's handles, declared as its header does.
typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;
typedef struct _fluid_audio_driver_t fluid_audio_driver_t;
typedef struct _fluid_player_t fluid_player_t;

namespace zh {

struct FluidSynthOptions {
  std::string soundFont = "/usr/share/sounds/sf2/default-GM.sf2";
  // An audio driver by fluidsynth's name; empty tries "pulseaudio", then "alsa".
  std::string driver;
  // The output file of the "file" driver.
  std::string fileName;
};

// Checks the chunks of a Standard MIDI File: the header chunk and as many track
// chunks as it names, each within the data. The error text, or nothing when sound.
std::optional<std::string> CheckMidiFile(const std::vector<uint8_t>& bytes);

class FluidSynthPlayer final : public MidiPlayer {
 public:
  explicit FluidSynthPlayer(FluidSynthOptions options = {});
  ~FluidSynthPlayer() override;
  FluidSynthPlayer(const FluidSynthPlayer&) = delete;
  FluidSynthPlayer& operator=(const FluidSynthPlayer&) = delete;

  // Opens the synthesiser, the soundfont and the audio output once and closes them
  // again; the answer is kept.
  bool IsAvailable() override;
  std::optional<std::string> Open(const std::string& path) override;
  std::optional<std::string> Play(Completion done) override;
  void Stop() override;
  void Close() override;
  bool IsPlaying() const override { return playing_; }

 private:
  // Settings, synthesiser with the soundfont, player and audio output; false (and
  // nothing kept) when one of them fails.
  bool OpenSynth();
  void CloseSynth();
  // The polling timer's step: reports the end once the player is done.
  void CheckEnd();

  FluidSynthOptions options_;
  std::optional<bool> available_;
  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
  fluid_player_t* player_ = nullptr;
  fluid_audio_driver_t* driver_ = nullptr;
  bool playing_ = false;
  Completion done_;
  std::unique_ptr<Timer> poll_;
};

}  // namespace zh
