#include "app/message_file.h"

#include "app/languages.h"
#include "app/locations.h"
#include "app/message_reader.h"
#include "app/text_case.h"
#include "core/toolbox/scanner.h"

namespace zh {
namespace {

// Keyword ids of the grammars, clear of the scanner's token kinds.
enum : int32_t { kEnum = 100, kOpen, kClose, kComma, kSemicolon };
constexpr uint16_t kKeywordCapacity = 50;
constexpr int kMaxMessageId = 32767;
constexpr std::string_view kNoEco = "NOECO";

// The file's text, or an error box and nothing.
std::optional<std::string> ReadOrReport(const std::string& path, std::string_view missingPrefix) {
  FileText file = ReadMessageFileText(path, false);
  if (file.ok()) return std::move(file.bytes);
  if (file.status == FileText::Status::NotFound && !missingPrefix.empty())
    ErrorBox(std::string(missingPrefix) + path);
  else
    ErrorBox(ReadErrorText(file, path));
  return std::nullopt;
}

}  // namespace

MessageSymbolTable::MessageSymbolTable(const std::string& path) {
  auto text = ReadOrReport(path, "Cannot find ");
  if (!text) {
    status_ = kNotFound;
    return;
  }
  Parse(*text);
}

MessageSymbolTable MessageSymbolTable::FromText(const std::string& text) {
  MessageSymbolTable table;
  table.Parse(text);
  return table;
}

void MessageSymbolTable::Parse(const std::string& text) {
  SymbolScanner scanner(text, kKeywordCapacity, false);
  scanner.AddKeyword("enum", kEnum);
  scanner.AddKeyword("{", kOpen);
  scanner.AddKeyword("}", kClose);
  scanner.AddKeyword(",", kComma);
  std::string token;
  if (scanner.NextToken(token) != kEnum) return ErrorBox("'enum' expected");
  if (scanner.NextToken(token) != kOpen) return ErrorBox("'{' expected");
  for (;;) {
    if (scanner.NextToken(token) != kTokenIdentifier) return ErrorBox("Identifier expected: " + token);
    index_.emplace(token, static_cast<int>(names_.size()));
    names_.push_back(token);
    if (scanner.NextToken(token) != kComma) return;  // normally "}"; nothing after it is read
  }
}

int MessageSymbolTable::IndexOf(std::string_view name) const {
  auto it = index_.find(std::string(name));
  return it == index_.end() ? kAbsent : it->second;
}

MessageFile::MessageFile(const std::string& symbolPath, const std::string& messagePath) {
  MessageSymbolTable symbols(symbolPath);
  if (symbols.GetStatus() != MessageSymbolTable::kLoaded) {
    status_ = kSymbolFileUnusable;
    return;
  }
  auto text = ReadOrReport(messagePath, "");
  if (!text) {
    status_ = kNotFound;
    return;
  }
  Parse(symbols, *text);
}

MessageFile::MessageFile(const MessageSymbolTable& symbols, const std::string& text) {
  Parse(symbols, text);
}

void MessageFile::Parse(const MessageSymbolTable& symbols, const std::string& text) {
  SymbolScanner scanner(text, kKeywordCapacity, false);
  scanner.SetQuoteChar('"');
  scanner.AddKeyword(",", kComma);
  scanner.AddKeyword(";", kSemicolon);
  std::string name, token;
  for (;;) {
    int32_t kind = scanner.NextToken(name);
    if (kind == kTokenEnd) return;
    if (kind != kTokenIdentifier) return ErrorBox("Msg: Identifier expected\n" + name);
    int id = symbols.IndexOf(name);
    if (id == MessageSymbolTable::kAbsent || id > kMaxMessageId)
      return ErrorBox("Unknown message symbol\n" + name);
    if (scanner.NextToken(token) != kComma) return ErrorBox("No comma:\n" + name);
    if (scanner.NextToken(token) != kTokenString) return ErrorBox("Text expected:\n" + name);
    first_.emplace(id, texts_.size());
    texts_.emplace_back(id, token);
    if (scanner.NextToken(token) != kSemicolon) return ErrorBox("; expected:\n" + name);
  }
}

std::string MessageFile::GetText(int id) const {
  auto it = first_.find(id & 0xFFFF);
  return it == first_.end() ? std::string(kNoText) : texts_[it->second].second;
}

OpeningNames::OpeningNames(const std::string& path) {
  auto text = ReadOrReport(path, "");
  if (!text) {
    status_ = MessageFile::kNotFound;
    return;
  }
  Parse(*text);
}

OpeningNames OpeningNames::FromText(const std::string& text) {
  OpeningNames names;
  names.Parse(text);
  return names;
}

void OpeningNames::Parse(const std::string& text) {
  SymbolScanner scanner(text, kKeywordCapacity, false);
  scanner.SetQuoteChar('"');
  scanner.AddKeyword(";", kSemicolon);
  std::string token;
  while (names_.size() < kCount) {
    if (scanner.NextToken(token) != kTokenString) return ErrorBox("Text expected:\n" + token);
    names_.push_back(token);
  }
}

std::string OpeningNames::GetName(uint16_t code) const {
  size_t position = code >> 7;
  return position < names_.size() ? names_[position] : std::string(kNoEco);
}

ShellTexts::ShellTexts(std::string dataFolder, int language) : dataFolder_(std::move(dataFolder)) {
  Reload(language);
}

ShellTexts::~ShellTexts() = default;

namespace {
std::string Existing(const std::string& path) { return FindPathIgnoringCase(path).value_or(path); }
}  // namespace

std::string ShellTexts::MessagesFolder() const { return Existing(JoinPath(dataFolder_, "Messages")); }

void ShellTexts::Reload(int language) {
  messages_.reset();
  openings_.reset();
  const std::string base = MessagesFolder();
  const std::string folder = LanguageFolder(base, language);
  messages_ = std::make_unique<MessageFile>(Existing(JoinPath(base, "messages.inc")),
                                            Existing(JoinPath(folder, "general.fms")));
  openings_ = std::make_unique<OpeningNames>(Existing(JoinPath(folder, "openings.fms")));
  if (external_) *external_ = *openings_;
  ++loads_;
}

void ShellTexts::UseOpeningNames(OpeningNames* names) { external_ = names; }

std::string ShellTexts::GetMessageText(int id) {
  if (id >= kOpeningNameBase && id < kOpeningNameBase + 0x10000)
    return GetOpeningName(static_cast<uint16_t>(id - kOpeningNameBase));
  if (id < 0 || id > 0xFFFF) return std::string(kNoText);
  return messages_->GetText(id);
}

std::string ShellTexts::GetOpeningName(uint16_t code) const { return Openings().GetName(code); }

std::string GetOpeningName(uint16_t code) {
  std::string name = GetMessageText(kOpeningNameBase + code);
  return name == kNoText ? std::string(kNoEco) : name;
}

std::string GetMessageTextCapitalized(int id) { return CapitalizeFirstLetter(GetMessageText(id)); }

std::string GetMessageTextPlainCapitalized(int id) {
  return CapitalizeFirstLetter(GetMessageTextPlain(id, TextCase::Keep));
}

}  // namespace zh
