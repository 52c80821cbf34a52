#include "board/d3/scene.h"

#include <string>

#include "board/d3/camera.h"
#include "board/d3/piece_model.h"
#include "board/d3/shading.h"
#include "core/services.h"

namespace zh::d3 {
namespace {

constexpr const char* kSourcePath = "D3\\Board2";
constexpr int kNotRemovedLine = 562;
constexpr const char* kModelNames[] = {"King", "Queen", "Knight", "Bishop", "Rook", "Pawn"};
constexpr int64_t kNoPieceYet = 1000000;

std::string SquareName(int square) {
  return {static_cast<char>('a' + square / 8), static_cast<char>('1' + square % 8)};
}

int ModelIndex(int code) {
  const int type = code & 7;
  if (type < 1 || type > 6) return -1;
  return (type - 1) * 2 + ((code & 8) ? 1 : 0);
}

std::unique_ptr<SceneObject> Quad(std::string name, const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d,
                                  const ColorRecord& colour) {
  auto object = std::make_unique<SceneObject>(std::move(name), 4, 1);
  const Vec3 points[] = {a, b, c, d};
  for (size_t i = 0; i < 4; ++i) object->Vertices()[i].SetPosition(points[i]);
  ScenePolygon& p = object->Polygons()[0];
  p.index = {0, 1, 2, 3};
  p.count = 4;
  object->SetColor(colour);
  return object;
}

bool Contains(const Rectangle& r, ScreenPoint p) {
  return !r.IsEmpty() && p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
}

int64_t SquaredDistanceToCentre(const Rectangle& r, ScreenPoint p) {
  const int64_t dx = (int64_t{r.left} + r.right) / 2 - p.x;
  const int64_t dy = (int64_t{r.top} + r.bottom) / 2 - p.y;
  return dx * dx + dy * dy;
}

}  // namespace

D3Scene::D3Scene(D3Settings& settings) : settings_(settings) {}

void D3Scene::SetWindowSize(int32_t width, int32_t height) {
  width_ = width;
  height_ = height;
}

void D3Scene::BuildBoard() {
  board_.Clear();
  const double s = settings_.sqSize, m = settings_.boardMargin;
  const double p = 1.004 * s, g = 0.01 * s, c = 4 * s;
  for (int n = 0; n < kSquareCount; ++n) {
    const int file = n / 8, rank = n % 8;
    const double x1 = c + g - rank * p, x2 = x1 - p;
    const double y1 = file * p - g - c, y2 = y1 + p;
    const ColorRecord& colour = (file + rank) % 2 == 0 ? settings_.colBlackSquares : settings_.colWhiteSquares;
    board_.Add(Quad(SquareName(n), {x1, y1, 0}, {x1, y2, 0}, {x2, y2, 0}, {x2, y1, 0}, colour));
  }
  board_.Add(Quad("BFTop", {-c, -c, 0}, {-c, c, 0}, {-c - m, c + m, 0}, {-c - m, -c - m, 0}, kFrameColor));
  board_.Add(Quad("BFLeft", {c, -c, 0}, {-c, -c, 0}, {-c - m, -c - m, 0}, {c + m, -c - m, 0}, kFrameColor));
  board_.Add(Quad("BFRight", {-c, c, 0}, {c, c, 0}, {c + m, c + m, 0}, {-c - m, c + m, 0}, kFrameColor));
  board_.Add(Quad("BFBott", {c, c, 0}, {c, -c, 0}, {c + m, -c - m, 0}, {c + m, c + m, 0}, kFrameColor));

  auto thick = std::make_unique<SceneObject>("BFThick", 8, 4);
  const Vec3 corners[] = {{c + m, -c - m, 0}, {c + m, c + m, 0}, {-c - m, c + m, 0}, {-c - m, -c - m, 0}};
  for (size_t i = 0; i < 4; ++i) {
    thick->Vertices()[i].SetPosition(corners[i]);
    thick->Vertices()[i + 4].SetPosition(corners[i] + Vec3{0, 0, -1.5});
  }
  const std::array<int16_t, 4> sides[] = {{1, 0, 4, 5}, {2, 1, 5, 6}, {3, 2, 6, 7}, {0, 3, 7, 4}};
  for (size_t i = 0; i < 4; ++i) {
    thick->Polygons()[i].index = sides[i];
    thick->Polygons()[i].count = 4;
  }
  thick->SetColor(kFrameColor);
  board_.Add(std::move(thick));

  for (size_t i = 0; i < board_.Count(); ++i) {
    ComputeNormals(board_[i]);
    board_[i].SetSquare(static_cast<int32_t>(i));
  }
}

void D3Scene::BuildModels() {
  for (int type = 0; type < 6; ++type) {
    for (int black = 0; black < 2; ++black) {
      auto model = std::make_unique<SceneObject>(
          PieceModel::Build(kModelNames[type], type, settings_.rotation, settings_.pieces));
      model->SetColor(black ? settings_.colBlackPieces : settings_.colWhitePieces);
      ComputeNormals(*model);
      models_[static_cast<size_t>(type * 2 + black)] = std::move(model);
    }
  }
}

const SceneObject* D3Scene::Model(int code) const {
  const int index = ModelIndex(code);
  return index < 0 ? nullptr : models_[static_cast<size_t>(index)].get();
}

Vec3 D3Scene::SquarePosition(int square) const {
  const double s = settings_.sqSize;
  const int file = square / 8, rank = square % 8;
  return {s * (7 - rank) - 3.5 * s, s * file - 3.5 * s, 0};
}

void D3Scene::PreparePiece(SceneObject& piece) const {
  ComputeNormals(piece);
  ProjectObject(settings_, piece);
  if (settings_.shadows)
    ProjectShadow(settings_, piece);
  else
    piece.ShadowBounds() = Rectangle{};
  if (piece.ClipToWindow(width_, height_)) {
    MarkBackFaces(piece, settings_.observer);
    ShadePolygons(piece, settings_.light);
    if (renderImages) renderImages(piece);
  }
}

std::unique_ptr<SceneObject> D3Scene::MakePiece(int code, int square) const {
  const SceneObject* model = Model(code);
  if (!model || square < 0 || square >= kSquareCount) return nullptr;
  auto piece = std::make_unique<SceneObject>(*model);
  piece->Translate(SquarePosition(square));
  piece->SetSquare(square);
  PreparePiece(*piece);
  return piece;
}

SceneObject* D3Scene::PlacePiece(int code, int square) {
  std::unique_ptr<SceneObject> piece = MakePiece(code, square);
  if (!piece) return nullptr;
  SceneObject* placed = piece.get();
  return pieces_.Add(std::move(piece)) < 0 ? nullptr : placed;
}

SceneObject* D3Scene::FindPiece(int square) {
  for (size_t i = 0; i < pieces_.Count(); ++i)
    if (pieces_[i].Square() == square) return &pieces_[i];
  return nullptr;
}

std::unique_ptr<SceneObject> D3Scene::RemovePiece(int square) {
  for (size_t i = 0; i < pieces_.Count(); ++i)
    if (pieces_[i].Square() == square) return pieces_.Take(i);
  ReportInconsistency("Strange, couldn't remove!?", kSourcePath, kNotRemovedLine);
  return nullptr;
}

bool D3Scene::AddPiece(std::unique_ptr<SceneObject> piece) { return pieces_.Add(std::move(piece)) >= 0; }

void D3Scene::PrepareView() {
  const bool withPieces = !settings_.steering;
  if (withPieces) {
    for (size_t i = 0; i < pieces_.Count(); ++i) {
      SceneObject& piece = pieces_[i];
      ProjectObject(settings_, piece);
      if (settings_.shadows)
        ProjectShadow(settings_, piece);
      else
        piece.ShadowBounds() = Rectangle{};
    }
  }
  for (size_t i = 0; i < board_.Count(); ++i) ProjectObject(settings_, board_[i]);
  auto shade = [&](SceneObject& object) {
    if (!object.ClipToWindow(width_, height_)) return false;
    MarkBackFaces(object, settings_.observer);
    ShadePolygons(object, settings_.light);
    return true;
  };
  for (size_t i = 0; i < board_.Count(); ++i) shade(board_[i]);
  if (!withPieces) return;
  for (size_t i = 0; i < pieces_.Count(); ++i)
    if (shade(pieces_[i]) && renderImages) renderImages(pieces_[i]);
  SortPieces();
}

int D3Scene::HitTest(ScreenPoint point) const {
  const SceneObject* best = nullptr;
  int64_t bestDistance = kNoPieceYet;
  for (size_t i = 0; i < pieces_.Count(); ++i) {
    const SceneObject& piece = pieces_[i];
    if (!piece.Visible() || !Contains(piece.ScreenBounds(), point)) continue;
    const int64_t d = SquaredDistanceToCentre(piece.ScreenBounds(), point);
    if (d < bestDistance) bestDistance = d, best = &piece;
  }
  for (size_t i = 0; i < board_.Count() && i < size_t{kSquareCount}; ++i) {
    const SceneObject& square = board_[i];
    if (!Contains(square.ScreenBounds(), point) || !IsPointInPolygon(square.PolygonOnScreen(0), point)) continue;
    if (!best || SquaredDistanceToCentre(square.ScreenBounds(), point) < bestDistance) best = &square;
    break;
  }
  return best ? best->Square() : kNoSquare;
}

}  // namespace zh::d3
