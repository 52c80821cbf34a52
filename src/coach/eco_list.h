// The spoken opening names: for each ECO code A00 .. E99 the entry whose alternatives
// name wave files in the talk folder's "ECO" folder. One entry may serve many codes.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "coach/chat_scripts.h"

namespace zh {

class ECOList {
 public:
  static constexpr int kCodes = 500;

  // Reads the scrambled list; the talk folder defaults to the list's own folder.
  explicit ECOList(const std::string& fileName, std::string talkFolder = {});
  // An empty list over a talk folder (for parsing a text directly).
  static std::unique_ptr<ECOList> Empty(std::string talkFolder);

  // Parses the list's text; errors end the load and keep what was read before.
  void Parse(const std::string& text, const std::string& fileName);
  // The wave file of ECO code number `index`, or empty.
  std::string PickFile(int index);
  // The entry of a code number, or null.
  const ChatEntry* At(int index) const;
  // A letter A..E (either case) and two digits give 0 .. 499; anything else -1.
  static int CodeFromName(std::string_view identifier);

 private:
  ECOList() = default;

  std::string talkFolder_;
  std::array<std::shared_ptr<ChatEntry>, kCodes> codes_{};
};

}  // namespace zh
