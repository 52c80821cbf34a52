// The MIDI output the background music plays through: one file open at a time,
// played once, with a report of its end on the GUI thread.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace zh {

class MidiPlayer {
 public:
  // Called once per Play on the GUI thread: true when the file played to its end,
  // false when it was stopped or closed before.
  using Completion = std::function<void(bool ok)>;

  virtual ~MidiPlayer() = default;
  // A synthesiser, an audio output and the instrument sounds can be opened.
  virtual bool IsAvailable() = 0;
  // Closes what is open and opens a Standard MIDI File; the error text on failure.
  virtual std::optional<std::string> Open(const std::string& path) = 0;
  // Plays the file just opened; the error text on failure, when `done` is
  // never called.
  virtual std::optional<std::string> Play(Completion done) = 0;
  // Stops playing (the completion reports an abort); the file stays open.
  virtual void Stop() = 0;
  // Stops and closes; nothing open afterwards.
  virtual void Close() = 0;
  virtual bool IsPlaying() const = 0;
};

}  // namespace zh
