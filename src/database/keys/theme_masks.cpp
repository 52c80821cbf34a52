#include "database/keys/theme_masks.h"

#include <algorithm>

#include "core/toolbox/replacing_file.h"
#include "core/services.h"
#include "database/keys/key_file.h"
#include "database/storage/paged_file.h"

namespace zh {

namespace {

// A stream that appends to a file written under a temporary name.
class ReplacingStream final : public TQStream {
 public:
  explicit ReplacingStream(ReplacingFile& file) : TQStream(kOk), file_(file) {}
  int64_t RawRead(void*, size_t) override {
    Fail();
    return -1;
  }
  int64_t RawWrite(const void* p, size_t n) override {
    if (file_.Write(p, n)) return static_cast<int64_t>(n);
    Fail();
    return -1;
  }

 private:
  ReplacingFile& file_;
};

}  // namespace

ThemeMasks::ThemeMasks(const std::string& databasePath, int32_t kind, int format)
    : path_(PathWithExtension(databasePath, CompanionExtension(KeyFileExtension(kind)))),
      format_(format) {}

ThemeMasks::~ThemeMasks() { Close(); }

void ThemeMasks::Close() {
  if (changed_) Write();
  entries_.clear();
  changed_ = false;
}

int ThemeMasks::Write() {
  if (format_ > kFormat) {
    ErrorBox("Cannot write this\ntheme key format");
    return kFailed;
  }
  if (format_ < kFormat && !AskYesNo("Overwrite theme key in TQ7 format?")) return kFailed;
  WaitCursor wait;
  ShowStatusMessage("Writing CPN...");
  std::vector<const ThemeMaskEntry*> written;
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (i > 0 && entries_[i].mother == -1) {
      DumpText("Write mask without mother");
      continue;
    }
    written.push_back(&entries_[i]);
  }
  ReplacingFile file;
  bool ok = file.Create(path_);
  if (ok) {
    ReplacingStream stream(file);
    stream.WriteInt16BE(kFormat).WriteInt16BE(static_cast<int32_t>(written.size()));
    for (const ThemeMaskEntry* entry : written) {
      stream.WriteInt16BE(entry->mother);
      for (uint16_t v : entry->values) stream.WriteInt16BE(v);
      stream.WriteUInt32BE(entry->value);
      if (!entry->mask) break;
      entry->mask->Write(stream, kFormat, false);
    }
    ok = stream.IsOk() && std::all_of(written.begin(), written.end(),
                                      [](const ThemeMaskEntry* e) { return e->mask != nullptr; }) &&
         file.Commit(0644);
  }
  ShowStatusMessage("");
  if (!ok) return kFailed;
  format_ = kFormat;
  changed_ = false;
  return 0;
}

}  // namespace zh
