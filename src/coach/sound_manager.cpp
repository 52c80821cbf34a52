#include "coach/sound_manager.h"

#include <filesystem>
#include <system_error>

namespace zh {

namespace {
constexpr const char* kSourcePath = "coach/sound_manager";
constexpr int kNormalPriority = 0;

bool FileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(path, ec);
}
}  // namespace

SoundManager::SoundManager(AudioSink& sink)
    : sink_(sink), queue_(std::make_unique<TalkItem>(kQueueCapacity, 0)) {
  sink_.SetFinishedHandler([this](AudioHandle handle, bool ok) { OnFinished(handle, ok); });
}

SoundManager::~SoundManager() { sink_.SetFinishedHandler(nullptr); }

void SoundManager::QueueTalk(const TalkItem& item) {
  if (!queue_) return;
  if (item.Count() > 1) {
    sink_.StopEffect();
    savedPriority_ = kNormalPriority;
    priorityLowered_ = true;
  }
  const uint16_t f = item.Flags();
  const uint16_t q = queue_->Flags();
  const bool replace = (f & (kTalkInterrupt | kTalkInterrupt2)) != 0 ||
                       ((q & kTalkOpenQueue) == 0 && (f & kTalkAppend) == 0);
  if (replace) {
    queue_->Assign(item);
    queue_->Seek(0);
    PlayNext();
    return;
  }
  queue_->Append(item);
  if (!playing_) PlayNext();
}

void SoundManager::PlayNext() {
  if (!queue_ || queue_->AtEnd()) {
    Close();
    return;
  }
  const std::string file = queue_->Next();
  if (!FileExists(file))
    ReportInconsistency("Sound: " + file + "\ndoesn't exist", kSourcePath, __LINE__);
  PlayWave(file, kPlayNextQueued);
}

void SoundManager::PlayWave(const std::string& path, uint32_t playFlags) {
  if (deviceId_ != 0) {
    sink_.Close(deviceId_);
    deviceId_ = 0;
    playing_ = false;
    playFlags_ = 0;
  }
  const AudioHandle handle = sink_.Open(path);
  if (handle == 0) {
    Close();
    return;
  }
  deviceId_ = handle;
  playFlags_ = playFlags;
  // Set before the start: a sink may report the end before Start returns.
  playing_ = true;
  if (!sink_.Start(handle) && deviceId_ == handle) Close();
}

void SoundManager::OnFinished(AudioHandle handle, bool ok) {
  if (handle == 0 || handle != deviceId_) return;
  if (!ok) {
    Close();
    return;
  }
  // Close clears the flags: act on the flags the play was made with.
  const uint32_t flags = playFlags_;
  playing_ = false;
  if (flags & kPlayCloseAfter) Close();
  if (flags & kPlayNextQueued) PlayNext();
  if (flags & kPlayTellOwner) {
    onFinished.Call(0);
    if (deviceId_ == handle) playFlags_ = 0;
  }
}

void SoundManager::Close() {
  if (deviceId_ != 0) sink_.Close(deviceId_);
  playFlags_ = 0;
  deviceId_ = 0;
  playing_ = false;
  if (queue_) queue_->Clear();
  if (priorityLowered_) priorityLowered_ = false;
}

void SoundManager::Stop() {
  if (deviceId_ != 0) sink_.Stop(deviceId_);
  sink_.StopEffect();
}

bool SoundManager::StopIfPlaying() {
  if (!playing_) return false;
  Stop();
  return true;
}

void SoundManager::StopAll() {
  StopIfPlaying();
  sink_.StopEffect();
  if (queue_) queue_->Clear();
}

void SoundManager::Shutdown() {
  if (deviceId_ != 0) {
    sink_.Stop(deviceId_);
    const uint64_t start = Clock().TicksMs();
    while (deviceId_ != 0 && Clock().TicksMs() - start < kShutdownWaitMs) Reschedule();
    if (deviceId_ != 0) Close();
  }
  sink_.StopEffect();
  queue_.reset();
}

}  // namespace zh
