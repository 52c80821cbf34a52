// The audio output through Qt Multimedia: a sound effect for the board sounds and a
// media player for queued files. Completions are reported on the GUI thread.
#pragma once

#include <QObject>
#include <QSoundEffect>
#include <memory>

#include "coach/audio_sink.h"

class QMediaPlayer;
class QAudioOutput;

namespace zh {

class QtAudioSink : public QObject, public AudioSink {
  Q_OBJECT

 public:
  QtAudioSink();
  ~QtAudioSink() override;

  void PlayOnce(const std::string& path) override;
  void PlayLoop(const std::string& path) override;
  void StopEffect() override;
  AudioHandle Open(const std::string& path) override;
  bool Start(AudioHandle handle) override;
  void Stop(AudioHandle handle) override;
  void Close(AudioHandle handle) override;

 private:
  void PlayEffect(const std::string& path, int loops);
  // Reports the open file's end once, later on the GUI thread.
  void Report(bool ok);

  QSoundEffect effect_;
  std::unique_ptr<QAudioOutput> output_;
  std::unique_ptr<QMediaPlayer> player_;
  AudioHandle next_ = 0;
  AudioHandle open_ = 0;
  bool reported_ = false;
};

// The real output when the machine has an audio output device; otherwise one line
// in the technical log and the null sink.
std::unique_ptr<AudioSink> MakeAudioSink();

}  // namespace zh
