// Any bytes read as an archive give a code, never a crash, and extraction writes only
// inside its target folder: after each run the scratch folder holds nothing but the
// archive and the target's box.
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "database/headerset/archive.h"

namespace {

namespace fs = std::filesystem;

const fs::path& Scratch();

void RemoveScratch() {
  std::error_code ec;
  fs::remove_all(Scratch(), ec);
}

const fs::path& Scratch() {
  static const fs::path scratch = [] {
    std::string dir = (fs::temp_directory_path() / "zh-fuzz-archive-XXXXXX").string();
    if (!mkdtemp(dir.data())) std::abort();
    return fs::path(dir);
  }();
  // Registered once the path exists, so it runs before the path is destroyed.
  static const bool removal = std::atexit(RemoveScratch) == 0;
  (void)removal;
  return scratch;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fs::path archivePath = Scratch() / "a.tqv";
  const fs::path box = Scratch() / "box";
  FILE* f = std::fopen(archivePath.c_str(), "wb");
  if (!f) std::abort();
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);

  zh::Archive archive(archivePath);
  int64_t total = -1;
  const int32_t rc = archive.TotalUnpackedSize(total);
  if (rc == 0 ? total < 0 : total != 0) std::abort();
  archive.EntryName(0);
  archive.Extract(box / "out");

  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(Scratch(), ec))
    if (entry.path() != archivePath && entry.path() != box) std::abort();
  for (const auto& entry : fs::directory_iterator(box, ec))
    if (entry.path() != box / "out") std::abort();
  fs::remove_all(box, ec);
  return 0;
}
