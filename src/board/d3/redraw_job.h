// A redraw of part of the 3D board's picture: the screen area to repaint and what
// lies in it, in drawing order: the board's polygons, the pieces' shadows, the pieces
// (farthest first). Drawing the job clipped to its area gives the same pixels as a
// full render there, so a changed square, a moved piece or a mark costs only its area.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "board/board_colors.h"
#include "board/d3/scene.h"
#include "board/d3/screen_geometry.h"
#include "core/toolbox/rectangle.h"

namespace zh::d3 {

struct JobPolygon {
  ScreenPolygon points;
  ColorRecord color;        // before shading and before named colours are resolved
  double brightness = 1.0;  // the colour is shaded by it
  bool outline = false;     // edged with a one-pixel line of colour-name index 0
};

struct JobShadow {
  ScreenPolygon points;
  int16_t key = 0;  // square of the piece that casts it
};

class RedrawJob {
 public:
  static constexpr size_t kObjectCapacity = 100;
  static constexpr size_t kPolygonCapacity = 400;
  static constexpr size_t kShadowCapacity = 128;
  static constexpr size_t kExcludedCapacity = 128;
  // Points drawn of one polygon and of one shadow.
  static constexpr size_t kMaxPolygonPoints = 30;
  static constexpr size_t kMaxShadowPoints = 100;

  RedrawJob();

  // Empties the tables; with `clearArea` the area too.
  void Reset(bool clearArea);
  // Adds the rectangle to the area (an empty one adds nothing).
  void AddArea(const Rectangle& rect);
  bool Meets(const Rectangle& rect) const;
  const std::vector<Rectangle>& Areas() const { return areas_; }
  // The smallest rectangle holding the area.
  Rectangle Bounds() const;

  // False when the object is in the job already or the table is full.
  bool AddObject(SceneObject* object);
  void RemoveObject(const SceneObject* object);
  // Ignored below 3 points or with a full table.
  void AddPolygon(ScreenPolygon polygon, const ColorRecord& color, double brightness, bool outline);
  // Stored under the key, which is no longer excluded; with a full table an
  // internal-check box and nothing stored.
  void AddShadow(ScreenPolygon polygon, int16_t key);
  void ExcludeShadow(int16_t key);
  bool IsExcluded(int16_t key) const;
  // Farthest from the observer first.
  void SortObjects(const Vec3& observer);

  const std::vector<SceneObject*>& Objects() const { return objects_; }
  const std::vector<JobPolygon>& Polygons() const { return polygons_; }
  const std::vector<JobShadow>& Shadows() const { return shadows_; }

  // Set by CollectArea from the settings.
  bool drawShadows = false;
  bool boardOnly = false;

 private:
  std::vector<Rectangle> areas_;
  std::vector<SceneObject*> objects_;
  std::vector<JobPolygon> polygons_;
  std::vector<JobShadow> shadows_;
  std::vector<int16_t> excluded_;
};

// Fills the job for its area from the scene: every visible board object that meets
// the area with its front polygons in list order (marked squares in the mark colour
// unless marks are drawn by inverting), the shadows of the pieces whose shadows meet
// it, and the visible pieces that meet it, sorted farthest first. While steering only
// the board is collected.
void CollectArea(RedrawJob& job, D3Scene& scene);

}  // namespace zh::d3
