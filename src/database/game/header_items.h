// The records behind a header's library numbers: players, tournament, annotator and
// source. Texts are held as bytes of the display set (one byte a character), which
// is also what the library records store; length limits count those bytes. Setters
// and parsers take UTF-8 and convert first; the text getters and display texts
// answer UTF-8, the *Bytes getters the stored bytes.
//
// Each class packs into a fixed little-endian library record, and each library file
// is ordered by its class's record comparison, so these orders are part of the file
// format: players compare unsigned bytes, the others signed ones.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/toolbox/avl_key.h"

namespace zh {

class HeaderLibItem {
 public:
  virtual ~HeaderLibItem() = default;

  // Packs the library record into buffer (room for the class's record length) and
  // tells its length.
  virtual void Write(uint8_t* buffer, int16_t& length) const = 0;
  // The packed record as an index key with the class's comparison; null when no
  // memory is left.
  std::unique_ptr<AVLKey> MakeKey() const;

  int32_t firstGame = 0;  // lowest number of a game that refers to the entry
  int32_t gameCount = 0;  // number of games that refer to the entry

  bool operator==(const HeaderLibItem&) const = default;

 protected:
  HeaderLibItem() = default;
  HeaderLibItem(const HeaderLibItem&) = default;
  HeaderLibItem& operator=(const HeaderLibItem&) = default;

  virtual AVLCompare Comparer() const = 0;
  virtual int RecordSize() const = 0;
};

// Library record lengths, used when a library opens its file.
int TournamentRecordLength();
int AnnotatorRecordLength();
int PlayerRecordLength();
int SourceRecordLength();

class TQPlayer : public HeaderLibItem {
 public:
  static constexpr size_t kFirstNameLength = 20;
  static constexpr size_t kLastNameLength = 30;
  static constexpr int kRecordLength = 58;

  TQPlayer() = default;
  // From the two names (UTF-8).
  TQPlayer(std::string_view last, std::string_view first);
  // From the library record.
  explicit TQPlayer(const uint8_t* record);
  static TQPlayer FromNames(std::string_view last, std::string_view first) { return {last, first}; }
  // "Last, First (remark)" in UTF-8; see FromDisplayBytes.
  static TQPlayer FromText(std::string_view utf8);
  // The same parse on display bytes: before the first comma the last name (at most
  // 29), behind it the first name (at most 19); further commas dropped unless last in
  // the text; a blank before "(" ends the text; both names trimmed.
  static TQPlayer FromDisplayBytes(std::string_view text);

  std::string LastName() const;
  std::string FirstName() const;
  const std::string& LastNameBytes() const { return last_; }
  const std::string& FirstNameBytes() const { return first_; }
  void SetLastName(std::string_view utf8);
  void SetFirstName(std::string_view utf8);
  void SetLastNameBytes(std::string_view bytes);
  void SetFirstNameBytes(std::string_view bytes);
  bool IsEmpty() const { return last_.empty() && first_.empty(); }

  // Last name, then "," and the first n characters of the first name when there is
  // one and n > 0.
  std::string DisplayText(int n) const;
  std::string DisplayBytes(int n) const;
  std::string ShortText() const { return DisplayText(1); }
  // The name that titles and comparisons of games use: DisplayText(1), "Last,F".
  std::string FullName() const { return DisplayText(1); }

  // By last name over 30 bytes, then first name over 20, unsigned.
  bool Differs(const TQPlayer& other) const;
  bool Less(const TQPlayer& other) const;
  bool Equals(const TQPlayer& other) const { return !Differs(other); }

  void Write(uint8_t* buffer, int16_t& length) const override;
  static int CompareRecords(const uint8_t* a, const uint8_t* b, uint16_t length);

  bool operator==(const TQPlayer&) const = default;

 protected:
  AVLCompare Comparer() const override { return &CompareRecords; }
  int RecordSize() const override { return kRecordLength; }

 private:
  std::string first_;
  std::string last_;
};

class TQTournament : public HeaderLibItem {
 public:
  static constexpr size_t kPlaceLength = 30;
  static constexpr size_t kTitleLength = 40;
  static constexpr int kRecordLength = 90;
  static constexpr uint16_t kBlitz = 0x20;
  static constexpr uint16_t kRapid = 0x40;
  static constexpr uint16_t kCorr = 0x80;

  TQTournament() = default;
  explicit TQTournament(const uint8_t* record);
  // A title parsed from an event text (UTF-8) and a year; round and sub-round are set
  // when the text carries them as "(r)", "(r.s)" or "[s]". See FromDisplayBytes.
  TQTournament(std::string_view utf8, int year, int16_t& round, int16_t& subRound);
  static TQTournament FromDisplayBytes(std::string_view text, int year, int16_t& round,
                                       int16_t& subRound);

  std::string Place() const;
  std::string Title() const;
  const std::string& PlaceBytes() const { return place_; }
  const std::string& TitleBytes() const { return title_; }
  void SetPlace(std::string_view utf8);
  void SetTitle(std::string_view utf8);
  void SetPlaceBytes(std::string_view bytes);
  void SetTitleBytes(std::string_view bytes);
  int Year() const { return static_cast<int>(date >> 9); }
  // Keeps the upper six bits; a value of 4 or more stores 0.
  void SetDetailC(int value);

  // The kind word with its speed flag: "tourn (rapid)", "blitz", "k.o. (corr)".
  static std::string KindText(int type);
  // Title (with the place when short and not already in it), or the place; then
  // "blitz" or "rapid".
  std::string DisplayText() const;
  // DisplayText and the year when above 0.
  std::string DisplayTextWithYear() const;

  void Write(uint8_t* buffer, int16_t& length) const override;
  // Later year first, then title over 40 bytes and place over 30, signed.
  static int CompareRecords(const uint8_t* a, const uint8_t* b, uint16_t length);

  bool operator==(const TQTournament&) const = default;

  uint32_t date = 0;  // packed: day bits 0-4, month 5-8, year from 9
  uint16_t type = 0;  // kind in bits 0-4, speed flags 0x20, 0x40, 0x80
  uint8_t detailA = 0;
  uint8_t detailB = 0;
  uint8_t detailC = 0;
  uint16_t detailD = 0;

 protected:
  AVLCompare Comparer() const override { return &CompareRecords; }
  int RecordSize() const override { return kRecordLength; }

 private:
  std::string DisplayBytes() const;

  std::string place_;
  std::string title_;
};

class TQAnnotator : public HeaderLibItem {
 public:
  static constexpr size_t kNameLength = 45;
  static constexpr int kRecordLength = 53;

  TQAnnotator() = default;
  explicit TQAnnotator(const uint8_t* record);

  std::string Name() const;
  const std::string& NameBytes() const { return name_; }
  void SetName(std::string_view utf8);
  void SetNameBytes(std::string_view bytes);

  void Write(uint8_t* buffer, int16_t& length) const override;
  // Name over 45 bytes, signed.
  static int CompareRecords(const uint8_t* a, const uint8_t* b, uint16_t length);

  bool operator==(const TQAnnotator&) const = default;

 protected:
  AVLCompare Comparer() const override { return &CompareRecords; }
  int RecordSize() const override { return kRecordLength; }

 private:
  std::string name_;
};

class TQSource : public HeaderLibItem {
 public:
  static constexpr size_t kTitleLength = 25;
  static constexpr size_t kSecondLength = 16;
  static constexpr int kRecordLength = 59;

  TQSource() = default;
  explicit TQSource(const uint8_t* record);
  // The title after a ";" that stands before the last three characters, else, with the
  // source-reference setting on, "Inf nn" from a reference "volume/number" (UTF-8).
  static TQSource FromText(std::string_view utf8);
  static TQSource FromDisplayBytes(std::string_view text);

  std::string Title() const;
  std::string Second() const;
  const std::string& TitleBytes() const { return title_; }
  const std::string& SecondBytes() const { return second_; }
  void SetTitle(std::string_view utf8);
  void SetSecond(std::string_view utf8);
  void SetTitleBytes(std::string_view bytes);
  void SetSecondBytes(std::string_view bytes);

  void Write(uint8_t* buffer, int16_t& length) const override;
  // Title over 25 bytes, signed.
  static int CompareRecords(const uint8_t* a, const uint8_t* b, uint16_t length);

  bool operator==(const TQSource&) const = default;

  int32_t value1 = 0;
  int32_t value2 = 0;
  uint8_t byteValue = 0;
  uint8_t twoBits = 0;
  // Only in memory: the reference parsed from a text.
  int16_t referenceNumber = 0;
  int16_t referenceVolume = 0;

 protected:
  AVLCompare Comparer() const override { return &CompareRecords; }
  int RecordSize() const override { return kRecordLength; }

 private:
  std::string title_;
  std::string second_;
};

}  // namespace zh
