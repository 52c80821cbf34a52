#include "app/analysis_params.h"

#include <algorithm>

namespace zh {
namespace {

void LoadGroup(ProfileFile& file, const char* group, const std::vector<SettingField>& fields) {
  file.SelectGroup(group);
  LoadFields(file, fields);
}

void SaveGroup(ProfileFile& file, const char* group, const std::vector<SettingField>& fields) {
  StartGroup(file, group);
  SaveFields(file, fields);
}

}  // namespace

std::vector<SettingField> AnalysisParams::Fields() {
  return {
      {"Verbose", &verbose},
      {"Graphical", &graphical},
      {"Training", &training},
      {"Reference", &reference},
      {"IncludeLines", &includeLines},
      {"Sides", &sides},
      {"TimePerMove", &timePerMove, false},
      {"PlyDepth", &plyDepth},
      {"VarDepth", &varDepth},
      {"Threshold", &threshold},
      {"Replace", &replace},
      {"ReferencePath", &referencePath},
      {"MTHash", &mtHash},
      {"MTTime", &mtTime},
      {"MTSacMargin", &mtSacMargin},
      {"MTCombMargin", &mtCombMargin},
  };
}

void AnalysisParams::LoadFrom(ProfileFile& file) { LoadGroup(file, "Analysis", Fields()); }
void AnalysisParams::SaveTo(ProfileFile& file) { SaveGroup(file, "Analysis", Fields()); }

std::vector<SettingField> BlunderCheckParams::Fields() {
  return {
      {"Side", &side},
      {"Mainline", &mainline},
      {"Variations", &variations},
      {"WriteFullVar", &writeFullVar},
      {"Text", &text},
      {"Replace", &replace},
      {"EraseAnnos", &eraseAnnos},
      {"DoPly", &doPly},
      {"Training", &training},
      {"WriteNodes", &writeNodes},
      {"PlyDepth", &plyDepth},
      {"Time", &time},
      {"Thresh", &thresh},
      {"NEngines", &nEngines},
  };
}

void BlunderCheckParams::LoadFrom(ProfileFile& file) {
  LoadGroup(file, "Blundercheck", Fields());
  // The list has room for 50 engines, whatever the file says.
  nEngines = std::min<uint32_t>(nEngines, kMaxEngines);
  for (uint32_t i = 0; i < nEngines; ++i) engines[i].Read(file, static_cast<int>(i));
}

void BlunderCheckParams::SaveTo(ProfileFile& file) {
  nEngines = std::min<uint32_t>(nEngines, kMaxEngines);
  SaveGroup(file, "Blundercheck", Fields());
  for (uint32_t i = 0; i < nEngines; ++i) engines[i].Write(file, static_cast<int>(i));
}

std::vector<SettingField> CorrAnalParams::Fields() {
  return {
      {"DoPly", &doPly},         {"PlyDepth", &plyDepth},   {"Time", &time},
      {"Branch1", &branch1},     {"Branch2", &branch2},     {"Branch3", &branch3},
      {"NAhead", &nAhead},       {"NWindow", &nWindow},     {"ExtraTime", &extraTime},
      {"ExtraPly", &extraPly},   {"Side", &side},
  };
}

void CorrAnalParams::LoadFrom(ProfileFile& file) { LoadGroup(file, "CorrAnalysis", Fields()); }
void CorrAnalParams::SaveTo(ProfileFile& file) { SaveGroup(file, "CorrAnalysis", Fields()); }

std::vector<SettingField> TreeParams::Fields() {
  return {
      {"InclVars", &inclVars},
      {"EcoLength", &ecoLength},
      {"Length", &length},
      {"Stats", &stats},
      {"White", &white},
      {"Black", &black},
      {"Wins", &wins},
      {"Player", &player},
      {"Name", &name},
      {"UseMarks", &useMarks},
      {"Losses", &losses},
      {"FactStat", &factStat},
      {"FactLearn", &factLearn},
      {"StatWidth", &statWidth},
      {"Transpositions", &transpositions},
      {"RetroMoves", &retroMoves},
      {"Elos", &elos},
      {"BottomWin", &bottomWin},
      {"Sort", &sort},
      {"MinGames", &minGames},
  };
}

void TreeParams::LoadFrom(ProfileFile& file) { LoadGroup(file, "Tree", Fields()); }
void TreeParams::SaveTo(ProfileFile& file) { SaveGroup(file, "Tree", Fields()); }

void TreeParams::ResetFactors() {
  factStat = 100;
  factLearn = 500;
  statWidth = 220;
  minGames = 2;
}

}  // namespace zh
