#include "board/board_window.h"

namespace zh {

BoardWindow::BoardWindow(uint8_t withCoordinates) : coordinates(withCoordinates) {}

BoardWindow::~BoardWindow() = default;

}  // namespace zh
