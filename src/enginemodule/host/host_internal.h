// Shared between the host's own sources.
#pragma once

#include <cstdint>

#include "enginemodule/interface/records.h"

namespace zh::enginehost {

// Queues report 339 with a copy of the list.
void PostParameterReport(int32_t token, int32_t engine_id, const eng::ParameterList* list);

}  // namespace zh::enginehost
