// Any bytes stored as a game's annotation block read within the block, whether asked
// for per move key or set after set, and every set read writes out again and reads
// back to the same records.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "core/toolbox/big_endian.h"
#include "database/storage/annotation_file.h"
#include "database/storage/annotation_record.h"
#include "database/game/annotation_set.h"

namespace {

using zh::AnnotationSet;
using zh::FileTqa;

// A folder of this process, removed at exit (the handler is registered after the
// name exists, so it runs before the name is destroyed).
void RemoveFolder();

const std::string& Folder() {
  static const std::string folder = [] {
    std::string name = (std::filesystem::temp_directory_path() / "zh-annotation-fuzz-XXXXXX").string();
    if (!mkdtemp(name.data())) std::abort();
    return name;
  }();
  static const bool cleanup = (std::atexit(RemoveFolder), true);
  (void)cleanup;
  return folder;
}

void RemoveFolder() { std::filesystem::remove_all(Folder()); }

void WriteFile(const std::string& path, const uint8_t* block, size_t size) {
  uint8_t header[FileTqa::kHeaderSize];
  zh::PackBigEndian10(header, FileTqa::kHeaderWord, uint32_t(FileTqa::kHeaderSize + size), 0);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(header), sizeof header);
  out.write(reinterpret_cast<const char*>(block), static_cast<std::streamsize>(size));
}

std::string Encoded(const zh::AnnotationEntry& entry) {
  std::vector<uint8_t> buffer(zh::kRecordBufferSize);
  const uint16_t n = zh::EncodeAnnotationEntry(entry, buffer.data(), 0);
  return std::string(buffer.begin(), buffer.begin() + n);
}

using KeyedSets = std::vector<std::pair<int32_t, AnnotationSet>>;

// The records that the sets write, with their keys.
std::vector<std::pair<int32_t, std::string>> Flat(const KeyedSets& sets) {
  std::vector<std::pair<int32_t, std::string>> records;
  for (const auto& [key, set] : sets)
    for (int e = 0; e < set.Count(); ++e)
      if (std::string bytes = Encoded(set.EntryAt(e)); !bytes.empty()) records.emplace_back(key, bytes);
  return records;
}

// Reads set after set; each call takes at least one record or ends.
KeyedSets ReadAll(FileTqa& file, uint32_t offset, uint32_t game) {
  KeyedSets sets;
  if (file.BeginRead(offset, game) != 0) return sets;
  for (;;) {
    const uint32_t before = file.RecordsDone();
    AnnotationSet set;
    int32_t key = 0;
    const int result = file.ReadNextSet(set, key);
    if (key < 0 || result != 0) break;
    if (file.RecordsDone() == before) std::abort();
    sets.emplace_back(key, std::move(set));
  }
  return sets;
}

// The reading order of the body decoder: the game-level set, then each set when the
// move ordinal reaches the key answered last.
void ReadAsDecoder(FileTqa& file, uint32_t game) {
  if (file.BeginRead(FileTqa::kHeaderSize, game) != 0) return;
  AnnotationSet set;
  int32_t key = static_cast<int32_t>(zh::kGameLevelKey);
  if (file.ReadSet(set, key) != 0) return;
  for (int32_t move = 0; move < 4096; ++move) {
    if (move != key) continue;
    AnnotationSet moveSet;
    if (file.ReadSet(moveSet, key) != 0) return;
  }
  file.EndRead();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3 || size > 200000) return 0;
  const uint32_t game = zh::GetBigEndian(data, 3);
  const std::string first = Folder() + "/first.tqa";
  const std::string second = Folder() + "/second.tqa";
  WriteFile(first, data, size);
  KeyedSets sets;
  {
    FileTqa file(Folder() + "/first", "tqa", false);
    if (file.HasDefect()) std::abort();
    ReadAsDecoder(file, game);
    sets = ReadAll(file, FileTqa::kHeaderSize, game);
  }
  std::filesystem::remove(second);
  FileTqa out(Folder() + "/second", "tqa", true);
  if (out.BeginBlock(game) != 0) std::abort();
  for (const auto& [key, set] : sets)
    if (out.WriteSet(set, static_cast<uint32_t>(key)) != 0) std::abort();
  uint32_t offset = 0;
  if (out.FinishBlock(offset) != 0) std::abort();
  if (offset == 0) return 0;
  // What was written reads back record for record, each writing the same bytes.
  const KeyedSets again = ReadAll(out, offset, game & 0xFFFFFF);
  if (out.EndRead() != 0 || Flat(again) != Flat(sets)) std::abort();
  return 0;
}
