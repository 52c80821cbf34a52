#include "coach/fluidsynth_player.h"

#include <fluidsynth.h>

#include <fstream>
#include <iterator>

#include "app/message_ids.h"

namespace zh {
namespace {

// Background pieces are small; a larger file is not taken for one.
constexpr size_t kMaxMidiBytes = 4 << 20;
// How often the player is asked whether the piece has ended.
constexpr int32_t kPollMs = 100;
// Tried in this order when no driver is named.
constexpr const char* kDrivers[] = {"pulseaudio", "alsa"};

uint32_t Big32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | b[at + 3];
}
uint16_t Big16(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint16_t>(b[at] << 8 | b[at + 1]);
}
bool ChunkIs(const std::vector<uint8_t>& b, size_t at, const char* id) {
  return b[at] == id[0] && b[at + 1] == id[1] && b[at + 2] == id[2] && b[at + 3] == id[3];
}

std::optional<std::vector<uint8_t>> ReadSmallFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<uint8_t> bytes;
  char buffer[4096];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    bytes.insert(bytes.end(), buffer, buffer + in.gcount());
    if (bytes.size() > kMaxMidiBytes) return std::nullopt;
  }
  if (in.bad()) return std::nullopt;
  return bytes;
}

// fluidsynth would write its errors, warnings and notes to the terminal; the
// player reports what went wrong itself.
void QuietLog() {
  static const bool quiet = [] {
    fluid_set_log_function(FLUID_ERR, nullptr, nullptr);
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
    fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
    return true;
  }();
  (void)quiet;
}

// The named driver, or the first of kDrivers that starts.
fluid_audio_driver_t* StartDriver(fluid_settings_t* settings, fluid_synth_t* synth,
                                  const std::string& named) {
  if (!named.empty()) {
    fluid_settings_setstr(settings, "audio.driver", named.c_str());
    return new_fluid_audio_driver(settings, synth);
  }
  for (const char* driver : kDrivers) {
    fluid_settings_setstr(settings, "audio.driver", driver);
    if (fluid_audio_driver_t* started = new_fluid_audio_driver(settings, synth)) return started;
  }
  return nullptr;
}

}  // namespace

std::optional<std::string> CheckMidiFile(const std::vector<uint8_t>& bytes) {
  const std::string bad = GetMessageText(msg::M_MIDI_NOT_SMF);
  if (bytes.size() < 14 || !ChunkIs(bytes, 0, "MThd")) return bad;
  const uint32_t headerLength = Big32(bytes, 4);
  const uint16_t format = Big16(bytes, 8);
  const uint16_t tracks = Big16(bytes, 10);
  const uint16_t division = Big16(bytes, 12);
  if (headerLength < 6 || headerLength > bytes.size() - 8) return bad;
  if (format > 2 || tracks == 0 || division == 0) return bad;
  size_t at = 8 + size_t{headerLength};
  for (uint16_t t = 0; t < tracks; ++t) {
    if (bytes.size() - at < 8 || !ChunkIs(bytes, at, "MTrk")) return bad;
    const uint32_t length = Big32(bytes, at + 4);
    if (length > bytes.size() - at - 8) return bad;
    at += 8 + size_t{length};
  }
  return std::nullopt;
}

FluidSynthPlayer::FluidSynthPlayer(FluidSynthOptions options) : options_(std::move(options)) {
  QuietLog();
  poll_ = Timers().MakeTimer([this] { CheckEnd(); });
}

FluidSynthPlayer::~FluidSynthPlayer() {
  done_ = nullptr;
  Close();
}

bool FluidSynthPlayer::OpenSynth() {
  settings_ = new_fluid_settings();
  if (!settings_) return false;
  if (!options_.fileName.empty())
    fluid_settings_setstr(settings_, "audio.file.name", options_.fileName.c_str());
  synth_ = new_fluid_synth(settings_);
  if (!synth_ || fluid_synth_sfload(synth_, options_.soundFont.c_str(), 1) == FLUID_FAILED) {
    CloseSynth();
    return false;
  }
  return true;
}

void FluidSynthPlayer::CloseSynth() {
  // The audio thread ends first; only then may the player and the synthesiser go.
  if (driver_) delete_fluid_audio_driver(driver_);
  if (player_) delete_fluid_player(player_);
  if (synth_) delete_fluid_synth(synth_);
  if (settings_) delete_fluid_settings(settings_);
  driver_ = nullptr, player_ = nullptr, synth_ = nullptr, settings_ = nullptr;
}

bool FluidSynthPlayer::IsAvailable() {
  if (player_) available_ = true;
  if (!available_) {
    // Only the soundfont's structure is read here, not its samples.
    settings_ = new_fluid_settings();
    bool ok = settings_ != nullptr;
    if (ok) {
      fluid_settings_setint(settings_, "synth.dynamic-sample-loading", 1);
      if (!options_.fileName.empty())
        fluid_settings_setstr(settings_, "audio.file.name", options_.fileName.c_str());
      synth_ = new_fluid_synth(settings_);
      ok = synth_ && fluid_synth_sfload(synth_, options_.soundFont.c_str(), 1) != FLUID_FAILED;
    }
    if (ok) driver_ = StartDriver(settings_, synth_, options_.driver);
    available_ = ok && driver_ != nullptr;
    CloseSynth();
  }
  return *available_;
}

std::optional<std::string> FluidSynthPlayer::Open(const std::string& path) {
  Close();
  const std::optional<std::vector<uint8_t>> bytes = ReadSmallFile(path);
  if (!bytes) return GetMessageText(msg::M_MIDI_CANNOT_READ);
  if (auto error = CheckMidiFile(*bytes)) return error;
  if (!OpenSynth()) return GetMessageText(msg::M_MIDI_NO_SYNTH);
  player_ = new_fluid_player(synth_);
  if (!player_ || fluid_player_add_mem(player_, bytes->data(), bytes->size()) != FLUID_OK) {
    CloseSynth();
    return GetMessageText(msg::M_MIDI_NOT_SMF);
  }
  driver_ = StartDriver(settings_, synth_, options_.driver);
  if (!driver_) {
    CloseSynth();
    return GetMessageText(msg::M_MIDI_NO_SYNTH);
  }
  return std::nullopt;
}

std::optional<std::string> FluidSynthPlayer::Play(Completion done) {
  if (!player_) return GetMessageText(msg::M_MIDI_NOTHING_OPEN);
  Stop();
  if (fluid_player_play(player_) != FLUID_OK) return GetMessageText(msg::M_MIDI_NO_SYNTH);
  done_ = std::move(done);
  playing_ = true;
  poll_->StartPeriodic(kPollMs);
  return std::nullopt;
}

void FluidSynthPlayer::CheckEnd() {
  if (!playing_ || !player_ || fluid_player_get_status(player_) != FLUID_PLAYER_DONE) return;
  playing_ = false;
  poll_->Stop();
  if (Completion done = std::move(done_)) done(true);
}

void FluidSynthPlayer::Stop() {
  if (!playing_) return;
  playing_ = false;
  poll_->Stop();
  fluid_player_stop(player_);
  if (Completion done = std::move(done_)) done(false);
}

void FluidSynthPlayer::Close() {
  Stop();
  CloseSynth();
}

}  // namespace zh
