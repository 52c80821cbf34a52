// The adapter's two logos (1 small, 2 large), drawn once; null for other values.
#pragma once

#include <cstdint>

#include "enginemodule/interface/records.h"

namespace zh::pelta {

const eng::ImageHeader* Logo(int32_t which);

}  // namespace zh::pelta
