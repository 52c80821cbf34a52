// Helpers of the link tests: link tables from entries, the entries of written tables,
// and a header-set database with media files for the links to find.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/message_ids.h"
#include "core/temp_dir.h"
#include "database/headerset/tqg_database.h"
#include "support/recording_services.h"
#include "text/buffer.h"
#include "text/link_actions.h"
#include "text/links/link_context.h"
#include "text/links/link_factory.h"
#include "text/links/link_list.h"
#include "text/text_test_support.h"

namespace zh::text_test {

struct TestEntry {
  uint16_t type;
  uint16_t position;
  std::string data;
};

// The data bytes the writes give.
template <class WriteFn>
std::string Data(WriteFn write) {
  return Written(write);
}

inline std::string StringData(const std::string& s) {
  return Data([&](CBuffer& b) { b.WriteString(s); });
}

// An entry count (the entries' own unless given), a media count of 0 and the entries.
inline std::string Table(const std::vector<TestEntry>& entries, int count = -1) {
  return Written([&](CBuffer& b) {
    b.WriteShort(static_cast<uint16_t>(count < 0 ? entries.size() : static_cast<size_t>(count)));
    b.WriteShort(0);
    for (const TestEntry& e : entries) {
      b.WriteShort(e.type);
      b.WriteShort(e.position);
      b.WriteShort(static_cast<uint16_t>(e.data.size()));
      for (char c : e.data) b.WriteByte(static_cast<uint8_t>(c));
    }
  });
}

// Type and position of each entry of a table.
inline std::vector<std::pair<int, int>> EntryTypes(const std::string& table) {
  std::vector<std::pair<int, int>> types;
  CBuffer in(table);
  const uint16_t count = in.ReadShort();
  in.ReadShort();
  for (uint16_t i = 0; i < count && !in.Failed(); ++i) {
    const int type = in.ReadShort();
    const int position = in.ReadShort();
    in.Skip(in.ReadShort());
    if (!in.Failed()) types.emplace_back(type, position);
  }
  return types;
}

inline std::string WriteTable(const HyperLinkList& list, TextRange range, bool markUsed = false) {
  return Written([&](CBuffer& b) { list.WriteTable(b, range, markUsed); });
}

inline std::string StoredData(const AHyperLink& link) {
  return Written([&](CBuffer& b) { link.Store(b); });
}

// A header-set database in a scratch folder whose media folders hold the files asked
// for, the recording actions and services, and a link context over them.
class LinkFixture {
 public:
  LinkFixture() {
    services.texts[msg::M_LINK_NO_VALID_TEXT] = "no valid Text";
    services.texts[msg::M_LINK_TOO_MANY_MEDIA] = "Too many multimedia objects";
    services.texts[msg::M_LINK_BROWSER_FAILED] = "Cannot launch browser (";
    services.texts[msg::M_LINK_TEXT_NOT_FOUND] = "not found";
    services.texts[msg::M_LINK_NO_DATABASE] = "Inconsistent: Loaded but no database ptr";
  }

  // Creates the media file of a key.
  std::string AddMedia(const std::string& key, int kind) {
    const std::string path = db->MediaFilePath(key, kind);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << "media";
    return path;
  }

  // The links of a table over a text of textLength characters.
  int Build(HyperLinkList& list, const std::string& table, uint32_t textLength = 1000,
            bool registerMedia = false, bool asAliases = false, uint32_t offset = 0) {
    CBuffer in(table);
    return BuildLinks(list, in, &context, registerMedia, offset, asAliases, textLength);
  }

  // One link made and loaded from an entry's data, unresolved or not.
  std::unique_ptr<AHyperLink> Load(uint16_t type, const std::string& data, bool registerMedia = false) {
    auto link = MakeLink(type, &context, registerMedia);
    CBuffer in(data);
    link->Load(in);
    return link;
  }

  test::RecordingServices services;
  test::TempDir dir;
  std::unique_ptr<TqgDatabase> db = std::make_unique<TqgDatabase>((dir / "db").string(), true);
  RecordingLinkActions actions;
  LinkContext context{db.get(), &actions};
};

}  // namespace zh::text_test
