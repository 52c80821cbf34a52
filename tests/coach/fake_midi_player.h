// A MIDI player without sound: it records its calls, fails where told to and ends
// a piece when the test says so.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "coach/midi_player.h"

namespace zh::test {

class FakeMidiPlayer final : public MidiPlayer {
 public:
  bool available = true;
  std::map<std::string, std::string> openErrors;  // by file name
  std::optional<std::string> playError;
  std::vector<std::string> opened;  // file names, in order
  int closes = 0;

  bool IsAvailable() override { return available; }
  std::optional<std::string> Open(const std::string& path) override {
    Close();
    const std::string name = std::filesystem::path(path).filename().string();
    opened.push_back(name);
    if (auto it = openErrors.find(name); it != openErrors.end()) return it->second;
    open_ = true;
    return std::nullopt;
  }
  std::optional<std::string> Play(Completion done) override {
    if (!open_) return "nothing open";
    if (playError) return playError;
    playing_ = true;
    done_ = std::move(done);
    return std::nullopt;
  }
  void Stop() override { End(false); }
  void Close() override {
    ++closes;
    End(false);
    open_ = false;
  }
  bool IsPlaying() const override { return playing_; }

  // The piece ends: played through (true) or aborted.
  void End(bool ok) {
    if (!playing_) return;
    playing_ = false;
    if (Completion done = std::move(done_)) done(ok);
  }

 private:
  bool open_ = false;
  bool playing_ = false;
  Completion done_;
};

}  // namespace zh::test
