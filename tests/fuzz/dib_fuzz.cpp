// Any bytes read as a packed device-independent bitmap give an image or none, never a
// read past the input; an image holds exactly width × height pixels.
#include <cstdint>
#include <cstdlib>

#include "core/toolbox/dib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zh::DibImage image;
  const bool ok = zh::DecodeDib(data, size, image);
  zh::DibColourCount(data, size);
  zh::DibColourTableSize(data, size);
  if (ok && image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height))
    abort();
  if (!ok && !image.pixels.empty()) abort();
  return 0;
}
