// Small shared pieces of the game files: the pair of large I/O buffers that open
// old-format game files share, the nation codes of players and tournaments, and the
// one-letter language codes of stored text annotations.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

namespace zh {

class SharedIoBuffers {
 public:
  static constexpr uint32_t kSize = 0xFFF8;

  // The one instance of the program.
  static SharedIoBuffers& Instance();

  // Raises the use count and allocates each buffer still missing (it stays null when
  // memory is short).
  void Acquire();
  // Lowers the use count; the last user frees both buffers.
  void Release();
  // Frees the buffers and forgets every user.
  void Clear();

  uint8_t* First() const { return first_.get(); }
  uint8_t* Second() const { return second_.get(); }
  int16_t Users() const { return users_; }

 private:
  std::unique_ptr<uint8_t[]> first_;
  std::unique_ptr<uint8_t[]> second_;
  int16_t users_ = 0;
};

// Nation codes by index; index 0 (three blanks) is no nation.
inline constexpr int kNationCount = 194;
extern const char kNationCodes[kNationCount][4];
// Index of the code equal to the text, 0 when none is.
uint8_t NationIndex(std::string_view text);

// Language letters by index 0..6; index 7 is the terminating zero.
inline constexpr char kStoredLanguageLetters[9] = "*51+Fgu";
// First index whose letter is the character; 7 when none is.
int LanguageFromLetter(char letter);
// The letter of an index below 8, else the zero character.
char LetterOfLanguage(int index);

}  // namespace zh
