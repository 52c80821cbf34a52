// "protocol.txt": the technical messages, one line each as its bytes and CR LF,
// flushed line by line. Opening empties the file; a line written while it is
// closed opens it again first. When the file cannot be made the lines are lost
// here and shown elsewhere.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace zh {

class ProtocolFile {
 public:
  static constexpr const char* kFileName = "protocol.txt";

  explicit ProtocolFile(std::string path);
  ~ProtocolFile();
  ProtocolFile(const ProtocolFile&) = delete;
  ProtocolFile& operator=(const ProtocolFile&) = delete;

  // Creates the file anew; false when it cannot be made.
  bool Open();
  // Writes the line (opening the file when closed); false when it is not written.
  bool WriteLine(std::string_view text);
  void Close();
  bool IsOpen() const { return file_ != nullptr; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::FILE* file_ = nullptr;
};

}  // namespace zh
