#include "board/d3/piece_model.h"

#include <array>
#include <string_view>

#include "board/d3/scene_parser.h"
#include "board/d3/scene_texts.h"

namespace zh::d3 {
namespace {

// Room for the longest list of any scene text.
constexpr size_t kMaxProfile = 30;
constexpr size_t kMaxFlat = 40;

constexpr std::string_view kPieceFiles[] = {"king", "queen", "knight", "bishop", "rook", "pawn"};

class Builder {
 public:
  explicit Builder(std::string_view file) : file_(file) {}

  SceneObject Lathe(std::string_view section, int meridians) {
    std::array<Vec3, kMaxProfile> profile;
    const size_t n = parser_.ReadVectorList(Text(section), profile);
    return SceneObject::Lathe(std::string(), meridians, std::span(profile).first(n));
  }

  SceneObject Flat(std::string_view vertexSection, std::string_view polygonSection) {
    std::array<SceneVertex, kMaxFlat> vertices;
    std::array<ScenePolygon, kMaxFlat> polygons;
    const size_t v = parser_.ReadVertexList(Text(vertexSection), vertices);
    const size_t p = parser_.ReadPolygonList(Text(polygonSection), polygons);
    return SceneObject::FromLists(std::string(), std::span(vertices).first(v),
                                  std::span(polygons).first(p));
  }

  // The silhouette in the xz plane: the profile from the foot up as it is, then from
  // the top down mirrored to the left.
  std::vector<SceneVertex> Outline() {
    std::array<Vec3, kMaxProfile> profile;
    const size_t k = parser_.ReadVectorList(Text("outline"), profile);
    std::vector<SceneVertex> outline;
    outline.reserve(2 * k);
    for (size_t i = k; i-- > 0;) outline.push_back(SceneVertex{profile[i].x, 0, profile[i].z});
    for (size_t i = 0; i < k; ++i) outline.push_back(SceneVertex{-profile[i].x, 0, profile[i].z});
    return outline;
  }

 private:
  std::string_view Text(std::string_view section) const { return SceneSection(file_, section); }

  std::string_view file_;
  SceneParser parser_;
};

std::string BodySection(int design) {
  return "body" + std::to_string(design < kFirstDesign || design > kLastDesign ? kLastDesign : design);
}

SceneObject BuildKing(int meridians, int design) {
  Builder b("king");
  SceneObject body = b.Lathe(BodySection(design), meridians);
  SceneObject stem = SceneObject::Extrude({}, b.Flat("stem_vertices", "stem_polygons"), {0, 0, 0.4});
  SceneObject arm = SceneObject::Extrude({}, b.Flat("arm_vertices", "arm_polygons"), {0, 0, 0.4});
  SceneObject top = stem;
  arm.Translate({0, 0, 0.4});
  top.Translate({0, 0, 0.8});
  stem.Append(arm);
  stem.Append(top);
  stem.Rotate(kAxisZ, 90);
  stem.Translate({0.2, -0.2, 7.38});
  body.Append(stem);
  body.SetOutline(b.Outline());
  return body;
}

SceneObject BuildKnight(int meridians, int design) {
  Builder b("knight");
  SceneObject lower = b.Flat("head1_vertices", "head1_polygons");
  lower.Translate({-1.1, 0, 2.3});
  SceneObject upper = b.Flat("head2_vertices", "head2_polygons");
  upper.Translate({-1.1, 0, 4.4});
  SceneObject body = b.Lathe(BodySection(design), meridians);
  body.Append(lower);
  body.Append(upper);
  body.SetOutline(b.Outline());
  return body;
}

SceneObject BuildRook(int meridians, int design) {
  Builder b("rook");
  SceneObject ring = b.Lathe("ring", meridians);
  SceneObject body = b.Lathe(BodySection(design), meridians);
  if (design != 0) body.Append(ring);
  body.SetOutline(b.Outline());
  return body;
}

SceneObject BuildTurned(int type, int meridians, int design) {
  Builder b(kPieceFiles[type]);
  SceneObject body = b.Lathe(BodySection(design), meridians);
  body.SetOutline(b.Outline());
  return body;
}

SceneObject BuildCube() {
  Builder b("cube");
  return SceneObject::Extrude({}, b.Flat("square_vertices", "square_polygons"), {0, 0, 4.0});
}

}  // namespace

SceneObject PieceModel::Build(std::string name, int type, int meridians, int design) {
  SceneObject model(std::move(name));
  SceneObject built;
  switch (type) {
    case kModelKing:
      built = BuildKing(meridians, design);
      break;
    case kModelKnight:
      built = BuildKnight(meridians, design);
      break;
    case kModelRook:
      built = BuildRook(meridians, design);
      break;
    case kModelQueen:
    case kModelBishop:
    case kModelPawn:
      built = BuildTurned(type, meridians, design);
      break;
    case kModelTestCube:
      built = BuildCube();
      break;
    default:
      return model;
  }
  model.Assign(built);
  return model;
}

}  // namespace zh::d3
