// Any scene text reads within its room and builds shapes whose polygons name only
// their own vertices, whatever the lists hold.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "board/d3/scene_object.h"
#include "board/d3/scene_parser.h"

namespace {

void Check(const zh::d3::SceneObject& o) {
  for (const zh::d3::ScenePolygon& p : o.Polygons()) {
    if (p.count != 3 && p.count != 4) std::abort();
    for (int i = 0; i < p.count; ++i)
      if (p.index[i] < 0 || static_cast<size_t>(p.index[i]) >= o.Vertices().size()) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zh::d3;
  if (size == 0) return 0;
  const int meridians = 3 + data[0] % 61;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const size_t half = text.size() / 2;
  SceneParser parser;

  std::array<Vec3, 30> profile;
  const size_t c = parser.ReadVectorList(text, profile);
  if (c > profile.size()) std::abort();
  SceneObject body = SceneObject::Lathe("body", meridians, std::span(profile).first(c));
  Check(body);

  std::array<SceneVertex, 40> vertices;
  std::array<ScenePolygon, 40> polygons;
  const size_t v = parser.ReadVertexList(text.substr(0, half), vertices);
  const size_t p = parser.ReadPolygonList(text.substr(half), polygons);
  if (v > vertices.size() || p > polygons.size()) std::abort();
  const SceneObject flat = SceneObject::FromLists("flat", std::span(vertices).first(v), std::span(polygons).first(p));
  Check(flat);
  const SceneObject prism = SceneObject::Extrude("prism", flat, {0, 0, 1});
  Check(prism);
  const size_t before = body.Vertices().size();
  if (!body.Append(prism) && body.Vertices().size() != before) std::abort();
  Check(body);
  return 0;
}
