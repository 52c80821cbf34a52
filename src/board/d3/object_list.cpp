#include "board/d3/object_list.h"

#include <algorithm>

namespace zh::d3 {

int ObjectList::Add(std::unique_ptr<SceneObject>&& object) {
  if (!object || slots_.size() >= capacity_) return -1;
  slots_.push_back(std::move(object));
  return static_cast<int>(slots_.size() - 1);
}

std::unique_ptr<SceneObject> ObjectList::Take(size_t i) {
  if (i >= slots_.size()) return nullptr;
  std::unique_ptr<SceneObject> object = std::move(slots_[i]);
  slots_.erase(slots_.begin() + static_cast<std::ptrdiff_t>(i));
  return object;
}

void ObjectList::SortByDistance(const Vec3& observer) {
  observer_ = observer;
  auto distance = [&](const std::unique_ptr<SceneObject>& o) {
    return (o->Position() - observer).SquaredLength();
  };
  std::stable_sort(slots_.begin(), slots_.end(),
                   [&](const auto& a, const auto& b) { return distance(a) > distance(b); });
}

}  // namespace zh::d3
