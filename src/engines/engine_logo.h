// What an engine's logo shows, decided without drawing: the module's own image, the
// program's logo bitmap from the resource bundle, or the engine's name drawn as text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zh {

struct EngineLogo {
  enum class Source { kModuleImage, kResource, kDrawnName };

  Source source = Source::kDrawnName;
  int kind = 1;                 // 1 small (100 x 45), 2 large (176 x 80)
  int width = 100;
  int height = 45;
  std::vector<uint32_t> pixels;  // kModuleImage: ARGB rows, width x height
  int resourceId = 0;           // kResource: 13 small, 14 large
  std::string text;             // kDrawnName: the text, centred
  int fontHeight = 0;           // kDrawnName: in pixels
  static constexpr std::string_view kFace = "Times New Roman";

  bool operator==(const EngineLogo&) const = default;
};

// A module's logo image as the instance keeps it: a copy made when report 317 came.
struct LogoImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  bool Empty() const { return pixels.empty(); }
};

// The logo of `kind` for an engine `name` on a display of `colourCount` colours
// (below 16 counts as true colour), with the module's image of that kind (may be empty).
EngineLogo ChooseEngineLogo(int kind, std::string_view name, int64_t colourCount, const LogoImage& moduleImage);

}  // namespace zh
