// Any bytes read as a tagged character format: a read that does not fail gives a
// format whose stored form has the size it measures and reads again as an equal format.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "text/buffer.h"
#include "text/char_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  zh::CBuffer in(bytes);
  zh::CCharFormat format;
  format.Read(in);
  if (in.Failed()) return 0;
  if (format.name.size() > zh::CCharFormat::kMaxNameLength) std::abort();
  zh::CBuffer out(format.StoreSize());
  format.Write(out);
  if (out.Failed() || out.Position() != format.StoreSize()) std::abort();
  std::string written;
  out.ToString(written);
  zh::CBuffer again(written);
  zh::CCharFormat read;
  read.Read(again);
  if (again.Failed() || again.Remaining() != 0 || !read.Equals(format)) std::abort();
  return 0;
}
