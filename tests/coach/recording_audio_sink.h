// An audio sink for tests: records every call as one line, opens only existing
// files, and finishes a started file only when the test says so. What was started
// can be joined into one wave file for checks with sox.
#pragma once

#include <string>
#include <vector>

#include "coach/audio_sink.h"

namespace zh::test {

class RecordingAudioSink : public AudioSink {
 public:
  std::vector<std::string> calls;    // "PlayOnce <path>", "Open <path> = 1", "Start 1", ...
  std::vector<std::string> started;  // paths of the files started, in order
  std::string loopingEffect;         // the board sound looping now, if any
  bool startFails = false;

  void PlayOnce(const std::string& path) override;
  void PlayLoop(const std::string& path) override;
  void StopEffect() override;
  AudioHandle Open(const std::string& path) override;
  bool Start(AudioHandle handle) override;
  void Stop(AudioHandle handle) override;
  void Close(AudioHandle handle) override;

  // Reports the end of `handle` (the file last opened when 0).
  void Finish(bool ok = true, AudioHandle handle = 0);
  AudioHandle Current() const { return open_; }
  // Plays every queued file to its end: finishes until nothing is open.
  int FinishAll(int limit = 1000);

  // Writes the started files, joined, as one wave file; false (with `error` set)
  // when a file is no PCM wave or the formats differ.
  bool JoinStarted(const std::string& target, std::string& error) const;

 private:
  AudioHandle next_ = 0;
  AudioHandle open_ = 0;
  std::string openPath_;
};

// The PCM data of a wave file and its format; false with `error` set when the file
// is missing or not a PCM wave.
struct WaveData {
  uint16_t channels = 0;
  uint32_t rate = 0;
  uint16_t bits = 0;
  std::string samples;
};
bool ReadWave(const std::string& path, WaveData& wave, std::string& error);

}  // namespace zh::test
