// Plays wave files one after another through the audio sink: the coach's spoken
// remarks, spoken moves and single sound files. The completion of one file starts
// the next queued one.
#pragma once

#include <cstdint>
#include <memory>

#include "coach/audio_sink.h"
#include "coach/talk_item.h"
#include "core/services.h"

namespace zh {

// Play flags of one file.
enum PlayFlags : uint32_t {
  kPlayCloseAfter = 0x1,
  kPlayTellOwner = 0x2,
  kPlayNextQueued = 0x4,
};

class SoundManager {
 public:
  static constexpr int16_t kQueueCapacity = 100;
  // The longest wait at shutdown for the output to confirm its stop.
  static constexpr uint64_t kShutdownWaitMs = 3000;

  // Takes over the sink's completion handler.
  explicit SoundManager(AudioSink& sink);
  ~SoundManager();
  SoundManager(const SoundManager&) = delete;
  SoundManager& operator=(const SoundManager&) = delete;

  void QueueTalk(const TalkItem& item);
  void PlayWave(const std::string& path, uint32_t playFlags);
  void PlayNext();
  // The sink's completion report; a report of any handle but the open one is stale.
  void OnFinished(AudioHandle handle, bool ok);
  void Close();
  void Stop();
  bool StopIfPlaying();
  void StopAll();
  // Stops the open file and waits, pumping events, until the sink confirms the stop
  // or kShutdownWaitMs have passed; then drops the queue.
  void Shutdown();

  // Called when a play made with kPlayTellOwner has finished.
  CallbackLink onFinished;

  uint32_t PlayFlags() const { return playFlags_; }
  AudioHandle DeviceId() const { return deviceId_; }
  bool Playing() const { return playing_; }
  bool PriorityLowered() const { return priorityLowered_; }
  int SavedPriority() const { return savedPriority_; }
  const TalkItem* Queue() const { return queue_.get(); }

 private:
  AudioSink& sink_;
  uint32_t playFlags_ = 0;
  AudioHandle deviceId_ = 0;
  bool playing_ = false;
  // The thread priority is kept as state only; Linux threads keep theirs.
  int savedPriority_ = 0;
  bool priorityLowered_ = false;
  std::unique_ptr<TalkItem> queue_;
};

}  // namespace zh
