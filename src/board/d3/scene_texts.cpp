#include "board/d3/scene_texts.h"

namespace zh::d3 {

std::string_view FindSection(std::string_view text, std::string_view section) {
  size_t start = std::string_view::npos;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
      line.remove_suffix(1);
    if (!line.empty() && line.front() == '@') {
      if (start != std::string_view::npos) return text.substr(start, pos - start);
      if (line.substr(1) == section) start = end < text.size() ? end + 1 : end;
    }
    pos = end + 1;
  }
  return start == std::string_view::npos ? std::string_view() : text.substr(start);
}

std::string_view SceneSection(std::string_view file, std::string_view section) {
  for (const SceneFile& f : SceneFiles())
    if (f.name == file) return FindSection(f.text, section);
  return {};
}

}  // namespace zh::d3
