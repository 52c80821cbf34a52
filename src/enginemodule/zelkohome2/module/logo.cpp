// The module's two logos, drawn once into pointer-free image records: a dark
// gradient with a light "Z" stroke and a border.
#include <cstdlib>
#include <vector>

#include "enginemodule/zelkohome2/module/module_state.h"

namespace zh::zelko2 {
namespace {

std::vector<uint32_t> Draw(int width, int height) {
  size_t words = sizeof(eng::ImageHeader) / 4 + static_cast<size_t>(width * height);
  std::vector<uint32_t> image(words);
  auto* header = reinterpret_cast<eng::ImageHeader*>(image.data());
  header->size = static_cast<int32_t>(words * 4);
  header->width = width;
  header->height = height;
  uint32_t* pixels = image.data() + sizeof(eng::ImageHeader) / 4;
  int thick = height / 8 + 1;
  int left = width / 4, right = width - width / 4;
  int top = height / 5, bottom = height - height / 5;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint32_t shade = static_cast<uint32_t>(40 + 80 * y / height);
      uint32_t colour = 0xFF000000u | (shade / 2) << 16 | (shade / 2) << 8 | shade;
      bool border = x < 2 || y < 2 || x >= width - 2 || y >= height - 2;
      bool bar = x >= left && x < right && ((y >= top && y < top + thick) || (y < bottom && y >= bottom - thick));
      // Diagonal from the top bar's right end to the bottom bar's left end.
      bool diagonal = false;
      if (y >= top && y < bottom && right > left) {
        int at = right - (y - top) * (right - left) / (bottom - top);
        diagonal = std::abs(x - at) <= thick / 2 + 1;
      }
      if (border) colour = 0xFFC8A040u;
      if (bar || diagonal) colour = 0xFFF0E8D0u;
      pixels[y * width + x] = colour;
    }
  }
  return image;
}

}  // namespace

const eng::ImageHeader* Logo(int32_t which) {
  static const std::vector<uint32_t> small = Draw(100, 53);
  static const std::vector<uint32_t> large = Draw(176, 94);
  if (which == 1) return reinterpret_cast<const eng::ImageHeader*>(small.data());
  if (which == 2) return reinterpret_cast<const eng::ImageHeader*>(large.data());
  return nullptr;
}

}  // namespace zh::zelko2
