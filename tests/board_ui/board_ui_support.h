// Helpers of the board window tests: the resource bundle with the piece maps, the
// set cache over it, and pixel comparisons of grabbed windows.
#pragma once

#include <QImage>
#include <QWidget>
#include <string>

#include "app/ui/resource_bundle.h"
#include "board/ui/piece_sets.h"

namespace zh::test {

// The bundle of the build's data folder, registered once for all tests.
void LoadBundle();
PieceSetCache& Cache();

// The widget's grab as RGB32; saved as PNG under the test's name for inspection.
QImage Grab(QWidget& widget, const std::string& name);
// Whether the region of `image` at `at` equals `expected` pixel for pixel.
bool RegionEquals(const QImage& image, QPoint at, const QImage& expected);

}  // namespace zh::test
