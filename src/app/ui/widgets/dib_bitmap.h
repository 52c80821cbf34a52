// Packed device-independent bitmaps as images of the GUI.
#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>

namespace zh {

// The bitmap of a packed DIB of `length` bytes; a null image when the header, table
// or bits do not fit the length.
QImage CreateBitmapFromDib(const uint8_t* dib, size_t length);

}  // namespace zh
