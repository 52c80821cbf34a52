// FEN text to and from the 68-byte position (the move counters are not kept).
#pragma once

#include <string>
#include <string_view>

#include "enginemodule/zelkohome2/core/types.h"

namespace zh::zelko2 {

bool ParseFen(std::string_view fen, CorePosition& out);
std::string ToFen(const CorePosition& position);

}  // namespace zh::zelko2
