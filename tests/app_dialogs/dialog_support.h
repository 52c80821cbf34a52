// Helpers of the dialog and printing tests: the resource bundle's piece sets, grabs
// saved as PNG, and running a command for its output.
#pragma once

#include <QImage>
#include <QWidget>
#include <string>

#include "board/ui/piece_sets.h"

namespace zh::test {

PieceSetCache& BundleSets();
// The widget's picture, saved under the temporary folder as <name>.png.
QImage GrabSaved(QWidget& widget, const std::string& name);
// The standard output of a shell command.
std::string CommandOutput(const std::string& command);
// A light pixel: every component above 160; a coloured one: components 60 apart.
bool IsLight(QRgb pixel);
bool IsColoured(QRgb pixel);

}  // namespace zh::test
