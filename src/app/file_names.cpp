#include "app/file_names.h"

#include <algorithm>
#include <cctype>

namespace zh {

bool HasExtension(std::string_view path) {
  size_t slash = path.find_last_of("/\\");
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  size_t dot = name.rfind('.');
  return dot != std::string_view::npos && dot + 1 < name.size();
}

std::string BareExtension(std::string_view ext) {
  while (!ext.empty() && (ext.front() == '*' || ext.front() == '.')) ext.remove_prefix(1);
  return std::string(ext);
}

std::string WithDefaultExtension(const std::string& path, std::string_view ext) {
  std::string bare = BareExtension(ext);
  if (bare.empty() || path.empty() || HasExtension(path)) return path;
  std::string out = path;
  if (out.back() != '.') out += '.';
  return out + bare;
}

std::string BothCasePatterns(std::string_view patterns) {
  std::string out;
  auto add = [&out](const std::string& p) {
    // Whole words only: "*.tq" must not hide behind "*.tqh".
    size_t at = 0;
    while ((at = out.find(p, at)) != std::string::npos) {
      bool starts = at == 0 || out[at - 1] == ' ';
      bool ends = at + p.size() == out.size() || out[at + p.size()] == ' ';
      if (starts && ends) return;
      at += p.size();
    }
    if (!out.empty()) out += ' ';
    out += p;
  };
  size_t start = 0;
  while (start <= patterns.size()) {
    size_t end = patterns.find_first_of("; ", start);
    if (end == std::string_view::npos) end = patterns.size();
    std::string p(patterns.substr(start, end - start));
    if (p == "*.*") {
      add("*");
    } else if (!p.empty()) {
      std::string lower = p, upper = p;
      std::transform(lower.begin(), lower.end(), lower.begin(),
                     [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
      std::transform(upper.begin(), upper.end(), upper.begin(),
                     [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
      add(lower);
      add(upper);
    }
    start = end + 1;
  }
  return out;
}

std::string FilterLabel(std::string_view description) {
  std::string_view d = description;
  while (!d.empty() && d.back() == ' ') d.remove_suffix(1);
  if (!d.empty() && d.back() == ')') {
    size_t open = d.rfind('(');
    if (open != std::string_view::npos) d = d.substr(0, open);
  }
  while (!d.empty() && d.back() == ' ') d.remove_suffix(1);
  return std::string(d);
}

int CentredCoordinate(int size, Span reference, int screen) {
  int x = reference.position + (reference.size - size) / 2;
  return std::max(0, std::min(x, screen - size));
}

}  // namespace zh
