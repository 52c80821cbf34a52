// The coach's chat scripts: remark scripts (an event symbol and its alternative
// remarks), the talk script (the spoken wave files of an event) and the spoken-name
// list. Scripts are stored scrambled; the event symbols come from "ChatDefs.inc".
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/message_file.h"

namespace zh {

class SymbolScanner;
class TalkItem;

// Keyword numbers of the script grammars.
enum ChatKeyword : int32_t {
  kChatOpen = 21,       // {
  kChatClose = 22,      // }
  kChatComma = 23,      // ,
  kChatSemicolon = 24,  // ;
  kChatRange = 26,      // -
  kChatAuthor = 27,     // AUTHOR
  kChatEquals = 28,     // =
  kChatSlash = 29,      // /
  kChatLast = 30,       // LAST
};

// Largest use count the choice rule looks at; counts stop growing at the 16-bit top.
inline constexpr int16_t kChatUseBound = 32760;

struct ChatText {
  std::string text;
  int16_t uses = 0;
};

// One event's alternatives.
class ChatEntry {
 public:
  explicit ChatEntry(int32_t code) : code_(code) {}

  int32_t Code() const { return code_; }
  const std::vector<ChatText>& Texts() const { return texts_; }
  void Add(std::string text) { texts_.push_back({std::move(text), 0}); }

  // The choice rule: the least-used alternative (starting at a random one), else the
  // one of the time of day when `timeBased`, else a random one. False, and `out`
  // unchanged, without alternatives.
  bool Pick(std::string& out, bool leastUsed, bool timeBased);

 private:
  int32_t code_;
  std::vector<ChatText> texts_;
};

// What the parsers of one coach share: the event symbols, made by the first load while
// that parser is the only one and dropped with the last parser, and the time-based
// choice switch.
class ChatSymbolsHolder {
 public:
  const MessageSymbolTable* Symbols() const { return symbols_.get(); }
  int16_t LiveParsers() const { return liveParsers_; }
  // Reads the symbol file (a missing one is reported by the table and leaves it empty).
  void MakeSymbols(const std::string& symbolFile);
  void SetSymbols(MessageSymbolTable table);

  bool timeBasedChoice = false;

 private:
  friend class ChatParser;
  std::unique_ptr<MessageSymbolTable> symbols_;
  int16_t liveParsers_ = 0;
};

// A remark script.
class ChatParser {
 public:
  explicit ChatParser(ChatSymbolsHolder& shared);
  virtual ~ChatParser();
  ChatParser(const ChatParser&) = delete;
  ChatParser& operator=(const ChatParser&) = delete;

  // Reads the scrambled script and parses it; the first load of a lone parser makes
  // the shared symbols. A missing script shows "Fatal: <file> not found".
  void Load(const std::string& symbolFile, const std::string& scriptFile);
  // Parses a script's text; every error is shown in the error box and parsing stops,
  // keeping the entries read before it.
  virtual void Parse(const std::string& text, const std::string& fileName);
  // The chosen alternative of event `code`; "NOTEXT: <code>" and a beep when the
  // script has no such event.
  void PickText(int32_t code, std::string& out);

  const std::string& Author() const { return author_; }
  const std::vector<std::unique_ptr<ChatEntry>>& Entries() const { return entries_; }
  // The first entry of the event, or null.
  ChatEntry* Find(int32_t code) const;

  bool leastUsed = false;

 protected:
  ChatSymbolsHolder& shared_;
  std::string author_;
  std::vector<std::unique_ptr<ChatEntry>> entries_;

  // Registers the keywords and reads the optional AUTHOR header.
  void ReadHeader(SymbolScanner& scanner);
  // The event number of a symbol; reports an unknown one and answers -1.
  int32_t LookUpSymbol(const std::string& symbol, const std::string& fileName) const;
  // Reads the alternatives of one entry up to its "}"; false when parsing is to stop.
  using AlternativesReader = std::function<bool(ChatEntry& entry)>;
  // The entries after the header: a symbol, "{", the alternatives; a missing "{" is
  // reported when asked. Entries with alternatives are kept, also the one that failed.
  void ParseEntries(SymbolScanner& scanner, const std::string& fileName, bool reportMissingBrace,
                    const AlternativesReader& readAlternatives);
  // Reports "Identifier expected" for a token where a symbol belongs.
  void ReportIdentifierExpected(const std::string& fileName, const std::string& token,
                                int32_t lastSymbol) const;
};

// The talk script: each alternative is a transcript (not kept) and the numbers of
// its wave files, stored as "12/13".
class SoundParser : public ChatParser {
 public:
  // Loads `talkFile`; the talk folder is its folder and "namesnd.txt" lies beside it.
  SoundParser(ChatSymbolsHolder& shared, const std::string& symbolFile, const std::string& talkFile);
  // An empty parser over a talk folder (for parsing a text directly).
  SoundParser(ChatSymbolsHolder& shared, std::string talkFolder);

  void Parse(const std::string& text, const std::string& fileName) override;
  // Fills `item` with the wave files "<talk folder>/Chatter/<n>.wav" of event `code`;
  // false when the script has no such event.
  bool LookupTalk(int32_t code, TalkItem& item);
  // Chooses the spoken name for the user's first name from "namesnd.txt".
  void ChooseNameSound(std::string_view name);

  const std::string& TalkFolder() const { return talkFolder_; }
  const std::string& NamesFile() const { return namesFile_; }
  const std::string& NameSound() const { return nameSound_; }

 private:
  std::string talkFolder_;
  std::string namesFile_;
  std::string nameSound_;
};

// Parses the text of "namesnd.txt" for `name`: the file of the best pair, or empty.
std::string ChooseNameSoundFromText(const std::string& text, std::string_view name);

}  // namespace zh
