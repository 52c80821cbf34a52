// Any bytes read as the attribute layer of a text whose character count and version
// come from the first three bytes: the layer always ends with one attribute per
// character, every slot holds as many references as characters use it, and a layer
// that read is written and read again to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "text/buffer.h"
#include "text/text_attributes.h"

namespace {

std::string Stored(const zh::CTextAttributes& layer) {
  zh::CBuffer out(layer.StoreSize());
  layer.Write(out);
  if (out.Failed() || out.Position() != layer.StoreSize()) std::abort();
  std::string bytes;
  out.ToString(bytes);
  return bytes;
}

void CheckReferences(const zh::CTextAttributes& layer) {
  std::vector<int32_t> uses(static_cast<size_t>(layer.Table().Count()), 0);
  for (uint32_t i = 0; i < layer.Count(); ++i) {
    if (layer.FormatIndex(i) >= layer.Table().Occupied()) std::abort();
    ++uses[layer.FormatIndex(i)];
  }
  for (int32_t s = 0; s < layer.Table().Occupied(); ++s)
    if (layer.Table().References(s) != uses[static_cast<size_t>(s)]) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const uint32_t characters = (data[0] | data[1] << 8) % 20000;
  const int version = data[2] & 1 ? 200 : 199;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 3, size - 3);
  zh::CTextAttributes layer;
  zh::CBuffer in(bytes);
  const bool read = layer.Read(in, zh::CAttributeCursor(layer), version, characters);
  if (layer.Count() != characters || read == in.Failed()) std::abort();
  CheckReferences(layer);
  if (!read) return 0;
  const std::string written = Stored(layer);
  zh::CTextAttributes again;
  zh::CBuffer second(written);
  if (!again.Read(second, zh::CAttributeCursor(again), 200, characters)) std::abort();
  if (Stored(again) != written) std::abort();
  return 0;
}
