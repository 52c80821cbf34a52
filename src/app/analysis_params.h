// The settings of automatic game analysis, the blunder check, the correspondence
// analysis and the opening tree: groups "Analysis", "Blundercheck", "CorrAnalysis"
// and "Tree" of "Z5.ini".
#pragma once

#include <vector>

#include "app/params.h"
#include "app/settings_fields.h"
#include "core/services.h"
#include "engines/engine_entry.h"

namespace zh {

class AnalysisParams final : public Params {
 public:
  explicit AnalysisParams(std::string referencePath = {}) : referencePath(std::move(referencePath)) {}
  void LoadFrom(ProfileFile& file) override;
  void SaveTo(ProfileFile& file) override;
  // The record's keys in file order.
  std::vector<SettingField> Fields();

  bool verbose = true;
  bool graphical = true;
  bool training = false;
  bool reference = false;
  bool includeLines = false;
  int16_t sides = 2;
  int32_t timePerMove = 0;  // read only; its users set it before use
  int16_t plyDepth = 30;
  int16_t varDepth = 3;
  int16_t threshold = 30;
  bool replace = false;
  std::string referencePath;
  uint32_t mtHash = 0;
  uint32_t mtTime = 0;
  uint32_t mtSacMargin = 0;
  uint32_t mtCombMargin = 0;
  // Not stored.
  int32_t internalLong = 2;
  int16_t internalShort = 999;
};

class BlunderCheckParams final : public Params {
 public:
  static constexpr size_t kMaxEngines = 50;

  BlunderCheckParams() : engines(kMaxEngines) {}
  void LoadFrom(ProfileFile& file) override;
  void SaveTo(ProfileFile& file) override;
  // The record's keys in file order.
  std::vector<SettingField> Fields();

  int16_t side = 2;
  bool mainline = true;
  bool variations = true;
  bool writeFullVar = true;
  bool text = false;
  bool replace = true;
  bool eraseAnnos = false;
  bool doPly = false;
  bool training = false;
  bool writeNodes = false;
  int16_t plyDepth = 7;
  int32_t time = 10;
  int16_t thresh = 60;
  uint32_t nEngines = 0;  // entries of `engines` in use, at most kMaxEngines
  std::vector<EngineSpec> engines;
};

class CorrAnalParams final : public Params {
 public:
  void LoadFrom(ProfileFile& file) override;
  void SaveTo(ProfileFile& file) override;
  // The record's keys in file order.
  std::vector<SettingField> Fields();

  bool doPly = false;
  int16_t plyDepth = 11;
  int32_t time = 300;
  int16_t branch1 = 5;
  int16_t branch2 = 3;
  int16_t branch3 = 2;
  int16_t nAhead = 6;
  int16_t nWindow = 80;
  int32_t extraTime = 0;
  int16_t extraPly = 0;
  int16_t side = 2;
};

class TreeParams final : public Params, public TreeSettings {
 public:
  void LoadFrom(ProfileFile& file) override;
  void SaveTo(ProfileFile& file) override;
  // The record's keys in file order.
  std::vector<SettingField> Fields();
  // The statistics factors of a new user.
  void ResetFactors();
};

}  // namespace zh
