#include "app/playing_params.h"

#include "app/shell_hooks.h"

namespace zh {
namespace {
constexpr const char* kGroup = "Playing";
}

PlayingParams::PlayingParams(PlaySettings* shared)
    : own_(shared == nullptr ? std::make_unique<PlaySettings>() : nullptr),
      play_(shared == nullptr ? own_.get() : shared) {}

std::vector<SettingField> PlayingParams::Fields() {
  return {
      {"Tutor", &tutor},
      {"ThreatenedSqs", &threatenedSqs},
      {"RecordTime", &recordTime},
      {"RecordEvals", &recordEvals},
      {"HintDepth", &hintDepth},
      {"BlunderThresh", &blunderThresh},
      {"NLines", &nLines},
      {"Conference", &conference},
      {"Friend", &play_->friendMode},
      {"Blitz", &play_->blitz},
      {"Tourn", &play_->tourn},
      {"MoveListTutor", &moveListTutor},
      {"FriendGames", &friendGames},
      {"FriendScore", &friendScore},
      {"SparringSignal", &sparringSignal},
      {"SparringLevel", &sparringLevel},
      {"CheckBook", &checkBook},
      {"SavedOnExit", &savedOnExit},
      {"ParamDisplay", &paramDisplay},
      {"ScrollInfo", &scrollInfo},
      {"ScrollNewMoves", &scrollNewMoves},
      {"VarBoard", &varBoard},
      {"Spy", &spy},
      {"Doubling", &doubling},
      {"Resign", &resign},
  };
}

void PlayingParams::LoadFrom(ProfileFile& file) {
  file.SelectGroup(kGroup);
  auto fields = Fields();
  LoadFields(file, fields);
  RestoreModeFlags();
  play_->friendLevel = GetFriendLevel();
}

void PlayingParams::SaveTo(ProfileFile& file) {
  play_->countClock = true;
  highPriority = false;
  StartGroup(file, kGroup);
  auto fields = Fields();
  SaveFields(file, fields);
}

void PlayingParams::RestoreModeFlags() {
  PlaySettings& p = *play_;
  p.startModes = {p.blitz, p.quizMode, p.tourn, p.friendMode};
}

void PlayingParams::KeepModeFlags() {
  PlaySettings& p = *play_;
  p.blitz = p.startModes.blitz;
  p.quizMode = p.startModes.fourth;
  p.tourn = p.startModes.tourn;
  p.friendMode = p.startModes.friendMode;
}

void PlayingParams::AddFriendResult(int code, bool finalIsMate) {
  ++friendGames;
  if (code == 1) {
    friendScore += 1;
    Coach().OnGameEnd(1);
  } else if (code == 34) {
    friendScore += 2;
    if (!finalIsMate) Coach().OnGameEnd(34);
  } else {
    Coach().OnGameEnd(33);
  }
  play_->friendLevel = GetFriendLevel();
}

int32_t PlayingParams::GetFriendLevel() const {
  const int32_t n = friendGames;
  if (n <= 0) return 0;
  const int64_t p = int64_t{friendScore} * 50 / n;  // score in percent
  int64_t level = (128 * p - 7000) / 10;
  if (n >= 5) return static_cast<int32_t>(level);
  level /= 6 - n;
  return static_cast<int32_t>(level < -300 ? -300 : level);
}

}  // namespace zh
