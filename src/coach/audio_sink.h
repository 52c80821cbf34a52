// The audio output as the sound code sees it: board sounds that play on their own,
// and wave files opened by handle and played with a completion report, so that the
// end of one file can start the next. Completions arrive on the GUI thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace zh {

// 0 is never a valid handle.
using AudioHandle = int32_t;

class AudioSink {
 public:
  // ok: the file played to its end; false for a stop, an error or a replacement.
  using FinishedHandler = std::function<void(AudioHandle handle, bool ok)>;

  virtual ~AudioSink() = default;

  // Board sounds: one at a time; a new one replaces the sound playing.
  virtual void PlayOnce(const std::string& path) = 0;
  virtual void PlayLoop(const std::string& path) = 0;
  virtual void StopEffect() = 0;

  // Queued files. Open answers 0 when the file cannot be opened.
  virtual AudioHandle Open(const std::string& path) = 0;
  // False when the play cannot start; no completion follows then.
  virtual bool Start(AudioHandle handle) = 0;
  // Ends a playing file; its completion reports false.
  virtual void Stop(AudioHandle handle) = 0;
  // Forgets the handle; nothing more is reported for it.
  virtual void Close(AudioHandle handle) = 0;

  void SetFinishedHandler(FinishedHandler handler) { handler_ = std::move(handler); }

 protected:
  void Finished(AudioHandle handle, bool ok) {
    if (handler_) handler_(handle, ok);
  }

 private:
  FinishedHandler handler_;
};

// For machines without audio output: plays nothing, but a started file finishes at
// once (posted to the GUI thread, never inside Start), so queues run to their end.
class NullAudioSink : public AudioSink {
 public:
  void PlayOnce(const std::string&) override {}
  void PlayLoop(const std::string&) override {}
  void StopEffect() override {}
  AudioHandle Open(const std::string& path) override;
  bool Start(AudioHandle handle) override;
  void Stop(AudioHandle handle) override;
  void Close(AudioHandle handle) override;

 private:
  void PostFinished(AudioHandle handle, bool ok);

  AudioHandle next_ = 0;
  AudioHandle open_ = 0;
  // Posted completions check it, so that none reaches a destroyed sink.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace zh
