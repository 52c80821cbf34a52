// Message texts by id and opening names by code, read from the message files:
// a symbol file (an enum whose positions are the ids) and one text file per
// language of `NAME, "text";` entries.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/message_ids.h"
#include "core/services.h"

namespace zh {

// The names of a symbol file in file order; a name's position is its message id.
class MessageSymbolTable {
 public:
  enum Status : int32_t { kLoaded = 0, kNotFound = 9 };
  static constexpr int kAbsent = 0xFFFF;

  explicit MessageSymbolTable(const std::string& path);
  // Parses a symbol file's text (errors go to the error box).
  static MessageSymbolTable FromText(const std::string& text);

  int32_t GetStatus() const { return status_; }
  size_t Count() const { return names_.size(); }
  // The 0-based position of a name (exact comparison, first match), or kAbsent.
  int IndexOf(std::string_view name) const;

 private:
  MessageSymbolTable() = default;
  void Parse(const std::string& text);

  std::vector<std::string> names_;
  std::unordered_map<std::string, int> index_;
  int32_t status_ = kLoaded;
};

class MessageFile {
 public:
  enum Status : int32_t { kLoaded = 0, kSymbolFileUnusable = 4, kNotFound = 12 };

  // Loads the texts of `messagePath` with the names of `symbolPath`; every error
  // is shown in the error box and loading keeps what was read before it.
  MessageFile(const std::string& symbolPath, const std::string& messagePath);
  // Parses a message file's text against a symbol table.
  MessageFile(const MessageSymbolTable& symbols, const std::string& text);

  int32_t GetStatus() const { return status_; }
  size_t Count() const { return texts_.size(); }
  // The text of a 16-bit id (the earliest entry wins), or "NOTEXT".
  std::string GetText(int id) const;

 private:
  void Parse(const MessageSymbolTable& symbols, const std::string& text);

  std::vector<std::pair<int, std::string>> texts_;
  std::unordered_map<int, size_t> first_;
  int32_t status_ = kLoaded;
};

// The 501 opening names: position 0 "Unclassified", then A00 to E99.
class OpeningNames {
 public:
  static constexpr size_t kCount = 501;

  explicit OpeningNames(const std::string& path);
  static OpeningNames FromText(const std::string& text);

  int32_t GetStatus() const { return status_; }
  size_t Count() const { return names_.size(); }
  // The name at position code >> 7, or "NOECO".
  std::string GetName(uint16_t code) const;

 private:
  OpeningNames() = default;
  void Parse(const std::string& text);

  std::vector<std::string> names_;
  int32_t status_ = MessageFile::kLoaded;
};

// The text of kOpeningNameBase + code is the opening name of the 16-bit code.
inline constexpr int kOpeningNameBase = msg::kOpeningNameBase;

// The program's texts in the current language: the general message file and the
// opening names, made again when the language changes.
class ShellTexts final : public TextService {
 public:
  // Reads "<dataFolder>/Messages/messages.inc" and the language's "general.fms"
  // and "openings.fms".
  ShellTexts(std::string dataFolder, int language);
  ~ShellTexts() override;

  // Deletes both files and reads them again for `language`.
  void Reload(int language);
  // From now on the opening names come from `names` (the program's own object, made
  // at start-up after this one), which Reload reads again; null goes back to the
  // names read here.
  void UseOpeningNames(OpeningNames* names);
  std::string GetMessageText(int id) override;
  std::string GetOpeningName(uint16_t code) const;
  const MessageFile& Messages() const { return *messages_; }
  const OpeningNames& Openings() const { return external_ ? *external_ : *openings_; }
  std::string MessagesFolder() const;
  // How many times the files were read.
  int LoadCount() const { return loads_; }

 private:
  std::string dataFolder_;
  std::unique_ptr<MessageFile> messages_;
  std::unique_ptr<OpeningNames> openings_;
  OpeningNames* external_ = nullptr;
  int loads_ = 0;
};

// The opening name of a code through the installed text service.
std::string GetOpeningName(uint16_t code);
// The message text with its first letter upper-cased (UTF-8 aware).
std::string GetMessageTextCapitalized(int id);
// The text without '~' marks, its first letter upper-cased.
std::string GetMessageTextPlainCapitalized(int id);

}  // namespace zh
