// Any bytes read as a packed start record stay inside the record, give an
// en-passant file with its pawn, and what is written back reads as the same position.
#include <cstdint>
#include <cstdlib>

#include "database/storage/start_position_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zh::StartRecord record;
  const int n = zh::StartPositionRecord::Read(data, static_cast<int>(size > 64 ? 64 : size), record);
  if (n == 0) return 0;
  if (n != 28 && n != 36) std::abort();
  if (static_cast<size_t>(n) > size || record.start.position.epFile > 8) std::abort();
  uint8_t bytes[36];
  const int written = zh::StartPositionRecord::Write(record, bytes);
  zh::StartRecord again;
  if (zh::StartPositionRecord::Read(bytes, written, again) != written) std::abort();
  if (!(again.start.position == record.start.position)) std::abort();
  return 0;
}
