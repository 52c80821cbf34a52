// Drawing the 3D board's scene into an RGB32 image: a piece's two cached images, and
// a redraw job clipped to its area. Polygons are filled without antialiasing; pieces
// are laid over the background with OR and then AND, shadows darken with AND, and
// squares marked by inverting are drawn with exclusive or.
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

#include "board/d3/redraw_job.h"
#include "board/d3/scene.h"

namespace zh::d3 {

// The two images of a piece: over white (with its outlines when the grating is on)
// and over black (without).
struct PieceImages final : ObjectImages {
  QImage onWhite;
  QImage onBlack;
};

// The colour a record stands for, as the display shows it (the high byte of each
// component); named colours through the shell's table.
QColor DisplayColor(const ColorRecord& color);
// The colour shaded by a brightness, as displayed.
QColor ShadedDisplayColor(const ColorRecord& color, double brightness);

QRect ToQRect(const Rectangle& r);

// Draws the object's front polygons into its two images.
void RenderObjectImages(SceneObject& object, bool grating);

// Draws the job into the device, clipped to the job's area: the background, the
// board's polygons, the shadows, the pieces from their images, and the squares marked
// by inverting.
void ExecuteJob(const RedrawJob& job, const D3Scene& scene, QImage& device);

// Draws one piece from its images with its bounds' top-left corner at `at`.
void DrawPieceImages(QImage& device, const SceneObject& piece, QPoint at);

}  // namespace zh::d3
