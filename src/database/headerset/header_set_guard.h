// What keeps a header set whole between programs and across a killed creation.
//
// Every open set holds flock locks on its files, so a second program is refused;
// HeldElsewhere tells that refusal apart from damage. A new set is made while the
// marker file B.tqn exists and is locked: a creation killed half-way leaves the
// marker, and the next opening removes the half-made files and then the marker.
#pragma once

#include <string>

namespace zh {

// True when another open file description holds a lock on one of the set's files.
bool HeaderSetHeldElsewhere(const std::string& base);

// Removes the files of a set whose creation did not finish (a marker without a living
// owner), the marker last. 0, or 11 when a file could not be removed.
int RemoveHalfMadeHeaderSet(const std::string& base);

class HeaderSetCreation {
 public:
  static constexpr const char* kExtension = "tqn";

  // Creates and locks the marker; Started() is false when that failed.
  explicit HeaderSetCreation(const std::string& base);
  // A creation that was not finished removes what it made.
  ~HeaderSetCreation();
  HeaderSetCreation(const HeaderSetCreation&) = delete;
  HeaderSetCreation& operator=(const HeaderSetCreation&) = delete;

  bool Started() const { return fd_ >= 0; }
  // The set is complete: the marker goes, the set stands.
  void Finish();

 private:
  std::string base_;
  std::string path_;
  int fd_ = -1;
};

}  // namespace zh
