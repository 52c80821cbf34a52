#include "board/ui/d3/scene_painter.h"

#include <QPainter>
#include <QPolygon>
#include <QRegion>
#include <algorithm>

#include "app/gui_tables.h"
#include "board/d3/shading.h"

namespace zh::d3 {
namespace {

constexpr int32_t kOutlineName = 0;
constexpr int32_t kWhiteName = 15;
// The shadow and the inverting mark: 8191 in each 16-bit component.
constexpr QRgb kShadowMask = 0xff1f1f1f;

QPolygon ToQPolygon(const ScreenPolygon& points, size_t limit, QPoint offset = {}) {
  QPolygon polygon;
  const size_t n = std::min(points.size(), limit);
  polygon.reserve(static_cast<int>(n));
  for (size_t i = 0; i < n; ++i) polygon.append(QPoint(points[i].x, points[i].y) - offset);
  return polygon;
}

QPen OutlinePen() { return QPen(DisplayColor(ColorRecord{kOutlineName, 0, 0, 0}), 0); }

void DrawFilled(QPainter& painter, const SceneObject& object, bool outline, QPoint offset) {
  painter.setPen(outline ? OutlinePen() : QPen(Qt::NoPen));
  const auto& polygons = object.Polygons();
  for (size_t i = 0; i < polygons.size(); ++i) {
    const ScenePolygon& p = polygons[i];
    if (p.backFacing) continue;
    painter.setBrush(ShadedDisplayColor(p.color, p.brightness));
    painter.drawPolygon(ToQPolygon(object.PolygonOnScreen(i), 5, offset));
  }
}

}  // namespace

QColor DisplayColor(const ColorRecord& color) {
  const ColorRecord c = ResolveColor(color);
  return QColor(c.red >> 8, c.green >> 8, c.blue >> 8);
}

QColor ShadedDisplayColor(const ColorRecord& color, double brightness) {
  const ColorRecord shaded = ShadeColor(ResolveColor(color), brightness);
  return QColor(shaded.red >> 8, shaded.green >> 8, shaded.blue >> 8);
}

QRect ToQRect(const Rectangle& r) {
  return r.IsEmpty() ? QRect() : QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom));
}

void RenderObjectImages(SceneObject& object, bool grating) {
  const QRect bounds = ToQRect(object.ScreenBounds());
  if (bounds.isEmpty()) {
    object.SetImages(nullptr);
    return;
  }
  auto images = std::make_unique<PieceImages>();
  images->onBlack = QImage(bounds.size(), QImage::Format_RGB32);
  images->onBlack.fill(DisplayColor(ColorRecord{kOutlineName, 0, 0, 0}));
  {
    QPainter painter(&images->onBlack);
    DrawFilled(painter, object, false, bounds.topLeft());
  }
  images->onWhite = QImage(bounds.size(), QImage::Format_RGB32);
  images->onWhite.fill(DisplayColor(ColorRecord{kWhiteName, 0, 0, 0}));
  {
    QPainter painter(&images->onWhite);
    DrawFilled(painter, object, grating, bounds.topLeft());
  }
  object.SetImages(std::move(images));
}

void DrawPieceImages(QImage& device, const SceneObject& piece, QPoint at) {
  const auto* images = dynamic_cast<const PieceImages*>(piece.Images());
  if (!images) return;
  QPainter painter(&device);
  painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
  painter.drawImage(at, images->onBlack);
  painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
  painter.drawImage(at, images->onWhite);
}

void ExecuteJob(const RedrawJob& job, const D3Scene& scene, QImage& device) {
  if (device.isNull() || job.Areas().empty()) return;
  const D3Settings& s = scene.Settings();
  QRegion area;
  for (const Rectangle& r : job.Areas()) area += ToQRect(r);
  area &= device.rect();
  if (area.isEmpty()) return;

  QPainter painter(&device);
  painter.setClipRegion(area);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  for (const QRect& r : area) painter.fillRect(r, DisplayColor(s.colBackground));
  for (const JobPolygon& p : job.Polygons()) {
    painter.setPen(p.outline ? OutlinePen() : QPen(Qt::NoPen));
    painter.setBrush(ShadedDisplayColor(p.color, p.brightness));
    painter.drawPolygon(ToQPolygon(p.points, RedrawJob::kMaxPolygonPoints));
  }
  if (!job.boardOnly) {
    if (job.drawShadows) {
      painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
      painter.setPen(Qt::NoPen);
      painter.setBrush(QColor(kShadowMask));
      for (const JobShadow& shadow : job.Shadows())
        if (!job.IsExcluded(shadow.key)) painter.drawPolygon(ToQPolygon(shadow.points, RedrawJob::kMaxShadowPoints));
    }
    for (const SceneObject* piece : job.Objects()) {
      const auto* images = dynamic_cast<const PieceImages*>(piece->Images());
      if (!piece->Visible() || !images) continue;
      const QPoint at(piece->ScreenBounds().left, piece->ScreenBounds().top);
      painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
      painter.drawImage(at, images->onBlack);
      painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
      painter.drawImage(at, images->onWhite);
    }
  }
  if (s.sqMarkSimple && scene.markedSquares) {
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(kShadowMask));
    const ObjectList& board = scene.BoardObjects();
    for (size_t sq = 0; sq < 64 && sq < board.Count(); ++sq)
      if ((scene.markedSquares >> sq) & 1 && board[sq].Visible())
        painter.drawPolygon(ToQPolygon(board[sq].PolygonOnScreen(0), 5));
  }
}

}  // namespace zh::d3
