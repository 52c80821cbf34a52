// Any text read as a remark script, a talk script, a spoken-name list and an opening
// list: parsing ends, errors only go to the (silent) error box, and every entry read
// can be asked for its text.
#include <cstdint>
#include <string>

#include "coach/chat_scripts.h"
#include "coach/eco_list.h"
#include "coach/talk_item.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  zh::ChatSymbolsHolder shared;
  shared.SetSymbols(zh::MessageSymbolTable::FromText("enum { EV_NONE, EV_ONE, EV_TWO, EV_THREE };"));
  zh::ChatParser remarks(shared);
  remarks.Parse(text, "fuzz.cht");
  std::string out;
  for (int32_t code = 0; code < 5; ++code) remarks.PickText(code, out);

  zh::SoundParser talk(shared, std::string("/talk"));
  talk.Parse(text, "talk.cht");
  zh::TalkItem item(20, 0);
  for (int32_t code = 0; code < 5; ++code) talk.LookupTalk(code, item);
  zh::ChooseNameSoundFromText(text, "Kalinor");

  auto openings = zh::ECOList::Empty("/talk");
  openings->Parse(text, "ecosnd.cht");
  for (int code = 0; code < zh::ECOList::kCodes; code += 7) openings->PickFile(code);
  return 0;
}
