// Any bytes checked as a Standard MIDI File give a verdict, never a read past the
// input; a file taken as sound starts with a header chunk.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "coach/fluidsynth_player.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  const bool sound = !zh::CheckMidiFile(bytes).has_value();
  if (sound && (size < 14 || std::memcmp(data, "MThd", 4) != 0)) abort();
  return 0;
}
