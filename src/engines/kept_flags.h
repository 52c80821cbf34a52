// What an engine object's kept search block holds: one bit a report kind merged into it.
#pragma once

#include <cstdint>

namespace zh {

enum KeptFlag : uint32_t {
  kSingleLine = 0x1,
  kLines = 0x2,
  kListed = 0x4,
  kBoardFlag = 0x8,
  kScore = 0x10,
  kScoreApart = 0x20,
  kCurrentMove = 0x100,
  kMoveNumber = 0x200,
  kMovesToSearch = 0x400,
  kDepth = 0x1000,
  kSelectiveDepth = 0x2000,
  kNodes = 0x100000,
  kNodesPerSecond = 0x400000,
  kHashUsage = 0x800000,
  kRestarted = 0x1000000,
};

}  // namespace zh
