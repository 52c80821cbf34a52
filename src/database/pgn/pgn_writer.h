// Writing a game as PGN text: the tag section and the movetext with comments, glyphs
// and variations, on lines of at most 79 characters broken only at blanks, in plain
// ASCII with CR LF line ends.
#pragma once

#include <string>

namespace zh {

class TQGame;

// The game's text, ending with an empty line.
std::string RenderPgnGame(const TQGame& game);
// A tag value or comment in the exported character set: display symbols spelled out,
// accents folded, nothing but ASCII left.
std::string PgnAsciiText(const std::string& utf8);

}  // namespace zh
