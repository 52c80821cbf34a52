// Training payloads from any bytes: the reader stays inside them, and what it read
// writes back and reads again to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "analysis/training/training_question.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  zh::TrainingHolder holder;
  if (holder.ReadFrom(bytes) > size) std::abort();
  std::string once;
  holder.WriteTo(once);
  zh::TrainingHolder again;
  if (again.ReadFrom(once) != once.size()) std::abort();
  std::string twice;
  again.WriteTo(twice);
  if (twice != once) std::abort();
  return 0;
}
