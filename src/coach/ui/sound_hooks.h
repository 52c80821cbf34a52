// The sound services as the shell reaches them: made at the start-up stage that
// switches the board sounds on, shut down at close.
#pragma once

#include <functional>
#include <memory>

#include "app/shell_hooks.h"
#include "coach/audio_sink.h"
#include "coach/sound_effects.h"
#include "coach/sound_manager.h"

namespace zh {

class SoundHooks : public CoachHooks {
 public:
  using SinkFactory = std::function<std::unique_ptr<AudioSink>()>;
  // Without a factory the machine's output (or the null sink) is used.
  explicit SoundHooks(SinkFactory makeSink = {});
  ~SoundHooks() override;

  // The first call makes the sink, the sound manager and the board sounds.
  void SetSoundOn(bool on) override;
  void ShutdownSound() override;
  // Completions come from the sink on the GUI thread; nothing is pending here.
  void SoundManagerNotice() override {}

  SoundEffects* Effects() { return effects_.get(); }
  SoundManager* Manager() { return manager_.get(); }
  AudioSink* Sink() { return sink_.get(); }

 private:
  void Make();

  SinkFactory makeSink_;
  std::unique_ptr<AudioSink> sink_;
  std::unique_ptr<SoundManager> manager_;
  std::unique_ptr<SoundEffects> effects_;
};

// The sound folders of the program's data folder: paths found without regard to
// case, fragments in the current language's folder.
SoundSetup ProgramSoundSetup(const std::string& dataFolder);

}  // namespace zh
