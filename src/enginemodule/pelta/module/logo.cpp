// The logos: a green field with a light ring and a border.
#include "enginemodule/pelta/module/logo.h"

#include <vector>

namespace zh::pelta {
namespace {

std::vector<uint32_t> Draw(int width, int height) {
  size_t words = sizeof(eng::ImageHeader) / 4 + static_cast<size_t>(width * height);
  std::vector<uint32_t> image(words);
  auto* header = reinterpret_cast<eng::ImageHeader*>(image.data());
  header->size = static_cast<int32_t>(words * 4);
  header->width = width;
  header->height = height;
  uint32_t* pixels = image.data() + sizeof(eng::ImageHeader) / 4;
  const int cx = width / 2, cy = height / 2;
  const int outer = height * 2 / 5, inner = outer - height / 8 - 1;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint32_t shade = static_cast<uint32_t>(60 + 100 * x / width);
      uint32_t colour = 0xFF000000u | (shade / 3) << 16 | shade << 8 | (shade / 2);
      const int d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
      if (d2 <= outer * outer && d2 >= inner * inner) colour = 0xFFE8F0D8u;
      if (x < 2 || y < 2 || x >= width - 2 || y >= height - 2) colour = 0xFF305020u;
      pixels[y * width + x] = colour;
    }
  }
  return image;
}

}  // namespace

const eng::ImageHeader* Logo(int32_t which) {
  static const std::vector<uint32_t> small = Draw(100, 45);
  static const std::vector<uint32_t> large = Draw(176, 94);
  if (which == 1) return reinterpret_cast<const eng::ImageHeader*>(small.data());
  if (which == 2) return reinterpret_cast<const eng::ImageHeader*>(large.data());
  return nullptr;
}

}  // namespace zh::pelta
