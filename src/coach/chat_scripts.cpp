#include "coach/chat_scripts.h"

#include <ctime>
#include <filesystem>

#include "app/locations.h"
#include "app/message_reader.h"
#include "coach/talk_item.h"
#include "core/services.h"
#include "core/toolbox/scanner.h"
#include "core/toolbox/utf8.h"

namespace zh {
namespace {

constexpr uint16_t kKeywordCapacity = 16;

void RegisterKeywords(SymbolScanner& scanner) {
  scanner.SetQuoteChar('"');
  scanner.AddKeyword("{", kChatOpen);
  scanner.AddKeyword("}", kChatClose);
  scanner.AddKeyword(",", kChatComma);
  scanner.AddKeyword(";", kChatSemicolon);
  scanner.AddKeyword("-", kChatRange);
  scanner.AddKeyword("AUTHOR", kChatAuthor);
  scanner.AddKeyword("=", kChatEquals);
  scanner.AddKeyword("/", kChatSlash);
  scanner.AddKeyword("LAST", kChatLast);
}

// The hour plus the minute of the local time of day.
int HourPlusMinute() {
  const std::time_t now = static_cast<std::time_t>(Clock().WallTime());
  std::tm local{};
  if (!localtime_r(&now, &local)) return 0;
  return local.tm_hour + local.tm_min;
}

std::string FolderOf(const std::string& path) {
  return std::filesystem::path(path).parent_path().string();
}

// Characters of `text` (a UTF-8 sequence counts once).
size_t CharCount(std::string_view text) {
  size_t count = 0;
  for (size_t i = 0; i < text.size(); ++count) {
    const Utf8Char c = DecodeUtf8(text, i);
    i += c.length ? c.length : 1;
  }
  return count;
}

// Characters that two texts share at their beginning.
size_t CommonBeginning(std::string_view a, std::string_view b) {
  size_t count = 0;
  for (size_t i = 0; i < a.size() && i < b.size(); ++count) {
    const Utf8Char ca = DecodeUtf8(a, i), cb = DecodeUtf8(b, i);
    if (ca.length == 0 || ca.length != cb.length || a.substr(i, ca.length) != b.substr(i, cb.length)) break;
    i += ca.length;
  }
  return count;
}

bool IsInteger(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

// ---- ChatEntry ----

bool ChatEntry::Pick(std::string& out, bool leastUsed, bool timeBased) {
  const size_t n = texts_.size();
  if (n == 0) return false;
  size_t chosen = 0;
  if (leastUsed) {
    const size_t start = Random().Next() % n;
    int bound = kChatUseBound;
    for (size_t k = 0; k < n; ++k) {
      const size_t i = (start + k) % n;
      if (texts_[i].uses < bound) {
        bound = texts_[i].uses;
        chosen = i;
      }
    }
  } else if (timeBased) {
    chosen = static_cast<size_t>(HourPlusMinute()) % n;
  } else {
    chosen = Random().Next() % n;
  }
  ChatText& text = texts_[chosen];
  if (text.uses < INT16_MAX) ++text.uses;
  out = text.text;
  return true;
}

// ---- ChatSymbolsHolder ----

void ChatSymbolsHolder::MakeSymbols(const std::string& symbolFile) {
  symbols_ = std::make_unique<MessageSymbolTable>(symbolFile);
}

void ChatSymbolsHolder::SetSymbols(MessageSymbolTable table) {
  symbols_ = std::make_unique<MessageSymbolTable>(std::move(table));
}

// ---- ChatParser ----

ChatParser::ChatParser(ChatSymbolsHolder& shared) : shared_(shared) { ++shared_.liveParsers_; }

ChatParser::~ChatParser() {
  if (--shared_.liveParsers_ == 0) shared_.symbols_.reset();
}

void ChatParser::Load(const std::string& symbolFile, const std::string& scriptFile) {
  FileText file = ReadMessageFileText(scriptFile, true);
  if (!file.ok()) return ErrorBox(ReadErrorText(file, scriptFile));
  if (!shared_.symbols_) {
    if (shared_.liveParsers_ != 1) return;
    shared_.MakeSymbols(symbolFile);
  }
  Parse(file.bytes, scriptFile);
}

void ChatParser::ReadHeader(SymbolScanner& scanner) {
  RegisterKeywords(scanner);
  const size_t start = scanner.Position();
  std::string token;
  if (scanner.NextToken(token) != kChatAuthor) {
    scanner.SetPosition(start);
    return;
  }
  const size_t afterKeyword = scanner.Position();
  if (scanner.NextToken(token) != kChatEquals) {
    ErrorBox("= expected");
    scanner.SetPosition(afterKeyword);  // the token is read again as an entry
    return;
  }
  author_ = scanner.NextToken(token) == kTokenString ? token : std::string();
  scanner.NextToken(token);  // the ";" after the author
}

int32_t ChatParser::LookUpSymbol(const std::string& symbol, const std::string& fileName) const {
  const int index = shared_.symbols_ ? shared_.symbols_->IndexOf(symbol) : MessageSymbolTable::kAbsent;
  if (index != MessageSymbolTable::kAbsent) return index;
  ErrorBox("Unknown symbol: " + symbol + "\n" + fileName);
  return -1;
}

void ChatParser::ReportIdentifierExpected(const std::string& fileName, const std::string& token,
                                          int32_t lastSymbol) const {
  ErrorBox("Identifier expected\n" + fileName + "\n" + token + " " + std::to_string(lastSymbol));
}

void ChatParser::ParseEntries(SymbolScanner& scanner, const std::string& fileName,
                              bool reportMissingBrace, const AlternativesReader& readAlternatives) {
  std::string token;
  int32_t lastSymbol = -1;
  for (;;) {
    const int32_t kind = scanner.NextToken(token);
    if (kind == kTokenEnd) return;
    if (kind != kTokenIdentifier) return ReportIdentifierExpected(fileName, token, lastSymbol);
    const int32_t code = LookUpSymbol(token, fileName);
    if (code < 0) return;
    lastSymbol = code;
    if (scanner.NextToken(token) != kChatOpen) {
      if (reportMissingBrace) ErrorBox("'{' expected\n" + fileName);
      return;
    }
    auto entry = std::make_unique<ChatEntry>(code);
    const bool complete = readAlternatives(*entry);
    if (!entry->Texts().empty()) entries_.push_back(std::move(entry));
    if (!complete) return;
  }
}

void ChatParser::Parse(const std::string& text, const std::string& fileName) {
  SymbolScanner scanner(text, kKeywordCapacity, false);
  ReadHeader(scanner);
  ParseEntries(scanner, fileName, true, [&](ChatEntry& entry) {
    std::string token;
    for (;;) {
      const int32_t inner = scanner.NextToken(token);
      if (inner == kChatClose) return true;
      if (inner != kTokenString) {
        ErrorBox("} expected\n" + token + "\n" + fileName);
        return false;
      }
      std::string alternative = token;
      if (scanner.NextToken(token) != kChatSemicolon) {
        ErrorBox("';' ..." + alternative + "\n" + fileName);
        return false;
      }
      entry.Add(std::move(alternative));
    }
  });
}

ChatEntry* ChatParser::Find(int32_t code) const {
  for (const auto& entry : entries_)
    if (entry->Code() == code) return entry.get();
  return nullptr;
}

void ChatParser::PickText(int32_t code, std::string& out) {
  ChatEntry* entry = Find(code);
  if (!entry) {
    out = "NOTEXT: " + std::to_string(code);
    Beep();
    return;
  }
  entry->Pick(out, leastUsed, shared_.timeBasedChoice);
}

// ---- SoundParser ----

SoundParser::SoundParser(ChatSymbolsHolder& shared, const std::string& symbolFile,
                         const std::string& talkFile)
    : SoundParser(shared, FolderOf(talkFile)) {
  Load(symbolFile, talkFile);
}

SoundParser::SoundParser(ChatSymbolsHolder& shared, std::string talkFolder)
    : ChatParser(shared), talkFolder_(std::move(talkFolder)) {
  namesFile_ = JoinPath(talkFolder_, "namesnd.txt");
}

void SoundParser::Parse(const std::string& text, const std::string& fileName) {
  SymbolScanner scanner(text, kKeywordCapacity, false);
  ReadHeader(scanner);
  // The talk grammar ends without a message where the remark grammar reports.
  ParseEntries(scanner, fileName, false, [&](ChatEntry& entry) {
    std::string token;
    for (;;) {
      const int32_t inner = scanner.NextToken(token);
      if (inner == kChatClose) return true;
      if (inner != kTokenString || scanner.NextToken(token) != kChatComma) return false;
      // Items separated by ","; the first other token ends the alternative.
      std::string items;
      for (;;) {
        const int32_t item = scanner.NextToken(token);
        if (item != kTokenInteger && item != kTokenIdentifier) break;
        if (!items.empty()) items += '/';
        items += token;
        if (scanner.NextToken(token) != kChatComma) break;
      }
      entry.Add(std::move(items));
    }
  });
}

bool SoundParser::LookupTalk(int32_t code, TalkItem& item) {
  item.Clear();
  ChatEntry* entry = Find(code);
  if (!entry) return false;
  std::string text;
  entry->Pick(text, true, shared_.timeBasedChoice);
  const std::string folder = JoinPath(talkFolder_, "Chatter");
  size_t begin = 0;
  while (begin <= text.size()) {
    size_t end = text.find('/', begin);
    if (end == std::string::npos) end = text.size();
    const std::string part = text.substr(begin, end - begin);
    if (IsInteger(part)) item.Add(JoinPath(folder, part + ".wav"));  // dropped when full
    begin = end + 1;
  }
  return true;
}

std::string ChooseNameSoundFromText(const std::string& text, std::string_view name) {
  SymbolScanner scanner(text, kKeywordCapacity, false);
  RegisterKeywords(scanner);
  std::string token;
  if (scanner.NextToken(token) != kChatLast || scanner.NextToken(token) != kChatEquals ||
      scanner.NextToken(token) != kTokenInteger || scanner.NextToken(token) != kChatSemicolon)
    return {};
  std::string taken;
  size_t score = 0;
  for (;;) {
    std::string first, file;
    if (scanner.NextToken(first) != kTokenString || scanner.NextToken(token) != kChatEquals ||
        scanner.NextToken(file) != kTokenString)
      break;
    if (first == name) {
      taken = file;
      score = CharCount(first);
      break;
    }
    // The common beginning, counted the same from either side.
    const size_t common = CommonBeginning(first, name);
    if (common > score) {
      score = common;
      taken = file;
    }
    if (scanner.NextToken(token) != kChatSemicolon) break;
  }
  if (taken.empty() || score <= CharCount(name) / 2) return {};
  return "names/" + taken;
}

void SoundParser::ChooseNameSound(std::string_view name) {
  FileText file = ReadMessageFileText(namesFile_, false);
  if (!file.ok()) return;
  nameSound_ = ChooseNameSoundFromText(file.bytes, name);
}

}  // namespace zh
