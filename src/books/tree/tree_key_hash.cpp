#include "books/tree/tree_key_hash.h"

#include "core/rules/position_key.h"

namespace zh {

int TreeKeyOfPosition(const Position& position, uint8_t* key, int& steps) {
  Position normal = position;
  steps = normal.Normalize();
  return CompressPosition(normal, key) == 0 ? 0 : 1;
}

}  // namespace zh
