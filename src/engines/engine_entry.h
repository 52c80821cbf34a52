// One participant of an engine match, tournament or multi-engine analysis: the
// engine module (or "human"), its titles, hash, book, rating, colour and the
// parameter values to send it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/toolbox/profile_file.h"

namespace zh {

class EngineSpec {
 public:
  static constexpr uint32_t kMaxParams = 1024;  // bound on a stored "NParams"

  explicit EngineSpec(int32_t hashKb = 4096) : hash(hashKb) {}

  bool IsHuman() const { return path == "human"; }
  // Replaces the parameters by `n` empty names and zero values.
  void SetParamCount(uint32_t n);
  uint32_t ParamCount() const { return static_cast<uint32_t>(paramNames.size()); }

  // The participant's keys with number `n` in the current group: Title<n>, Name<n>,
  // Path<n>, Hash<n>, Elo<n>, Book<n>, Color<n>, NParams<n>, Param<n>_<k>, Val<n>_<k>.
  void Write(ProfileFile& file, int n) const;
  void Read(const ProfileFile& file, int n);

  bool operator==(const EngineSpec&) const = default;

  std::string path;
  std::string title;
  std::string name;
  std::string book;
  int32_t hash;
  int32_t elo = 0;
  uint32_t color = 0;  // red in the low byte, then green, then blue
  std::vector<std::string> paramNames;
  std::vector<int32_t> paramValues;
};

}  // namespace zh
