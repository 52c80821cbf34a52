// The objects of one view, owned by the list and kept sorted farthest first from the
// observer, so that painting in list order hides what lies behind.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "board/d3/scene_object.h"
#include "board/d3/vec3.h"

namespace zh::d3 {

class ObjectList {
 public:
  explicit ObjectList(size_t capacity) : capacity_(capacity) { slots_.reserve(capacity); }

  // Takes the object into the next slot and answers the slot; a full list answers -1
  // and leaves the object with the caller.
  int Add(std::unique_ptr<SceneObject>&& object);

  // Takes the object out of slot i (later ones move down) and hands it over.
  std::unique_ptr<SceneObject> Take(size_t i);
  // Deletes every object.
  void Clear() { slots_.clear(); }

  // Stores the observer and orders the objects by the squared distance of their
  // positions from it, farthest first; equal distances keep their order, so a scene
  // repaints the same way every time.
  void SortByDistance(const Vec3& observer);

  size_t Count() const { return slots_.size(); }
  size_t Capacity() const { return capacity_; }
  const Vec3& Observer() const { return observer_; }
  SceneObject& operator[](size_t i) { return *slots_[i]; }
  const SceneObject& operator[](size_t i) const { return *slots_[i]; }

 private:
  size_t capacity_;
  Vec3 observer_;
  std::vector<std::unique_ptr<SceneObject>> slots_;
};

}  // namespace zh::d3
