// Checks a chat script's plain source with the program's own parsers, for the build
// step that scrambles the scripts.
//
// Usage: zh_chatcheck <ChatDefs.inc> remarks|talk|eco <source>
//
// Every error the parser reports is printed and fails the check (exit 1); an event
// given twice is a warning (the program uses the first). For remark and talk scripts
// the counts of entries and alternatives read are printed.
#include <cstdio>
#include <set>
#include <string>

#include "app/message_file.h"
#include "app/message_reader.h"
#include "coach/chat_scripts.h"
#include "coach/eco_list.h"
#include "core/services.h"

namespace {

class PrintedBoxes final : public zh::MessageBoxService {
 public:
  int errors = 0;
  void ErrorBox(std::string_view text) override { Print("error", text), ++errors; }
  void WarningBox(std::string_view text) override { Print("warning", text); }
  bool AskOkCancel(std::string_view) override { return false; }
  bool AskYesNo(std::string_view) override { return false; }
  std::string file;

 private:
  void Print(const char* kind, std::string_view text) {
    std::string line(text);
    for (char& c : line)
      if (c == '\n') c = ' ';
    std::fprintf(stderr, "%s: %s: %s\n", file.c_str(), kind, line.c_str());
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: zh_chatcheck <ChatDefs.inc> remarks|talk|eco <source>\n");
    return 2;
  }
  const std::string symbols = argv[1], kind = argv[2], source = argv[3];
  PrintedBoxes boxes;
  boxes.file = source;
  zh::ScopedServices installed(zh::Services{.boxes = &boxes});
  const zh::FileText text = zh::ReadMessageFileText(source, false);
  if (!text.ok()) {
    boxes.ErrorBox(zh::ReadErrorText(text, source));
    return 1;
  }
  if (kind == "eco") {
    zh::ECOList::Empty({})->Parse(text.bytes, source);
    return boxes.errors ? 1 : 0;
  }
  zh::ChatSymbolsHolder shared;
  shared.MakeSymbols(symbols);
  if (boxes.errors) return 1;
  std::unique_ptr<zh::ChatParser> parser;
  if (kind == "remarks")
    parser = std::make_unique<zh::ChatParser>(shared);
  else if (kind == "talk")
    parser = std::make_unique<zh::SoundParser>(shared, std::string());
  else {
    std::fprintf(stderr, "zh_chatcheck: unknown kind %s\n", kind.c_str());
    return 2;
  }
  parser->Parse(text.bytes, source);
  if (boxes.errors) return 1;
  std::set<int32_t> seen;
  size_t alternatives = 0;
  for (const auto& entry : parser->Entries())
    if (!seen.insert(entry->Code()).second)
      boxes.WarningBox("event " + std::to_string(entry->Code()) + " is given twice; the first is used");
  for (const auto& entry : parser->Entries()) alternatives += entry->Texts().size();
  // The talk grammar stops without a message: the build step compares these counts
  // with the source.
  std::printf("entries %zu alternatives %zu\n", parser->Entries().size(), alternatives);
  return 0;
}
