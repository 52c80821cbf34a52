// The three parameters of ZelkoHome2 as a parameter list.
#include <algorithm>
#include <cstring>

#include "enginemodule/zelkohome2/module/module_state.h"

namespace zh::zelko2 {
namespace {

constexpr int kParameterCount = 3;

struct Definition {
  const char* name;
  int32_t value_default;
  int32_t minimum;
  int32_t maximum;
};

constexpr Definition kDefinitions[kParameterCount] = {
    {"Contempt value", 15, -200, 200},
    {"Aggressiveness", 0, -2, 2},
    {"Selectivity", 2, 0, 6},
};

struct List {
  eng::ParameterList list{};
  eng::ParameterEntry entries[kParameterCount]{};
};

List& TheList() {
  static List list = [] {
    List made;
    made.list.header.size = sizeof(eng::ParameterList);
    made.list.count = kParameterCount;
    made.list.entries = made.entries;
    for (int i = 0; i < kParameterCount; ++i) {
      eng::ParameterEntry& e = made.entries[i];
      e.size = sizeof(eng::ParameterEntry);
      e.changed = 1;
      e.type = 2;
      e.name = kDefinitions[i].name;
      e.name_length = static_cast<int32_t>(std::strlen(kDefinitions[i].name) + 1);
      e.value_size = 4;
      e.default_value.value = kDefinitions[i].value_default;
      e.current_value.value = kDefinitions[i].value_default;
      e.minimum = kDefinitions[i].minimum;
      e.maximum = kDefinitions[i].maximum;
    }
    return made;
  }();
  return list;
}

}  // namespace

eng::ParameterList* ParameterListOfModule() {
  List& list = TheList();
  if (eng::MainLineBlock* main = State().main_line.load()) {
    list.list.header.engine_id = main->header.engine_id;
    list.list.header.host_value = main->header.host_value;
    list.list.header.gui_thread = main->header.gui_thread;
  }
  return &list.list;
}

int32_t TakeParameters(const eng::ParameterList* source) {
  if (!source) return 0;
  List& list = TheList();
  uint32_t count = source->entries ? source->count : 0;
  for (uint32_t i = 0; i < count && i < kParameterCount; ++i) {
    const eng::ParameterEntry& from = source->entries[i];
    eng::ParameterEntry& own = list.entries[i];
    if (from.type != own.type) continue;
    own.changed = from.changed;
    // Values outside an entry's range would push the scores out of their range.
    own.current_value.value = std::clamp(from.current_value.value, own.minimum, own.maximum);
  }
  bool any = false;
  for (eng::ParameterEntry& own : list.entries) {
    own.changed = own.current_value.value != own.default_value.value ? 1 : 0;
    any |= own.changed != 0;
  }
  State().parameters.any_differs = any;
  return kParameterCount * static_cast<int32_t>(sizeof(eng::ParameterEntry));
}

EngineParameters CurrentParameters() {
  Parameters& p = State().parameters;
  const eng::ParameterEntry* e = TheList().entries;
  if (!p.any_differs) {
    p.defaults_applied = true;
    p.contempt = 40, p.aggressiveness = 0, p.selectivity = 2;
  } else {
    p.contempt = e[0].changed ? ContemptUnits(e[0].current_value.value) : 40;
    p.aggressiveness = e[1].changed ? e[1].current_value.value : 0;
    p.selectivity = e[2].changed ? e[2].current_value.value : 2;
    p.defaults_applied = false;
  }
  return EngineParameters{p.contempt, p.aggressiveness, p.selectivity};
}

void ResetParameters() {
  for (eng::ParameterEntry& own : TheList().entries) {
    own.current_value.value = own.default_value.value;
    own.changed = 1;
  }
  State().parameters = Parameters{};
}

}  // namespace zh::zelko2
