// Services of later subsystems that start-up creates and exit deletes. Until their
// subsystems exist they are stand-ins that hold what the shell needs of them.
#pragma once

#include <string>
#include <utility>

namespace zh {

// A service whose subsystem is not built yet: it only carries its name.
class PlaceholderService {
 public:
  explicit PlaceholderService(std::string name) : name_(std::move(name)) {}
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
};

// The text-format objects (two of them: notation and database texts).
class TextFormats {
 public:
  explicit TextFormats(int slot) : slot_(slot) {}
  int Slot() const { return slot_; }

 private:
  int slot_;
};

// The video player: its deletion ends the video library when it was started.
class VideoPlayer {
 public:
  ~VideoPlayer() { EndLibrary(); }
  void StartLibrary() { libraryStarted_ = true; }
  void EndLibrary() { libraryStarted_ = false; }
  bool LibraryStarted() const { return libraryStarted_; }

 private:
  bool libraryStarted_ = false;
};

// The rating list of the players.
class EloList {};

// Runs engine tournaments; no tournament runs until its subsystem exists.
class TournamentController {
 public:
  bool IsRunning() const { return false; }
};

}  // namespace zh
