#include "app/bitmap_names.h"

#include <algorithm>
#include <cctype>

namespace zh {
namespace {

constexpr std::array<std::string_view, kBitmapNameCount> kNames = {
    "AWARD",   "BOOK",    "COACH",   "ENGENG",  "ENGINE",  "HANDICP", "LOGON",   "MATESRC",
    "SETUP",   "SERIOUS", "TIMECTL", "XTRLOGO", "CREDITS", "LOGOS",   "LOGOB",   "TLPLAY",
    "TLBOARD", "TLCOACH", "TLDATAB", "TLEXIT",  "TLGAME",  "TLHAND",  "TLHELP",  "TLHINT",
    "TLLEVEL", "TLBOOK",  "TLNOW",   "TLMOVES", "TLNEW",   "TLWATCH", "TLRATED", "TLSETUP",
    "TLSTOP",  "TLMINIM", "TLSCALE", "TLTABLE", "TBLEFT",  "TBRIGHT", "TLSEP",   "ARRIGHT",
    "ARRIN",   "ARRLEFT", "ARROUT",  "ARRUP",   "ARRDWN",  "TELE",    "WIDE",    "--",
    "--"};

}  // namespace

std::string_view BitmapName(int index) {
  return index >= 0 && index < kBitmapNameCount ? kNames[static_cast<size_t>(index)] : std::string_view();
}

int FallbackBitmapId(int index) { return index >= 0 && index <= 11 ? kDialogPictureFallback : kPictureFallback; }

std::vector<std::string> VariantMatches(const std::vector<std::string>& entries, std::string_view name) {
  std::array<std::string, kMaxVariants> ring;
  size_t matches = 0;
  for (const std::string& entry : entries) {
    std::string base = entry.substr(0, entry.find('.'));
    for (char& c : base) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (base.compare(0, name.size(), name) != 0) continue;
    ring[matches % kMaxVariants] = entry;
    ++matches;
  }
  return {ring.begin(), ring.begin() + static_cast<long>(std::min<size_t>(matches, kMaxVariants))};
}

}  // namespace zh
