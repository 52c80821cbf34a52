// The records behind a header's library numbers: players, tournament, annotator and
// source, as held in memory. Texts are cut to their field lengths.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zh {

struct HeaderLibItem {
  int32_t firstGame = 0;
  int32_t gameCount = 0;
};

class TQPlayer : public HeaderLibItem {
 public:
  static constexpr size_t kFirstNameLength = 20;
  static constexpr size_t kLastNameLength = 30;

  TQPlayer() = default;
  TQPlayer(std::string_view last, std::string_view first);

  const std::string& LastName() const { return last_; }
  const std::string& FirstName() const { return first_; }
  void SetLastName(std::string_view t);
  void SetFirstName(std::string_view t);
  bool IsEmpty() const { return last_.empty() && first_.empty(); }
  // Last name, then "," and the first n characters of the first name when there is one.
  std::string DisplayText(int n) const;
  std::string ShortText() const { return DisplayText(1); }
  // "last, first", or the last name alone.
  std::string FullName() const;
  bool operator==(const TQPlayer&) const = default;

 private:
  std::string first_;
  std::string last_;
};

class TQTournament : public HeaderLibItem {
 public:
  static constexpr size_t kPlaceLength = 30;
  static constexpr size_t kTitleLength = 40;

  const std::string& Place() const { return place_; }
  const std::string& Title() const { return title_; }
  void SetPlace(std::string_view t);
  void SetTitle(std::string_view t);
  bool operator==(const TQTournament&) const = default;

  uint32_t date = 0;  // packed: day bits 0-4, month 5-8, year from 9
  uint16_t type = 0;
  uint8_t detailA = 0;
  uint8_t detailB = 0;
  uint8_t detailC = 0;
  uint16_t detailD = 0;

 private:
  std::string place_;
  std::string title_;
};

class TQAnnotator : public HeaderLibItem {
 public:
  static constexpr size_t kNameLength = 45;
  const std::string& Name() const { return name_; }
  void SetName(std::string_view t);
  bool operator==(const TQAnnotator&) const = default;

 private:
  std::string name_;
};

class TQSource : public HeaderLibItem {
 public:
  static constexpr size_t kTitleLength = 25;
  static constexpr size_t kSecondLength = 16;
  const std::string& Title() const { return title_; }
  const std::string& Second() const { return second_; }
  void SetTitle(std::string_view t);
  void SetSecond(std::string_view t);
  bool operator==(const TQSource&) const = default;

  int32_t value1 = 0;
  int32_t value2 = 0;
  uint8_t byteValue = 0;
  uint8_t twoBits = 0;
  int16_t referenceNumber = 0;
  int16_t referenceVolume = 0;

 private:
  std::string title_;
  std::string second_;
};

}  // namespace zh
