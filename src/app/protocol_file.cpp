#include "app/protocol_file.h"

namespace zh {

ProtocolFile::ProtocolFile(std::string path) : path_(std::move(path)) {}

ProtocolFile::~ProtocolFile() { Close(); }

bool ProtocolFile::Open() {
  Close();
  file_ = std::fopen(path_.c_str(), "wb");
  return file_ != nullptr;
}

bool ProtocolFile::WriteLine(std::string_view text) {
  if (!file_ && !Open()) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), file_) == text.size() &&
                       std::fwrite("\r\n", 1, 2, file_) == 2;
  return std::fflush(file_) == 0 && written;
}

void ProtocolFile::Close() {
  if (!file_) return;
  std::fclose(file_);
  file_ = nullptr;
}

}  // namespace zh
