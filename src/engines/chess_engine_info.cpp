// What an engine object tells about its engines and its running search: names, logo,
// setup text, the slot engines, search statistics and the move being searched; and
// the link to the engine manager.
#include <algorithm>
#include <cstring>

#include "enginemodule/interface/records.h"
#include "engines/chess_engine.h"
#include "engines/engine_instance.h"
#include "engines/kept_flags.h"

namespace zh {
namespace {

EngineManagerNotice* gManager = nullptr;

}  // namespace

EngineManagerNotice& EngineManagerLink() {
  static EngineManagerNotice none;
  return gManager != nullptr ? *gManager : none;
}

void SetEngineManagerLink(EngineManagerNotice* manager) { gManager = manager; }

EngineLogo ChessEngine::GetEngineLogo(int kind, int64_t colourCount) const {
  if (Slots[1] == nullptr) return EngineLogo{};
  return Slots[1]->GetLogo(kind, colourCount);
}

bool ChessEngine::GetEngineName(std::string& text, bool cut) const {
  EngineInstance* instance = GetActiveInstance();
  if (instance == nullptr) instance = Slots[1];
  if (instance == nullptr) return false;
  text = instance->GetName();
  if (cut) {
    const size_t dot = text.rfind('.');
    if (dot != std::string::npos) text.erase(dot);
    while (!text.empty() && text.back() == ' ') text.pop_back();
  }
  return true;
}

std::string ChessEngine::GetPlayerEngineName() const {
  for (int s = 1; s <= 3; ++s)
    if (EngineInstance* instance = Slots[static_cast<size_t>(s)]) return instance->GetName();
  return {};
}

std::string ChessEngine::DescribeSetup() const {
  if (Slots[1] == nullptr) return {};
  std::string text = std::to_string(Slots[1]->HashKb()) + "kB";
  if (Book != nullptr) text += ", " + Book->FileName();
  return text;
}

void ChessEngine::ListSlotEngines(std::vector<EngineInstance*>& list) const {
  for (int s = 1; s <= 3; ++s)
    if (EngineInstance* instance = Slots[static_cast<size_t>(s)]) list.push_back(instance);
}

bool ChessEngine::GetSearchStats(SearchStats& stats) const {
  const eng::MainLineBlock& kept = *MainLine;
  stats.depth = (kept.flags & kDepth) ? kept.depth : int16_t{-1};
  stats.selectiveDepth = (kept.flags & kSelectiveDepth) ? kept.selective_depth : int16_t{-1};
  stats.nodes = (kept.flags & kNodes) ? GetNodeCount() : -1;
  return (kept.flags & (kDepth | kSelectiveDepth | kNodes)) != 0;
}

int64_t ChessEngine::GetNodeCount() const {
  const eng::MainLineBlock& kept = *MainLine;
  if (!(kept.flags & kNodes)) return 0;
  return static_cast<int64_t>((uint64_t{kept.nodes_high} << 32) | kept.nodes_low);
}

int32_t ChessEngine::GetNodesPerSecond() const {
  const eng::MainLineBlock& kept = *MainLine;
  return (kept.flags & kNodesPerSecond) ? static_cast<int32_t>(kept.extra400000) : 0;
}

int32_t ChessEngine::GetHashUsage() const {
  const eng::MainLineBlock& kept = *MainLine;
  return (kept.flags & kHashUsage) ? static_cast<int32_t>(kept.extra800000) : -1;
}

bool ChessEngine::GetCurrentMove(Move& move, int16_t& number, int16_t& total) const {
  const eng::MainLineBlock& kept = *MainLine;
  if (!(kept.flags & kCurrentMove)) return false;
  eng::ReportMove current;
  static_assert(sizeof current == sizeof kept.extra100);
  std::memcpy(&current, &kept.extra100, sizeof current);
  Variation line;
  BuildLine(&current, 1, EnginePosition, std::max(Ply, int16_t{0}), line);
  if (line.Count() == 0) return false;  // no legal move here
  move = line.Moves()[0];
  number = (kept.flags & kMoveNumber) ? static_cast<int16_t>(kept.extra200) : int16_t{0};
  total = (kept.flags & kMovesToSearch) ? static_cast<int16_t>(kept.extra400) : int16_t{0};
  return true;
}

}  // namespace zh
