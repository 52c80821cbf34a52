#include "database/storage/shared_tables.h"

#include <new>

namespace zh {

SharedIoBuffers& SharedIoBuffers::Instance() {
  static SharedIoBuffers instance;
  return instance;
}

void SharedIoBuffers::Acquire() {
  ++users_;
  if (!first_) first_.reset(new (std::nothrow) uint8_t[kSize]);
  if (!second_) second_.reset(new (std::nothrow) uint8_t[kSize]);
}

void SharedIoBuffers::Release() {
  if (users_ <= 0) return;
  if (--users_ == 0) Clear();
}

void SharedIoBuffers::Clear() {
  first_.reset();
  second_.reset();
  users_ = 0;
}

const char kNationCodes[kNationCount][4] = {
    "   ",
    "AFG", "ALB", "ALG", "AND", "ANG", "ANT", "ARG", "ARM", "AUS", "AUT", "AZE", "BAH",
    "BHN", "BAN", "BAR", "BLR", "BEL", "BLZ", "BER", "BOL", "BIH", "BOT", "BRA", "IVB",
    "BRU", "BUL", "BUR", "CAN", "CHI", "CHN", "COL", "CRA", "CRO", "CUB", "CYP", "CZE",
    "DEN", "DJI", "DOM", "ECU", "EGY", "ENG", "ESP", "EST", "ETH", "FAI", "FIJ", "FIN",
    "FRA", "FRM", "GAM", "GEO", "GER", "GHA", "GRE", "GUA", "GCI", "GUY", "HAI", "HON",
    "HKG", "HUN", "ISL", "IND", "INA", "IRI", "IRQ", "ISR", "IRL", "ITA", "IVO", "JAM",
    "JPN", "JCI", "JOR", "KAZ", "KEN", "KOR", "KYR", "KUW", "LAT", "LIB", "LBA", "LIE",
    "LTU", "LUX", "MAC", "MAD", "MAS", "MLI", "MLT", "MAU", "MRI", "MEX", "MDA", "MNC",
    "MON", "MAR", "MOZ", "MYA", "NAM", "NEP", "NED", "AHO", "NZL", "NCA", "NGR", "NOR",
    "PAK", "PLE", "PAN", "PNG", "PAR", "PER", "PHI", "POL", "POR", "PUR", "QAT", "ROM",
    "RUS", "ESA", "SMR", "SCO", "SEN", "SEY", "SIN", "SVK", "SLO", "RSA", "SRI", "SUD",
    "SUR", "SWE", "SUI", "SYR", "TJK", "TAN", "THA", "TRI", "TUN", "TUR", "TKM", "UGA",
    "UKR", "UAE", "USA", "URU", "URS", "UZB", "VEN", "VIE", "ISV", "WLS", "YEM", "YUG",
    "ZAM", "ZIM", "ZRE", "DDR", "CSR", "CHD", "CAM", "KAP", "KBA", "COM", "CON", "NKO",
    "LAO", "LES", "MWI", "MDV", "MSH", "OMN", "NAU", "MIC", "NIG", "SAU", "TOG", "TON",
    "VAN", "VAT", "TUV", "SWA", "SIE", "SLU", "PAP", "SVI", "SAM", "SKI", "SAL", "GE2",
    "ZAR",
};

uint8_t NationIndex(std::string_view text) {
  if (const size_t nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
  for (int i = 1; i < kNationCount; ++i)
    if (text == kNationCodes[i]) return static_cast<uint8_t>(i);
  return 0;
}

int LanguageFromLetter(char letter) {
  for (int i = 0; i < 8; ++i)
    if (kStoredLanguageLetters[i] == letter) return i;
  return 7;
}

char LetterOfLanguage(int index) {
  return index >= 0 && index < 8 ? kStoredLanguageLetters[index] : '\0';
}

}  // namespace zh
