#include "engines/engine_entry.h"

#include <algorithm>

namespace zh {
namespace {

std::string Key(const char* stem, int n) { return stem + std::to_string(n); }
std::string ParamKey(const char* stem, int n, size_t k) {
  return Key(stem, n) + "_" + std::to_string(k);
}

// 8-bit components scale to the settings file's 16-bit ones and back by the high byte.
Rgb16 ToRgb16(uint32_t packed) {
  auto c = [&](int shift) { return static_cast<uint16_t>(((packed >> shift) & 0xFF) * 257); };
  return Rgb16{c(0), c(8), c(16)};
}
uint32_t FromRgb16(const Rgb16& c) {
  auto high = [](uint16_t v) { return static_cast<uint32_t>(v >> 8); };
  return high(c.red) | high(c.green) << 8 | high(c.blue) << 16;
}

}  // namespace

void EngineSpec::SetParamCount(uint32_t n) {
  paramNames.assign(n, std::string());
  paramValues.assign(n, 0);
}

void EngineSpec::Write(ProfileFile& file, int n) const {
  file.WriteString(Key("Title", n), title);
  file.WriteString(Key("Name", n), name);
  file.WriteString(Key("Path", n), path);
  file.WriteLong(Key("Hash", n), hash);
  file.WriteLong(Key("Elo", n), elo);
  if (book.empty())
    file.WriteString(Key("Book", n), "");
  else
    file.WritePath(Key("Book", n), book);
  file.WriteColor(Key("Color", n), ToRgb16(color));
  file.WriteLong(Key("NParams", n), static_cast<int32_t>(ParamCount()));
  for (size_t k = 0; k < paramNames.size(); ++k) {
    file.WriteString(ParamKey("Param", n, k), paramNames[k]);
    file.WriteLong(ParamKey("Val", n, k), paramValues[k]);
  }
}

void EngineSpec::Read(const ProfileFile& file, int n) {
  file.ReadString(Key("Title", n), title);
  file.ReadString(Key("Name", n), name);
  file.ReadString(Key("Path", n), path);
  file.ReadLong(Key("Hash", n), hash);
  file.ReadLong(Key("Elo", n), elo);
  file.ReadString(Key("Book", n), book);
  Rgb16 rgb;
  file.ReadColor(Key("Color", n), rgb);
  color = FromRgb16(rgb);
  int32_t count = 0;
  file.ReadLong(Key("NParams", n), count);
  SetParamCount(static_cast<uint32_t>(std::clamp<int32_t>(count, 0, kMaxParams)));
  for (size_t k = 0; k < paramNames.size(); ++k) {
    file.ReadString(ParamKey("Param", n, k), paramNames[k]);
    file.ReadLong(ParamKey("Val", n, k), paramValues[k]);
  }
}

}  // namespace zh
