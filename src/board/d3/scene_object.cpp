#include "board/d3/scene_object.h"

#include <algorithm>
#include <numbers>

#include "core/services.h"

namespace zh::d3 {
namespace {

constexpr const char* kSourcePath = "D3\\Scene";
constexpr int kTooManyVerticesLine = 313;
constexpr int kTooManyPolygonsLine = 318;
constexpr int kBadPolygonLine = 150;
constexpr double kRadiansPerDegree = 0.017453292519943295;
constexpr int64_t kMaxIndex = 32767;

ScenePolygon Polygon(int a, int b, int c) {
  ScenePolygon p;
  p.index = {static_cast<int16_t>(a), static_cast<int16_t>(b), static_cast<int16_t>(c), 0};
  p.count = 3;
  return p;
}

ScenePolygon Polygon(int a, int b, int c, int d) {
  ScenePolygon p;
  p.index = {static_cast<int16_t>(a), static_cast<int16_t>(b), static_cast<int16_t>(c),
             static_cast<int16_t>(d)};
  p.count = 4;
  return p;
}

}  // namespace

void ReversePolygon(ScenePolygon& polygon) {
  const ScenePolygon old = polygon;
  for (int i = 1; i < polygon.count; ++i) polygon.index[i] = old.index[polygon.count - i];
}

SceneObject::SceneObject(std::string name, size_t vertexCount, size_t polygonCount)
    : name_(std::move(name)), vertices_(vertexCount), polygons_(polygonCount) {}

SceneObject::SceneObject(const SceneObject& other)
    : name_(other.name_),
      vertices_(other.vertices_),
      polygons_(other.polygons_),
      outline_(other.outline_),
      position_(other.position_),
      screenBounds_(other.screenBounds_),
      shadowBounds_(other.shadowBounds_),
      footScreenX_(other.footScreenX_),
      footPoint_(other.footPoint_),
      square_(other.square_),
      visible_(other.visible_) {}

SceneObject& SceneObject::operator=(const SceneObject& other) {
  if (this != &other) *this = SceneObject(other);
  return *this;
}

SceneObject SceneObject::FromLists(std::string name, std::span<const SceneVertex> vertices,
                                   std::span<const ScenePolygon> polygons) {
  SceneObject object(std::move(name));
  object.vertices_.assign(vertices.begin(), vertices.end());
  for (const ScenePolygon& p : polygons) {
    const bool valid = (p.count == 3 || p.count == 4) &&
                       std::all_of(p.index.begin(), p.index.begin() + p.count, [&](int16_t i) {
                         return i >= 0 && static_cast<size_t>(i) < vertices.size();
                       });
    if (valid)
      object.polygons_.push_back(p);
    else
      ReportInconsistency("Polygon beyond the vertices of " + object.name_, kSourcePath, kBadPolygonLine);
  }
  return object;
}

SceneObject SceneObject::Lathe(std::string name, int meridians, std::span<const Vec3> profile) {
  SceneObject object(std::move(name));
  const int c = static_cast<int>(profile.size());
  if (meridians < 1 || c < 2) return object;
  const bool top = profile.front().x == 0;
  const bool bottom = profile.back().x == 0;
  const int o = c - int(top) - int(bottom);  // points per meridian
  if (o < 1) return object;
  const int n = meridians;
  if (int64_t{o} * n + 2 > kMaxIndex) return object;  // vertex numbers are 16-bit

  object.vertices_.reserve(size_t(o) * n + 2);
  for (int m = 0; m < n; ++m) {
    for (int k = int(top); k < c - int(bottom); ++k) {
      Vec3 v = profile[k];
      ToSpherical(v);
      v.z = m * 2 * std::numbers::pi / n;
      FromSpherical(v);
      SceneVertex vertex;
      vertex.SetPosition(v);
      object.vertices_.push_back(vertex);
    }
  }
  const int poleTop = o * n;
  const int poleBottom = o * n + int(top);
  if (top) object.vertices_.push_back(SceneVertex{0, 0, profile.front().z});
  if (bottom) object.vertices_.push_back(SceneVertex{0, 0, profile.back().z});

  auto& polygons = object.polygons_;
  polygons.reserve(size_t(c - 1) * n + 2);
  if (bottom) {
    for (int m = 0; m < n - 1; ++m) polygons.push_back(Polygon((m + 1) * o + o - 1, m * o + o - 1, poleBottom));
    polygons.push_back(Polygon(o - 1, (n - 1) * o + o - 1, poleBottom));
  }
  for (int w = o - 2; w >= 0; --w) {
    for (int m = 0; m < n - 1; ++m)
      polygons.push_back(Polygon(m * o + w, m * o + w + 1, (m + 1) * o + w + 1, (m + 1) * o + w));
    polygons.push_back(Polygon((n - 1) * o + w, (n - 1) * o + w + 1, w + 1, w));
  }
  if (top) {
    for (int m = 0; m < n - 1; ++m) polygons.push_back(Polygon(poleTop, m * o, (m + 1) * o));
    polygons.push_back(Polygon(poleTop, (n - 1) * o, 0));
  }
  return object;
}

SceneObject SceneObject::Extrude(std::string name, const SceneObject& shape, const Vec3& offset) {
  SceneObject object(std::move(name));
  const int v = static_cast<int>(shape.vertices_.size());
  if (v == 0 || 2 * int64_t{v} > kMaxIndex) return object;
  object.vertices_ = shape.vertices_;
  for (const SceneVertex& s : shape.vertices_) {
    SceneVertex moved = s;
    moved.SetPosition(s.Position() + offset);
    object.vertices_.push_back(moved);
  }
  object.polygons_ = shape.polygons_;
  for (const ScenePolygon& s : shape.polygons_) {
    ScenePolygon copy = s;
    for (int i = 0; i < copy.count; ++i) copy.index[i] = static_cast<int16_t>(copy.index[i] + v);
    ReversePolygon(copy);
    object.polygons_.push_back(copy);
  }
  for (int k = 0; k < v - 1; ++k) object.polygons_.push_back(Polygon(k, k + 1, v + k + 1, v + k));
  object.polygons_.push_back(Polygon(v - 1, 0, v, 2 * v - 1));
  return object;
}

void SceneObject::Assign(const SceneObject& other) {
  if (this == &other) return;
  vertices_ = other.vertices_;
  polygons_ = other.polygons_;
  outline_ = other.outline_;
  position_ = other.position_;
}

bool SceneObject::Append(const SceneObject& other) {
  if (vertices_.size() + other.vertices_.size() > kMaxVertices) {
    ReportInconsistency("Too many vertices in object", kSourcePath, kTooManyVerticesLine);
    return false;
  }
  // A merge that kept the vertices without the polygons would leave parts that
  // widen the bounds but are never drawn: all or nothing.
  if (polygons_.size() + other.polygons_.size() > kMaxPolygons) {
    ReportInconsistency("Too many polygons in object", kSourcePath, kTooManyPolygonsLine);
    return false;
  }
  const auto shift = static_cast<int16_t>(vertices_.size());
  vertices_.insert(vertices_.end(), other.vertices_.begin(), other.vertices_.end());
  polygons_.reserve(polygons_.size() + other.polygons_.size());
  for (ScenePolygon p : other.polygons_) {
    for (int i = 0; i < p.count; ++i) p.index[i] = static_cast<int16_t>(p.index[i] + shift);
    polygons_.push_back(p);
  }
  return true;
}

void SceneObject::SetColor(const ColorRecord& color) {
  for (ScenePolygon& p : polygons_) p.color = color;
}

void SceneObject::Translate(const Vec3& offset) {
  for (SceneVertex& v : vertices_) v.SetPosition(v.Position() + offset);
  position_.Add(offset);
}

void SceneObject::MoveTo(const Vec3& point) {
  const Vec3 offset = point - position_;
  for (SceneVertex& v : vertices_) v.SetPosition(v.Position() + offset);
  footPoint_.Add(offset);
  position_ = point;
}

void SceneObject::Rotate(int axis, int degrees) {
  Matrix3 m = kIdentity;
  BuildRotation(m, degrees * kRadiansPerDegree, axis);
  for (SceneVertex& v : vertices_) v.SetPosition(Transform(v.Position(), m));
  position_ = Transform(position_, m);
}

void SceneObject::ComputeScreenBounds() {
  int32_t minX = 30000, minY = 30000, maxX = -30000, maxY = -30000;
  for (const SceneVertex& v : vertices_) {
    minX = std::min<int32_t>(minX, v.screenX);
    maxX = std::max<int32_t>(maxX, v.screenX);
    minY = std::min<int32_t>(minY, v.screenY);
    if (v.screenY > maxY) {
      maxY = v.screenY;
      footScreenX_ = v.screenX;
      footPoint_ = v.Position();
    }
  }
  screenBounds_ = Rectangle{minX, minY, maxX + 1, maxY + 1};
}

ScreenPolygon SceneObject::PolygonOnScreen(size_t index) const {
  ScreenPolygon points;
  if (index >= polygons_.size()) return points;
  const ScenePolygon& p = polygons_[index];
  for (int i = 0; i < p.count; ++i) {
    const SceneVertex& v = vertices_[static_cast<size_t>(p.index[i])];
    points.push_back({v.screenX, v.screenY});
  }
  return points;
}

bool SceneObject::ClipToWindow(int32_t width, int32_t height) {
  const Rectangle window = width > 0 && height > 0 ? Rectangle{0, 0, width - 1, height - 1} : Rectangle{};
  visible_ = !Intersect(window, screenBounds_).IsEmpty();
  return visible_;
}

}  // namespace zh::d3
