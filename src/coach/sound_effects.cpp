#include "coach/sound_effects.h"

#include <array>
#include <filesystem>
#include <system_error>

#include "core/rules/board.h"
#include "core/services.h"

namespace zh {

namespace {

constexpr uint16_t kSpokenMoveFlags = kTalkAppend;
constexpr int16_t kSpokenMoveCapacity = 10;
constexpr int kLongNotation = 4;

constexpr std::array<const char*, 4> kMoveSounds = {"move.wav", "move2.wav", "move3.wav",
                                                    "move4.wav"};
constexpr std::array<const char*, 3> kMoveHitSounds = {"movehit1.wav", "movehit2.wav",
                                                       "movehit3.wav"};
constexpr std::array<const char*, 3> kCaptureSounds = {"capture.wav", "capture2.wav",
                                                       "capture3.wav"};
constexpr std::array<const char*, 3> kCaptureHitSounds = {"caphit1.wav", "caphit2.wav",
                                                          "caphit3.wav"};

std::string PieceFragment(int piece) {
  static constexpr char kLetters[] = " KQNBRP ";
  return std::string(1, kLetters[TypeOf(piece)]) + "a";
}

std::string SquareFragment(int square, bool from) {
  std::string name;
  name += static_cast<char>('a' + FileOf(square & 63));
  name += static_cast<char>('1' + RankOf(square & 63));
  if (from) name += "_lv";
  return name;
}

bool IsFolder(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_directory(path, ec);
}

template <size_t N>
const char* Pick(const std::array<const char*, N>& names) {
  return names[Random().Next() % N];
}

}  // namespace

std::vector<std::string> SpokenMoveFragments(const Move& move, bool longForm, int notaType) {
  if (move.kind & kCastleBits) {
    const bool longCastle = (move.kind & (kWhiteLongCastle | kBlackLongCastle)) != 0;
    return {longCastle ? "000" : "00"};
  }
  std::vector<std::string> names;
  names.push_back(PieceFragment(move.piece));
  if (longForm || notaType == kLongNotation) names.push_back(SquareFragment(move.from, true));
  if (move.captured != 0) {
    names.push_back("takes");
    if (notaType == kLongNotation) names.push_back(PieceFragment(move.captured));
  }
  names.push_back(SquareFragment(move.to, false));
  return names;
}

SoundEffects::SoundEffects(AudioSink& sink, SoundManager* manager, SoundSetup folders)
    : sink_(sink), manager_(manager), folders_(std::move(folders)) {
  boardFolder_ = Resolve(folders_.soundsFolder + "/board");
}

SoundEffects::~SoundEffects() { sink_.StopEffect(); }

std::string SoundEffects::Resolve(const std::string& path) const {
  return folders_.resolve ? folders_.resolve(path) : path;
}

void SoundEffects::Play(const std::string& path, bool loop) {
  if (!on) return;
  sink_.StopEffect();
  if (loop)
    sink_.PlayLoop(path);
  else
    sink_.PlayOnce(path);
}

void SoundEffects::Stop() {
  if (!on) return;
  sink_.StopEffect();
  if (manager_) manager_->StopIfPlaying();
}

void SoundEffects::PlayBoard(const char* name, bool loop) {
  if (!on) return;
  Play(Resolve(boardFolder_ + "/" + name), loop);
}

void SoundEffects::PlayNewGame() { PlayBoard("newgame.wav", false); }

void SoundEffects::PlayMove() {
  if (!on) return;
  PlayBoard(hitSet ? Pick(kMoveHitSounds) : Pick(kMoveSounds), false);
}

void SoundEffects::PlayCapture() {
  if (!on) return;
  PlayBoard(hitSet ? Pick(kCaptureHitSounds) : Pick(kCaptureSounds), false);
}

void SoundEffects::PlayTick() { PlayBoard("tick.wav", true); }

bool SoundEffects::HasSpokenNotation() const {
  return IsFolder(Resolve(folders_.soundsFolder + "/English/notation")) ||
         IsFolder(Resolve(folders_.soundsFolder + "/Deutsch/notation"));
}

std::string SoundEffects::NotationFolder() const {
  const std::string language = folders_.languageFolder ? folders_.languageFolder() : "English";
  const std::string own = Resolve(folders_.soundsFolder + "/" + language + "/notation");
  if (IsFolder(own)) return own;
  return Resolve(folders_.soundsFolder + "/English/notation");
}

std::vector<std::string> SoundEffects::MoveFragments(const Move& move, bool longForm) const {
  const std::string folder = NotationFolder();
  std::vector<std::string> paths;
  for (const std::string& name : SpokenMoveFragments(move, longForm, folders_.notaType ? folders_.notaType() : 0))
    paths.push_back(Resolve(folder + "/" + name + ".wav"));
  return paths;
}

void SoundEffects::SpeakMove(const Move& move, bool longForm) {
  if (!manager_) return;
  TalkItem item(kSpokenMoveCapacity, kSpokenMoveFlags);
  for (const std::string& path : MoveFragments(move, longForm)) item.Add(path);
  manager_->QueueTalk(item);
}

}  // namespace zh
