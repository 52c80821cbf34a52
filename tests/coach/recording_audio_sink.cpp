#include "coach/recording_audio_sink.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace zh::test {

namespace {

uint32_t Le(const std::string& bytes, size_t at, int size) {
  uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i)
    value = value << 8 | static_cast<uint8_t>(bytes[at + static_cast<size_t>(i)]);
  return value;
}

void PutLe(std::string& out, uint32_t value, int size) {
  for (int i = 0; i < size; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
}

}  // namespace

bool ReadWave(const std::string& path, WaveData& wave, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return error = "cannot open " + path, false;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0)
    return error = path + ": no RIFF wave", false;
  bool haveFormat = false, haveData = false;
  size_t at = 12;
  while (at + 8 <= bytes.size()) {
    const std::string id = bytes.substr(at, 4);
    const uint32_t size = Le(bytes, at + 4, 4);
    // Some writers leave the data size open (0 or all ones): take the rest.
    const size_t body = at + 8;
    size_t length = size;
    if (id == "data" && (size == 0 || size > bytes.size() - body)) length = bytes.size() - body;
    if (length > bytes.size() - body) return error = path + ": chunk " + id + " past the end", false;
    if (id == "fmt ") {
      if (length < 16 || Le(bytes, body, 2) != 1) return error = path + ": not PCM", false;
      wave.channels = static_cast<uint16_t>(Le(bytes, body + 2, 2));
      wave.rate = Le(bytes, body + 4, 4);
      wave.bits = static_cast<uint16_t>(Le(bytes, body + 14, 2));
      haveFormat = true;
    } else if (id == "data") {
      wave.samples = bytes.substr(body, length);
      haveData = true;
    }
    at = body + length + (length & 1);
  }
  if (!haveFormat || !haveData) return error = path + ": format or data missing", false;
  return true;
}

void RecordingAudioSink::PlayOnce(const std::string& path) {
  calls.push_back("PlayOnce " + path);
  loopingEffect.clear();
}

void RecordingAudioSink::PlayLoop(const std::string& path) {
  calls.push_back("PlayLoop " + path);
  loopingEffect = path;
}

void RecordingAudioSink::StopEffect() {
  calls.push_back("StopEffect");
  loopingEffect.clear();
}

AudioHandle RecordingAudioSink::Open(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    calls.push_back("Open " + path + " = 0");
    return 0;
  }
  open_ = ++next_;
  calls.push_back("Open " + path + " = " + std::to_string(open_));
  openPath_ = path;
  return open_;
}

bool RecordingAudioSink::Start(AudioHandle handle) {
  calls.push_back("Start " + std::to_string(handle));
  if (startFails || handle != open_) return false;
  started.push_back(openPath_);
  return true;
}

void RecordingAudioSink::Stop(AudioHandle handle) { calls.push_back("Stop " + std::to_string(handle)); }

void RecordingAudioSink::Close(AudioHandle handle) {
  calls.push_back("Close " + std::to_string(handle));
  if (handle == open_) open_ = 0;
}

void RecordingAudioSink::Finish(bool ok, AudioHandle handle) {
  Finished(handle != 0 ? handle : open_, ok);
}

int RecordingAudioSink::FinishAll(int limit) {
  int finished = 0;
  while (open_ != 0 && finished < limit) {
    Finish(true);
    ++finished;
  }
  return finished;
}

bool RecordingAudioSink::JoinStarted(const std::string& target, std::string& error) const {
  WaveData joined;
  for (const std::string& path : started) {
    WaveData wave;
    if (!ReadWave(path, wave, error)) return false;
    if (joined.rate == 0) {
      joined.channels = wave.channels, joined.rate = wave.rate, joined.bits = wave.bits;
    } else if (wave.channels != joined.channels || wave.rate != joined.rate || wave.bits != joined.bits) {
      return error = path + ": format differs", false;
    }
    joined.samples += wave.samples;
  }
  if (joined.rate == 0) return error = "nothing started", false;
  std::string out = "RIFF";
  PutLe(out, static_cast<uint32_t>(36 + joined.samples.size()), 4);
  out += "WAVEfmt ";
  PutLe(out, 16, 4);
  PutLe(out, 1, 2);
  PutLe(out, joined.channels, 2);
  PutLe(out, joined.rate, 4);
  const uint32_t blockAlign = joined.channels * joined.bits / 8u;
  PutLe(out, joined.rate * blockAlign, 4);
  PutLe(out, blockAlign, 2);
  PutLe(out, joined.bits, 2);
  out += "data";
  PutLe(out, static_cast<uint32_t>(joined.samples.size()), 4);
  out += joined.samples;
  std::ofstream file(target, std::ios::binary | std::ios::trunc);
  file.write(out.data(), static_cast<std::streamsize>(out.size()));
  if (!file) return error = "cannot write " + target, false;
  return true;
}

}  // namespace zh::test
