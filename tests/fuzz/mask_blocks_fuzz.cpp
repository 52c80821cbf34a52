// Any bytes read as a material, motif or manoeuvre block of any version: a failed read
// leaves the mask reset, and a block that reads is written back in that version and
// reads as the same mask.
#include <cstdint>
#include <cstdlib>

#include "core/toolbox/mem_stream.h"
#include "dbwindow/maneuver_mask.h"
#include "dbwindow/material_mask.h"
#include "dbwindow/motif_mask.h"

namespace {

template <class Mask>
void Check(const uint8_t* data, size_t size, int version) {
  zh::TQMemStream in(data, size);
  Mask mask;
  if (mask.Read(in, version) != 0) {
    if (!(mask == Mask())) std::abort();
    return;
  }
  zh::TQMemStream out(size + 64);
  mask.Write(out, version);
  if (!out.IsOk()) std::abort();
  zh::TQMemStream again(out.Data(), out.Position());
  Mask read;
  if (read.Read(again, version) != 0 || !(read == mask) || again.Position() != out.Position())
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int kind = data[0] % 3;
  const int version = 2 + (data[0] / 3) % 15;
  switch (kind) {
    case 0: Check<zh::MaterialMask>(data + 1, size - 1, version); break;
    case 1: Check<zh::MotifMask>(data + 1, size - 1, version); break;
    default: Check<zh::ManeuverMask>(data + 1, size - 1, version); break;
  }
  return 0;
}
