// The frame of the settings records: each record is one group of "Z5.ini", and
// windows that show settings observe the general record.
#pragma once

#include <vector>

#include "core/toolbox/profile_file.h"

namespace zh {

class Params {
 public:
  virtual ~Params() = default;
  // Reads the record's group; missing or empty keys keep the current values.
  virtual void LoadFrom(ProfileFile& file) = 0;
  // Empties the record's group and writes every key again.
  virtual void SaveTo(ProfileFile& file) = 0;

  // The same on the user's "Z5.ini".
  void Load();
  void Save();
};

class ObservedSubject;

class Observer {
 public:
  virtual ~Observer() = default;
  virtual void Update(ObservedSubject& subject) = 0;
};

class ObservedSubject {
 public:
  static constexpr size_t kInitialCapacity = 10;

  ObservedSubject() { observers_.reserve(kInitialCapacity); }
  virtual ~ObservedSubject() = default;

  // Appends the observer; false when the list cannot grow.
  virtual bool Attach(Observer* observer);
  // Removes every entry of the observer.
  virtual void Detach(Observer* observer);
  // Calls Update on every observer in list order. Observers may attach or detach
  // during Update; one detached meanwhile is not called any more.
  virtual void Notify();

  size_t ObserverCount() const { return observers_.size(); }

 private:
  std::vector<Observer*> observers_;
};

}  // namespace zh
