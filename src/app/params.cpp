#include "app/params.h"

#include <algorithm>
#include <new>

namespace zh {

void Params::Load() {
  ProfileFile file;
  if (file.OpenDefault()) LoadFrom(file);
}

void Params::Save() {
  ProfileFile file;
  if (!file.OpenDefault()) return;
  SaveTo(file);
  file.Flush();
}

bool ObservedSubject::Attach(Observer* observer) {
  try {
    if (observers_.size() == observers_.capacity())
      observers_.reserve(observers_.capacity() + std::max<size_t>(observers_.capacity() / 3, 10));
    observers_.push_back(observer);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

void ObservedSubject::Detach(Observer* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void ObservedSubject::Notify() {
  const std::vector<Observer*> snapshot = observers_;
  for (Observer* o : snapshot)
    if (std::find(observers_.begin(), observers_.end(), o) != observers_.end()) o->Update(*this);
}

}  // namespace zh
