// The scene texts the program carries (src/board/d3/scenes, embedded by the build),
// and the sections they are made of: a section starts with a line "@name" and runs
// up to the next such line.
#pragma once

#include <span>
#include <string_view>

namespace zh::d3 {

struct SceneFile {
  std::string_view name;  // the file's name without ".scene"
  std::string_view text;
};

// Every embedded file, in name order.
std::span<const SceneFile> SceneFiles();

// The text of a section of an embedded file; empty when either is missing.
std::string_view SceneSection(std::string_view file, std::string_view section);
// The same within a given text.
std::string_view FindSection(std::string_view text, std::string_view section);

}  // namespace zh::d3
