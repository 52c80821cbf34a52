#include "coach/music_player.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <vector>

#include "app/locations.h"
#include "app/message_ids.h"
#include "app/shell_hooks.h"

namespace zh {
namespace {

namespace fs = std::filesystem;

// How often each sub-folder of the composer folder is chosen: by random mod 10.
constexpr const char* kSubFolders[10] = {"toccatas", "partitas", "french", "english", "mix",
                                         "mix",      "organ",    "organ",  "Cantatas", "Cantatas"};
constexpr const char* kIntroFolder = "intros";
constexpr const char* kTestPiece = "guitars2.mid";
// The pause between the end of a piece and the next step of the rotation.
constexpr int32_t kNextPieceDelayMs = 10;

bool HasMidiExtension(const fs::path& path) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return ext == ".MID";
}

// The minute of the local time.
int CurrentMinute() {
  const std::time_t now = static_cast<std::time_t>(Clock().WallTime());
  std::tm local{};
  if (!localtime_r(&now, &local)) return 0;
  return local.tm_min;
}

}  // namespace

const char* ComposerSubFolder(uint32_t random) { return kSubFolders[random % 10]; }

MusicPlayer::MusicPlayer(MidiPlayer& player, std::string musicFolder)
    : player_(player), musicFolder_(std::move(musicFolder)) {
  available_ = player_.IsAvailable();
  composerFolder_ = Below(musicFolder_, kComposerFolder);
  nextPiece_ = Timers().MakeTimer([this] { Poll(); });
}

MusicPlayer::~MusicPlayer() {
  autoNext_ = false;
  nextPiece_.reset();
  player_.Close();
}

std::string MusicPlayer::Below(const std::string& folder, const std::string& name) const {
  const std::string path = JoinPath(folder, name);
  return FindPathIgnoringCase(path).value_or(path);
}

bool MusicPlayer::HasMusicFolder() const { return IsDirectory(musicFolder_); }

bool MusicPlayer::HasComposerFolder() const {
  return IsDirectory(Below(musicFolder_, kComposerFolder));
}

void MusicPlayer::ListMidiFiles(const std::string& folder, TalkItem& list) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (!it->is_regular_file(typeError) || !HasMidiExtension(it->path())) continue;
    names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  for (const std::string& name : names)
    if (!list.Add(JoinPath(folder, name))) break;
}

bool MusicPlayer::PlayFile(const std::string& path, bool showErrors) {
  player_.Close();
  if (auto error = player_.Open(path)) {
    if (showErrors) ErrorBox(GetMessageText(msg::M_MIDI_OPEN_ERROR) + "\n" + *error);
    return false;
  }
  if (auto error = player_.Play([this](bool ok) { OnPieceEnd(ok); })) {
    if (showErrors) ErrorBox(GetMessageText(msg::M_MIDI_PLAY_ERROR) + "\n" + *error);
    return false;
  }
  return true;
}

bool MusicPlayer::PlayIntro() {
  if (!available_) {
    ErrorBox(GetMessageText(msg::M_NO_MIDI_SEQUENCER));
    return false;
  }
  autoNext_ = false;
  PlayFile(Below(Below(musicFolder_, kIntroFolder), kTestPiece), true);
  return true;
}

bool MusicPlayer::PlayFromList(const TalkItem& list, uint32_t index) {
  // An empty folder leaves the music silent.
  if (list.Count() <= 0) return false;
  return PlayFile(list.At(static_cast<int>(index % static_cast<uint32_t>(list.Count()))), false);
}

void MusicPlayer::PlayRandomIntro() {
  autoNext_ = false;
  if (!available_) return;
  TalkItem list(kMaxMidiFiles, 0);
  ListMidiFiles(Below(musicFolder_, kIntroFolder), list);
  PlayFromList(list, static_cast<uint32_t>(CurrentMinute()));
}

void MusicPlayer::PlayRandomPiece() {
  autoNext_ = false;
  if (!available_) return;
  TalkItem list(kMaxMidiFiles, 0);
  ListMidiFiles(musicFolder_, list);
  if (list.Count() > 0) PlayFromList(list, Random().Next());
}

int MusicPlayer::Poll() {
  if (!available_ || player_.IsPlaying()) return 0;
  TalkItem list(kMaxMidiFiles, 0);
  ListMidiFiles(Below(composerFolder_, ComposerSubFolder(Random().Next())), list);
  autoNext_ = true;
  if (list.Count() <= 0) return 0;
  const uint32_t index = Random().Next() % static_cast<uint32_t>(list.Count());
  const std::string path = list.At(static_cast<int>(index));
  const bool playing = PlayFile(path, false);
  GameHost().ShowMessageLine(GetMessageText(msg::M_MUSIC_LABEL) + " " +
                             fs::path(path).stem().string());
  return playing ? 1 : 0;
}

void MusicPlayer::CloseAll() {
  autoNext_ = false;
  nextPiece_->Stop();
  if (available_) player_.Close();
}

void MusicPlayer::OnPieceEnd(bool ok) {
  if (ok && autoNext_) nextPiece_->Start(kNextPieceDelayMs);
}

}  // namespace zh
