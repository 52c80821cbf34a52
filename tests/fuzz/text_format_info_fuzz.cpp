// Any bytes walked as the stored format bytes of a text: media lookups, a replaced
// media name and stripped media links. A replacement leaves the other media names as
// they were; a strip leaves no media entry and a table that walks to its count.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "text/text_format_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string name, second;
  uint16_t type = 0, position = 0;
  std::vector<std::string> names;
  {
    zh::CTextFormatInfo info(bytes);
    for (uint32_t k = 0; k < 64 && info.FindMedia(k, name, &second) != zh::kNoMedia; ++k) names.push_back(name);
    info.FindCurrentMedia(0, name);
    info.FindAliasMedia(0, name, &position);
    info.FindAliasMedia(1, name, &position);
    info.PeekEntry(1, type, position);
  }
  if (!names.empty()) {
    zh::CTextFormatInfo info(bytes);
    if (info.ReplaceMediaName(0, "replaced.bmp")) {
      for (uint32_t k = 0; k < names.size(); ++k) {
        if (info.FindMedia(k, name) == zh::kNoMedia) std::abort();
        if (name != (k == 0 ? std::string("replaced.bmp") : names[k])) std::abort();
      }
    }
  }
  {
    zh::CTextFormatInfo info(bytes);
    info.ReplaceMediaName(0, "", true);
  }
  std::string text(64, '\x04');
  zh::CTextFormatInfo info(bytes, &text);
  if (info.StripMediaLinks()) {
    const std::vector<zh::CTextFormatInfo::Entry> entries = info.Entries();
    if (info.Failed() || entries.size() != info.EntryCount() || info.MediaCount() != 0) std::abort();
    for (const auto& e : entries)
      if (zh::MediaKindOfType(e.type) != zh::kNoMedia) std::abort();
  }
  return 0;
}
