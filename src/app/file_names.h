// Rules of the file dialog that need no window: the proposed-name limit, the default
// extension, the filter patterns in both cases and the centring of a window.
#pragma once

#include <string>
#include <string_view>

namespace zh {

inline constexpr size_t kFileNameLimit = 2000;
inline constexpr size_t kInitialDirLimit = 256;

// True when the last component of the path has an extension ("/u/my.db/games": no).
bool HasExtension(std::string_view path);
// The path with '.' + ext appended when ext is set and the path has no extension.
// `ext` may be given as "tqh", ".tqh" or "*.tqh".
std::string WithDefaultExtension(const std::string& path, std::string_view ext);
// "tqh" from "*.TQH", ".tqh" or "tqh"; lower case is not forced.
std::string BareExtension(std::string_view ext);
// A pattern list ("*.TQH;*.PGN") as space-separated patterns in lower and upper case
// ("*.tqh *.TQH *.pgn *.PGN"); "*.*" stands for every file ("*").
std::string BothCasePatterns(std::string_view patterns);
// The description without a trailing parenthesised pattern list.
std::string FilterLabel(std::string_view description);

struct Span {
  int position;
  int size;
};
// One axis of centring: reference position + (reference size - size) / 2, kept
// inside 0 .. screen - size, and at 0 when the window is larger than the screen.
int CentredCoordinate(int size, Span reference, int screen);

}  // namespace zh
