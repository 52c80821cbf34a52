#include "board/d3/shading.h"

#include <cmath>
#include <numbers>

#include "board/palette_table.h"

namespace zh::d3 {

void ComputeCentres(SceneObject& object) {
  const auto& vertices = object.Vertices();
  for (ScenePolygon& p : object.Polygons()) {
    Vec3 sum;
    for (int i = 0; i < p.count; ++i) sum.Add(vertices[static_cast<size_t>(p.index[i])].Position());
    p.centre = p.count > 0 ? sum * (1.0 / p.count) : Vec3{};
  }
}

void ComputeNormals(SceneObject& object) {
  ComputeCentres(object);
  const auto& vertices = object.Vertices();
  auto at = [&](const ScenePolygon& p, int i) { return vertices[static_cast<size_t>(p.index[i])].Position(); };
  for (ScenePolygon& p : object.Polygons()) {
    p.normal = {0, 0, 1};
    if (p.count == 3) {
      PlaneNormal(p.normal, at(p, 0), at(p, 1), at(p, 2));
    } else if (p.count == 4) {
      Vec3 first, second;
      PlaneNormal(first, at(p, 0), at(p, 1), at(p, 2));
      PlaneNormal(second, at(p, 1), at(p, 2), at(p, 3));
      p.normal = first + second;
      Normalize(p.normal);
    }
  }
}

void MarkBackFaces(SceneObject& object, const Vec3& observer) {
  for (ScenePolygon& p : object.Polygons()) p.backFacing = (p.centre - observer).Dot(p.normal) > 0;
}

double Brightness(const Vec3& normal, const LightSource& light) {
  const double b = light.ambient + light.intensity * normal.Dot(light.direction) / light.length;
  if (!(b >= 0)) return 0;
  return b > 1 ? 1 : b;
}

void ShadePolygons(SceneObject& object, const LightSource& light) {
  for (ScenePolygon& p : object.Polygons()) p.brightness = Brightness(p.normal, light);
}

ColorRecord ShadeColor(const ColorRecord& c, double brightness) {
  auto scale = [&](uint16_t v) { return static_cast<uint16_t>(v * brightness); };
  return ColorRecord{c.name, scale(c.red), scale(c.green), scale(c.blue)};
}

void RegisterShadeColors(const D3Settings& s) {
  constexpr double kQuarter = std::numbers::pi / 2;
  auto ramp = [](const ColorRecord& c, int count, double step) {
    for (int k = 0; k < count; ++k) AddPaletteColor(ShadeColor(c, std::cos(k * step)));
  };
  ramp(s.colWhitePieces, 20, kQuarter * 0.05);
  ramp(s.colBlackPieces, 20, kQuarter * 0.05);
  ramp(s.colWhiteSquares, 6, kQuarter / 6);
  ramp(s.colBlackSquares, 6, kQuarter / 6);
  ramp(kFrameColor, 6, kQuarter / 6);
  // The named colours black, white, light green and red, as the display shows them.
  constexpr ColorRecord kNamed[] = {{0, 0, 0, 0}, {15, 65535, 65535, 65535}, {10, 0, 65535, 0}, {4, 32896, 0, 0}};
  for (const ColorRecord& c : kNamed) AddPaletteColor(c);
}

}  // namespace zh::d3
