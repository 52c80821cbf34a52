#include "coach/ui/sound_hooks.h"

#include "app/app_params.h"
#include "app/languages.h"
#include "app/ui/zelko_app.h"
#include "app/locations.h"
#include "coach/fluidsynth_player.h"
#include "coach/ui/qt_audio_sink.h"
#include "core/services.h"

namespace zh {

SoundSetup ProgramSoundSetup(const std::string& dataFolder) {
  SoundSetup folders;
  folders.soundsFolder = JoinPath(dataFolder, "sounds");
  folders.resolve = [](const std::string& path) {
    return FindPathIgnoringCase(path).value_or(path);
  };
  // The settings of the running program; without one, English and short notation.
  folders.languageFolder = [] {
    const AppParams* params = ZelkoApp::Instance() ? ZelkoApp::Instance()->App() : nullptr;
    return std::string(Language(params ? params->language : 0).folder);
  };
  folders.notaType = [] {
    const AppParams* params = ZelkoApp::Instance() ? ZelkoApp::Instance()->App() : nullptr;
    return params ? int{params->notaType} : 0;
  };
  return folders;
}

SoundHooks::SoundHooks(SinkFactory makeSink, MidiFactory makeMidi)
    : makeSink_(std::move(makeSink)), makeMidi_(std::move(makeMidi)) {}

SoundHooks::~SoundHooks() {
  DeleteMusicPlayer();
  DeleteSoundEffects();
  ShutdownSound();
}

void SoundHooks::CreateMusicPlayer() {
  if (music_) return;
  midi_ = makeMidi_ ? makeMidi_() : std::make_unique<FluidSynthPlayer>();
  music_ = std::make_unique<MusicPlayer>(
      *midi_, JoinPath(JoinPath(Settings().programFolder, "data"), "music"));
}

void SoundHooks::DeleteMusicPlayer() {
  music_.reset();
  midi_.reset();
}

void SoundHooks::PlayIntro() {
  if (music_) music_->PlayIntro();
}

void SoundHooks::PlayRandomIntro() {
  if (music_) music_->PlayRandomIntro();
}

void SoundHooks::PlayRandomPiece() {
  if (music_) music_->PlayRandomPiece();
}

void SoundHooks::CloseMusic() {
  if (music_) music_->CloseAll();
}

bool SoundHooks::HasMusicFolder() const { return music_ && music_->HasMusicFolder(); }

bool SoundHooks::HasSecondMusicFolder() const { return music_ && music_->HasComposerFolder(); }

int SoundHooks::PollMusic() { return music_ ? music_->Poll() : 0; }

void SoundHooks::MakeSink() {
  if (!sink_) sink_ = makeSink_ ? makeSink_() : MakeAudioSink();
}

void SoundHooks::ReleaseUnusedSink() {
  if (!effects_ && !manager_) sink_.reset();
}

void SoundHooks::CreateSoundEffects() {
  if (effects_) return;
  MakeSink();
  effects_ = std::make_unique<SoundEffects>(*sink_, manager_.get(),
                                            ProgramSoundSetup(JoinPath(Settings().programFolder, "data")));
}

void SoundHooks::DeleteSoundEffects() {
  effects_.reset();
  ReleaseUnusedSink();
}

void SoundHooks::CreateSoundManager() {
  if (manager_) return;
  MakeSink();
  manager_ = std::make_unique<SoundManager>(*sink_);
  if (effects_) effects_->SetManager(manager_.get());
}

void SoundHooks::SetSoundOn(bool on) {
  CreateSoundEffects();
  effects_->on = on;
}

void SoundHooks::ShutdownSound() {
  if (!manager_) return;
  manager_->Shutdown();
  if (effects_) effects_->SetManager(nullptr);
  manager_.reset();
  ReleaseUnusedSink();
}

}  // namespace zh
