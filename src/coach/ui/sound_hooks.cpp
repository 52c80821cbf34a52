#include "coach/ui/sound_hooks.h"

#include "app/languages.h"
#include "app/locations.h"
#include "coach/ui/qt_audio_sink.h"
#include "core/services.h"

namespace zh {

SoundFolders ProgramSoundFolders(const std::string& dataFolder) {
  SoundFolders folders;
  folders.soundsFolder = JoinPath(dataFolder, "sounds");
  folders.resolve = [](const std::string& path) {
    return FindPathIgnoringCase(path).value_or(path);
  };
  folders.languageFolder = [] { return std::string(Language(Settings().language).folder); };
  return folders;
}

SoundHooks::SoundHooks(SinkFactory makeSink) : makeSink_(std::move(makeSink)) {}

SoundHooks::~SoundHooks() { ShutdownSound(); }

void SoundHooks::Make() {
  sink_ = makeSink_ ? makeSink_() : MakeAudioSink();
  manager_ = std::make_unique<SoundManager>(*sink_);
  effects_ = std::make_unique<SoundEffects>(*sink_, *manager_,
                                            ProgramSoundFolders(JoinPath(Settings().programFolder, "data")));
}

void SoundHooks::SetSoundOn(bool on) {
  if (!effects_) Make();
  effects_->on = on;
}

void SoundHooks::ShutdownSound() {
  if (manager_) manager_->Shutdown();
  effects_.reset();
  manager_.reset();
  sink_.reset();
}

}  // namespace zh
