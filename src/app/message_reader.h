// Reading message files, opening names and chat scripts whole into memory.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zh {

// Largest file the reader takes: some 800 UTF-8 texts pass 64 KB.
inline constexpr size_t kMaxMessageFileBytes = size_t{4} << 20;
// Chat scripts are stored with every byte XORed with this key, cycling by offset.
inline constexpr std::string_view kScriptKey = "Copper Lanterns & Midnight Orchards";

struct FileText {
  enum class Status { Ok, NotFound, TooLarge };
  Status status = Status::NotFound;
  std::string bytes;  // the whole file, NUL bytes included
  bool ok() const { return status == Status::Ok; }
};

// The file's bytes, descrambled when asked. A file above kMaxMessageFileBytes is
// not read.
FileText ReadMessageFileText(const std::string& path, bool descramble);

// XOR with kScriptKey from file offset `offset` on; applying it twice restores.
void Descramble(std::string& bytes, size_t offset = 0);

// The error text for a file that could not be read: "Fatal: <path> not found" or
// "Fatal: <path> is too large".
std::string ReadErrorText(const FileText& result, std::string_view path);

}  // namespace zh
