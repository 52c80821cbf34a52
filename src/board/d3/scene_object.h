// A scene object of the 3D board: a named polyhedron of vertices and 3- or 4-sided
// polygons with a position, an optional shadow outline, its screen bounds and a slot
// for the renderer's cached images. Objects are values; a copy is deep and starts
// without images.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "board/board_colors.h"
#include "board/d3/scene_records.h"
#include "board/d3/screen_geometry.h"
#include "board/d3/vec3.h"
#include "core/toolbox/rectangle.h"

namespace zh::d3 {

// The renderer's cached pictures of one object (over its two backgrounds).
class ObjectImages {
 public:
  virtual ~ObjectImages() = default;
};

// Reverses the winding of a polygon, keeping its first index.
void ReversePolygon(ScenePolygon& polygon);

class SceneObject {
 public:
  // Merging stops at these sizes.
  static constexpr size_t kMaxVertices = 2141;
  static constexpr size_t kMaxPolygons = 713;

  // Zeroed arrays of the given sizes at position (0, 0, 0), no outline, empty bounds.
  explicit SceneObject(std::string name = {}, size_t vertexCount = 0, size_t polygonCount = 0);
  SceneObject(const SceneObject& other);
  SceneObject& operator=(const SceneObject& other);
  SceneObject(SceneObject&&) noexcept = default;
  SceneObject& operator=(SceneObject&&) noexcept = default;
  ~SceneObject() = default;

  // A flat shape from lists read by the scene parser. A polygon naming a vertex that
  // is not in the list is left out and reported.
  static SceneObject FromLists(std::string name, std::span<const SceneVertex> vertices,
                               std::span<const ScenePolygon> polygons);
  // Surface of revolution about the z axis of a profile (radius x, y 0, height z, top
  // to bottom) with `meridians` meridians. A first or last point with x exactly 0 is a
  // pole; faces point outward. Empty when nothing can be turned or the vertices would
  // outrun 16-bit vertex numbers.
  static SceneObject Lathe(std::string name, int meridians, std::span<const Vec3> profile);
  // Prism of a shape whose vertices run around its outline: the shape, a copy moved by
  // `offset` with reversed winding, and the side quads (empty beyond 16-bit numbers).
  static SceneObject Extrude(std::string name, const SceneObject& shape, const Vec3& offset);

  // Takes copies of the other's vertices, polygons, outline and position; the name,
  // the images and the screen state stay.
  void Assign(const SceneObject& other);
  // Adds the other's vertices and polygons (its indices shifted). Refused whole, with
  // an error box, when either limit would be passed: false and nothing changed.
  bool Append(const SceneObject& other);

  void SetColor(const ColorRecord& color);
  // Moves every vertex and the position by `offset`.
  void Translate(const Vec3& offset);
  // Moves every vertex and the foot point by point - position; position := point.
  void MoveTo(const Vec3& point);
  // Turns every vertex and the position about a world axis through the origin.
  void Rotate(int axis, int degrees);

  // Screen bounds and foot point from the projected vertices.
  void ComputeScreenBounds();
  // The projected points of one polygon.
  ScreenPolygon PolygonOnScreen(size_t index) const;
  // Sets and answers the visible flag: the screen bounds meet the window.
  bool ClipToWindow(int32_t width, int32_t height);
  // Empty screen bounds and not visible: the object cannot be shown from this view.
  void Hide() {
    screenBounds_ = Rectangle{};
    visible_ = false;
  }

  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  const std::vector<SceneVertex>& Vertices() const { return vertices_; }
  std::span<SceneVertex> Vertices() { return vertices_; }
  const std::vector<ScenePolygon>& Polygons() const { return polygons_; }
  std::span<ScenePolygon> Polygons() { return polygons_; }
  const std::vector<SceneVertex>& Outline() const { return outline_; }
  std::span<SceneVertex> Outline() { return outline_; }
  void SetOutline(std::vector<SceneVertex> outline) { outline_ = std::move(outline); }

  const Vec3& Position() const { return position_; }
  void SetPosition(const Vec3& p) { position_ = p; }
  const Rectangle& ScreenBounds() const { return screenBounds_; }
  Rectangle& ShadowBounds() { return shadowBounds_; }
  const Rectangle& ShadowBounds() const { return shadowBounds_; }
  int16_t FootScreenX() const { return footScreenX_; }
  const Vec3& FootPoint() const { return footPoint_; }
  int32_t Square() const { return square_; }
  void SetSquare(int32_t square) { square_ = square; }
  bool Visible() const { return visible_; }

  ObjectImages* Images() const { return images_.get(); }
  void SetImages(std::unique_ptr<ObjectImages> images) { images_ = std::move(images); }

 private:
  std::string name_;
  std::vector<SceneVertex> vertices_;
  std::vector<ScenePolygon> polygons_;
  std::vector<SceneVertex> outline_;
  Vec3 position_;
  Rectangle screenBounds_;
  Rectangle shadowBounds_;
  int16_t footScreenX_ = 0;
  Vec3 footPoint_;
  int32_t square_ = 0;
  bool visible_ = true;
  std::unique_ptr<ObjectImages> images_;
};

}  // namespace zh::d3
