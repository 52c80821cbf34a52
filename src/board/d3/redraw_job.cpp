#include "board/d3/redraw_job.h"

#include <algorithm>

#include "core/services.h"

namespace zh::d3 {
namespace {

constexpr const char* kSourcePath = "D3\\Board2";
constexpr int kTooManyShadowsLine = 932;

}  // namespace

RedrawJob::RedrawJob() {
  objects_.reserve(kObjectCapacity);
  polygons_.reserve(kPolygonCapacity);
  shadows_.reserve(kShadowCapacity);
  excluded_.reserve(kExcludedCapacity);
}

void RedrawJob::Reset(bool clearArea) {
  objects_.clear();
  polygons_.clear();
  shadows_.clear();
  excluded_.clear();
  if (clearArea) areas_.clear();
}

void RedrawJob::AddArea(const Rectangle& rect) {
  if (!rect.IsEmpty()) areas_.push_back(rect);
}

bool RedrawJob::Meets(const Rectangle& rect) const {
  return std::any_of(areas_.begin(), areas_.end(), [&](const Rectangle& a) { return !Intersect(a, rect).IsEmpty(); });
}

Rectangle RedrawJob::Bounds() const {
  Rectangle all;
  for (const Rectangle& a : areas_) all = Union(all, a);
  return all;
}

bool RedrawJob::AddObject(SceneObject* object) {
  if (!object || objects_.size() >= kObjectCapacity) return false;
  if (std::find(objects_.begin(), objects_.end(), object) != objects_.end()) return false;
  objects_.push_back(object);
  return true;
}

void RedrawJob::RemoveObject(const SceneObject* object) {
  const auto at = std::find(objects_.begin(), objects_.end(), object);
  if (at != objects_.end()) objects_.erase(at);
}

void RedrawJob::AddPolygon(ScreenPolygon polygon, const ColorRecord& color, double brightness, bool outline) {
  if (polygon.size() < 3 || polygons_.size() >= kPolygonCapacity) return;
  polygons_.push_back({std::move(polygon), color, brightness, outline});
}

void RedrawJob::AddShadow(ScreenPolygon polygon, int16_t key) {
  if (shadows_.size() >= kShadowCapacity) {
    ReportInconsistency("too many shadows in RedrawJob", kSourcePath, kTooManyShadowsLine);
    return;
  }
  excluded_.erase(std::remove(excluded_.begin(), excluded_.end(), key), excluded_.end());
  shadows_.push_back({std::move(polygon), key});
}

void RedrawJob::ExcludeShadow(int16_t key) {
  if (excluded_.size() < kExcludedCapacity) excluded_.push_back(key);
}

bool RedrawJob::IsExcluded(int16_t key) const {
  return std::find(excluded_.begin(), excluded_.end(), key) != excluded_.end();
}

void RedrawJob::SortObjects(const Vec3& observer) {
  auto distance = [&](const SceneObject* o) { return (o->Position() - observer).SquaredLength(); };
  std::stable_sort(objects_.begin(), objects_.end(),
                   [&](const SceneObject* a, const SceneObject* b) { return distance(a) > distance(b); });
}

void CollectArea(RedrawJob& job, D3Scene& scene) {
  const D3Settings& s = scene.Settings();
  job.boardOnly = s.steering;
  job.drawShadows = s.shadows && !s.steering;

  const ObjectList& board = scene.BoardObjects();
  for (size_t i = 0; i < board.Count(); ++i) {
    const SceneObject& object = board[i];
    if (!object.Visible() || !job.Meets(object.ScreenBounds())) continue;
    const bool marked = i < 64 && !s.sqMarkSimple && (scene.markedSquares >> i) & 1;
    const auto& polygons = object.Polygons();
    for (size_t k = 0; k < polygons.size(); ++k) {
      if (polygons[k].backFacing) continue;
      if (marked)
        job.AddPolygon(object.PolygonOnScreen(k), s.colSquareMark, 1.0, s.grating);
      else
        job.AddPolygon(object.PolygonOnScreen(k), polygons[k].color, polygons[k].brightness, s.grating);
    }
  }
  if (job.boardOnly) return;

  ObjectList& pieces = scene.Pieces();
  for (size_t i = 0; i < pieces.Count(); ++i) {
    SceneObject& piece = pieces[i];
    if (job.drawShadows && !piece.ShadowBounds().IsEmpty() && job.Meets(piece.ShadowBounds())) {
      ScreenPolygon outline;
      for (const SceneVertex& v : piece.Outline()) outline.push_back({v.screenX, v.screenY});
      job.AddShadow(std::move(outline), static_cast<int16_t>(piece.Square()));
    }
    if (piece.Visible() && job.Meets(piece.ScreenBounds())) job.AddObject(&piece);
  }
  job.SortObjects(s.observer);
}

}  // namespace zh::d3
