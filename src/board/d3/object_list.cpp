#include "board/d3/object_list.h"

#include <algorithm>

namespace zh::d3 {

int ObjectList::Add(std::unique_ptr<SceneObject>&& object) {
  if (!object || slots_.size() >= capacity_) return -1;
  slots_.push_back(std::move(object));
  return static_cast<int>(slots_.size() - 1);
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
