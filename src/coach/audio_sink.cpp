#include "coach/audio_sink.h"

#include <filesystem>
#include <system_error>

#include "core/services.h"

namespace zh {

AudioHandle NullAudioSink::Open(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return 0;
  if (++next_ <= 0) next_ = 1;
  open_ = next_;
  return open_;
}

bool NullAudioSink::Start(AudioHandle handle) {
  if (handle == 0 || handle != open_) return false;
  PostFinished(handle, true);
  return true;
}

void NullAudioSink::Stop(AudioHandle handle) {
  if (handle == 0 || handle != open_) return;
  PostFinished(handle, false);
}

void NullAudioSink::Close(AudioHandle handle) {
  if (handle == open_) open_ = 0;
}

void NullAudioSink::PostFinished(AudioHandle handle, bool ok) {
  std::weak_ptr<int> alive = alive_;
  Poster().Post([this, alive, handle, ok] {
    if (!alive.expired() && handle == open_) Finished(handle, ok);
  });
}

}  // namespace zh
