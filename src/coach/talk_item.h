// A list of wave files to be played one after another, with a read cursor and the
// talk flags that tell the sound manager how to queue it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zh {

// Talk flags.
enum TalkFlags : uint16_t {
  kTalkInterrupt = 0x01,   // replaces the queue
  kTalkInterrupt2 = 0x02,  // replaces the queue as well
  kTalkOpenQueue = 0x04,   // later items with kTalkAppend join this queue
  kTalkAppend = 0x10,      // joins a queue that was opened with kTalkOpenQueue
};

class TalkItem {
 public:
  TalkItem(int16_t capacity, uint16_t flags);

  void Clear() { count_ = 0, cursor_ = 0; }
  // False, and nothing stored, when the list is full.
  bool Add(const std::string& path);
  // The text at i; empty for i outside 0 .. count - 1.
  const std::string& At(int i) const;
  // The text at the cursor (empty at the end); the cursor moves on.
  const std::string& Next();
  void Seek(int i);
  bool AtEnd() const { return count_ == 0 || cursor_ == count_; }
  void Assign(const TalkItem& other);
  // Adds other's texts, growing to count + other's count + 5 slots when needed.
  void Append(const TalkItem& other);

  int16_t Count() const { return count_; }
  int16_t Cursor() const { return cursor_; }
  int16_t Capacity() const { return static_cast<int16_t>(slots_.size()); }
  uint16_t Flags() const { return flags_; }
  void SetFlags(uint16_t flags) { flags_ = flags; }

 private:
  int16_t count_ = 0;
  int16_t cursor_ = 0;
  uint16_t flags_ = 0;
  std::vector<std::string> slots_;
};

}  // namespace zh
