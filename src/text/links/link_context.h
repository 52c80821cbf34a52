// What the links of one text need of their owner: the database the text belongs to,
// the actions of the window that shows it, and the media registry, the names of the
// media files the text's links own with a used and a removed mark each. The editor
// collects while it builds a text's links; on saving, used names are marked, and
// names whose links were deleted are marked removed, so that their files can go.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/toolbox/path_list.h"

namespace zh {

class Database;
class LinkActions;

class LinkContext {
 public:
  // A text holds at most this many media objects.
  static constexpr int kMaxMediaObjects = 499;
  // The names reported removed before they were registered, at most this many.
  static constexpr int kMaxUnregistered = 500;

  // Neither is owned; without actions the links' actions do nothing.
  LinkContext(Database* database, LinkActions* actions);

  Database* GetDatabase() const { return database_; }
  LinkActions& Actions() const;

  // Adds the name to the media names, clears both of its marks and remembers it.
  void Register(const std::string& name);
  // A link that owns the file was deleted: a name not registered is kept while
  // collecting; a registered one is marked removed, unless it is marked used and
  // collecting is over.
  void MarkRemoved(const std::string& name);
  // Marks a registered name as used.
  void MarkUsed(const std::string& name);
  // Cleared while the editor deletes an old text, set again before the new text's
  // links are built.
  void SetCollecting(bool collecting) { collecting_ = collecting; }
  bool IsCollecting() const { return collecting_; }

  // The number of media objects registered.
  int MediaCount() const { return names_.Count(); }
  // Index of a registered name, -1 when it is not registered.
  int Find(const std::string& name) const;
  const std::string& NameAt(int index) const;
  bool IsUsed(int index) const;
  bool IsRemoved(int index) const;
  int LastRegistered() const { return last_; }
  const std::vector<std::string>& Unregistered() const { return unregistered_; }

 private:
  Database* database_;
  LinkActions* actions_;
  PathList names_{500};
  std::vector<std::string> plainNames_;
  // One mark each per name index; they grow with the list.
  std::vector<uint8_t> used_;
  std::vector<uint8_t> removed_;
  std::vector<std::string> unregistered_;
  bool collecting_ = true;
  int last_ = -1;
};

}  // namespace zh
