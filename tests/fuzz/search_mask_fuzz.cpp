// Any bytes read as a search mask of any version, compact or full: a failed read
// leaves the mask reset; a mask that reads is written back in that version and form
// and reads again as the same mask.
#include <cstdint>
#include <cstdlib>

#include "core/toolbox/mem_stream.h"
#include "dbwindow/search_mask.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool compact = data[0] & 1;
  const int version = 1 + (data[0] >> 1) % 17;
  zh::TQMemStream in(data + 1, size - 1);
  zh::SearchMask mask;
  if (mask.Read(in, version, compact) != 0) {
    if (!(mask == zh::SearchMask())) std::abort();
    return 0;
  }
  zh::TQMemStream out(2 * size + 4096);
  mask.Write(out, version, compact);
  if (!out.IsOk()) std::abort();
  zh::TQMemStream again(out.Data(), out.Position());
  zh::SearchMask read;
  if (read.Read(again, version, compact) != 0 || !(read == mask)) std::abort();
  return 0;
}
