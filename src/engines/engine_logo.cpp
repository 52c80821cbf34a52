#include "engines/engine_logo.h"

namespace zh {
namespace {

constexpr int kSmallWidth = 100, kSmallHeight = 45;
constexpr int kLargeWidth = 176, kLargeHeight = 80;
constexpr int kSmallLogoResource = 13, kLargeLogoResource = 14;
constexpr int kBaseFontHeight = 26, kLargeFontExtra = 10;
constexpr size_t kLongText = 7;

// The name up to its first digit or blank; the program's own name when that is empty.
std::string ShortName(std::string_view name) {
  size_t end = 0;
  while (end < name.size() && name[end] != ' ' && !(name[end] >= '0' && name[end] <= '9')) ++end;
  return end == 0 ? std::string("Zelko") : std::string(name.substr(0, end));
}

}  // namespace

EngineLogo ChooseEngineLogo(int kind, std::string_view name, int64_t colourCount, const LogoImage& moduleImage) {
  if (colourCount < 16) colourCount = 65536;
  const bool large = kind == 2;
  EngineLogo logo;
  logo.kind = large ? 2 : 1;
  logo.width = large ? kLargeWidth : kSmallWidth;
  logo.height = large ? kLargeHeight : kSmallHeight;
  const bool palette = colourCount <= 256;
  if (!palette && !moduleImage.Empty()) {
    logo.source = EngineLogo::Source::kModuleImage;
    logo.width = moduleImage.width;
    logo.height = moduleImage.height;
    logo.pixels = moduleImage.pixels;
    return logo;
  }
  std::string text = ShortName(name);
  if (text == "Zelko" && !palette) {
    logo.source = EngineLogo::Source::kResource;
    logo.resourceId = large ? kLargeLogoResource : kSmallLogoResource;
    return logo;
  }
  logo.source = EngineLogo::Source::kDrawnName;
  logo.fontHeight = kBaseFontHeight - (text.size() >= kLongText ? static_cast<int>(text.size() / 2) : 0) +
                    (large ? kLargeFontExtra : 0);
  logo.text = std::move(text);
  return logo;
}

}  // namespace zh
