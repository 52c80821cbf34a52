#include "coach/eco_list.h"

#include <filesystem>
#include <vector>

#include "app/locations.h"
#include "app/message_reader.h"
#include "core/services.h"
#include "core/toolbox/scanner.h"

namespace zh {
namespace {

constexpr uint16_t kKeywordCapacity = 8;

// Reads one code list up to its "{"; false when the list is not good.
bool ReadCodeList(SymbolScanner& scanner, std::vector<int>& codes) {
  std::string token;
  bool good = false;
  for (;;) {
    const int32_t kind = scanner.NextToken(token);
    if (kind != kTokenIdentifier) {
      if (kind != kTokenEnd) ErrorBox("Identifier expected in ECOList\n");
      return good;
    }
    const int first = ECOList::CodeFromName(token);
    if (first < 0) return good;
    if (codes.size() < ECOList::kCodes) codes.push_back(first);
    good = true;
    int32_t next = scanner.NextToken(token);
    if (next == kChatRange) {
      good = false;
      if (scanner.NextToken(token) != kTokenIdentifier) return false;
      const int last = ECOList::CodeFromName(token);
      if (last > first) {
        for (int code = first + 1; code <= last && codes.size() < ECOList::kCodes; ++code)
          codes.push_back(code);
        good = true;
      }
      next = scanner.NextToken(token);
    }
    if (next == kChatComma) continue;
    if (next == kChatOpen) return good;
    return false;
  }
}

}  // namespace

ECOList::ECOList(const std::string& fileName, std::string talkFolder)
    : talkFolder_(talkFolder.empty() ? std::filesystem::path(fileName).parent_path().string()
                                     : std::move(talkFolder)) {
  FileText file = ReadMessageFileText(fileName, true);
  if (file.ok()) Parse(file.bytes, fileName);
}

std::unique_ptr<ECOList> ECOList::Empty(std::string talkFolder) {
  std::unique_ptr<ECOList> list(new ECOList());
  list->talkFolder_ = std::move(talkFolder);
  return list;
}

int ECOList::CodeFromName(std::string_view identifier) {
  if (identifier.size() != 3) return -1;
  const char letter = static_cast<char>(identifier[0] & ~0x20);
  if (letter < 'A' || letter > 'E') return -1;
  const char tens = identifier[1], units = identifier[2];
  if (tens < '0' || tens > '9' || units < '0' || units > '9') return -1;
  return (letter - 'A') * 100 + (tens - '0') * 10 + (units - '0');
}

void ECOList::Parse(const std::string& text, const std::string& fileName) {
  SymbolScanner scanner(text, kKeywordCapacity, false);
  scanner.SetQuoteChar('"');
  scanner.AddKeyword("{", kChatOpen);
  scanner.AddKeyword("}", kChatClose);
  scanner.AddKeyword(",", kChatComma);
  scanner.AddKeyword("-", kChatRange);
  scanner.AddKeyword(";", kChatSemicolon);
  std::string token;
  for (;;) {
    std::vector<int> codes;
    if (!ReadCodeList(scanner, codes)) return;
    auto entry = std::make_shared<ChatEntry>(0);
    bool more = true;
    for (;;) {
      const int32_t kind = scanner.NextToken(token);
      if (kind == kChatClose) break;
      if (kind == kTokenString) {
        std::string number;
        if (scanner.NextToken(token) != kChatComma || scanner.NextToken(number) != kTokenInteger) {
          more = false;
          break;
        }
        if (scanner.NextToken(token) != kChatSemicolon) {
          ErrorBox("';' ..." + number + "\n" + fileName);
          more = false;
          break;
        }
        entry->Add(number);
        continue;
      }
      ErrorBox("} expected\n" + token + "\n" + fileName);
      more = false;
      break;
    }
    if (!entry->Texts().empty())
      for (int code : codes) codes_[static_cast<size_t>(code)] = entry;
    if (!more) return;
  }
}

const ChatEntry* ECOList::At(int index) const {
  if (index < 0 || index >= kCodes) return nullptr;
  return codes_[static_cast<size_t>(index)].get();
}

std::string ECOList::PickFile(int index) {
  if (index < 0 || index >= kCodes || !codes_[static_cast<size_t>(index)]) return {};
  std::string name;
  codes_[static_cast<size_t>(index)]->Pick(name, true, false);
  return JoinPath(JoinPath(talkFolder_, "ECO"), name + ".wav");
}

}  // namespace zh
