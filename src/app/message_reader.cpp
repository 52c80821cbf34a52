#include "app/message_reader.h"

#include <fstream>

namespace zh {

FileText ReadMessageFileText(const std::string& path, bool descramble) {
  FileText result;
  std::ifstream in(path, std::ios::binary);
  if (!in) return result;
  in.seekg(0, std::ios::end);
  std::streamoff size = in.tellg();
  if (size < 0) return result;
  if (static_cast<unsigned long long>(size) > kMaxMessageFileBytes) {
    result.status = FileText::Status::TooLarge;
    return result;
  }
  in.seekg(0, std::ios::beg);
  result.bytes.resize(static_cast<size_t>(size));
  in.read(result.bytes.data(), size);
  result.bytes.resize(static_cast<size_t>(in.gcount()));
  if (descramble) Descramble(result.bytes);
  result.status = FileText::Status::Ok;
  return result;
}

void Descramble(std::string& bytes, size_t offset) {
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<char>(bytes[i] ^ kScriptKey[(offset + i) % kScriptKey.size()]);
}

std::string ReadErrorText(const FileText& result, std::string_view path) {
  std::string text = "Fatal: ";
  text += path;
  text += result.status == FileText::Status::TooLarge ? " is too large" : " not found";
  return text;
}

}  // namespace zh
