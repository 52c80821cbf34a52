#include "coach/ui/qt_audio_sink.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QUrl>
#include <filesystem>
#include <system_error>

#include "app/message_ids.h"
#include "core/services.h"

namespace zh {

namespace {
QUrl FileUrl(const std::string& path) { return QUrl::fromLocalFile(QString::fromStdString(path)); }
}  // namespace

QtAudioSink::QtAudioSink()
    : output_(std::make_unique<QAudioOutput>()), player_(std::make_unique<QMediaPlayer>()) {
  player_->setAudioOutput(output_.get());
  connect(player_.get(), &QMediaPlayer::mediaStatusChanged, this,
          [this](QMediaPlayer::MediaStatus status) {
            if (status == QMediaPlayer::EndOfMedia) Report(true);
            if (status == QMediaPlayer::InvalidMedia) Report(false);
          });
  connect(player_.get(), &QMediaPlayer::errorOccurred, this,
          [this](QMediaPlayer::Error error, const QString&) {
            if (error != QMediaPlayer::NoError) Report(false);
          });
}

QtAudioSink::~QtAudioSink() {
  open_ = 0;
  player_->disconnect(this);
  player_->stop();
  effect_.stop();
}

void QtAudioSink::PlayEffect(const std::string& path, int loops) {
  effect_.stop();
  std::error_code ec;
  // A missing board sound stays silent.
  if (!std::filesystem::is_regular_file(path, ec)) return;
  effect_.setSource(FileUrl(path));
  effect_.setLoopCount(loops);
  effect_.play();
}

void QtAudioSink::PlayOnce(const std::string& path) { PlayEffect(path, 1); }

void QtAudioSink::PlayLoop(const std::string& path) { PlayEffect(path, QSoundEffect::Infinite); }

void QtAudioSink::StopEffect() { effect_.stop(); }

AudioHandle QtAudioSink::Open(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return 0;
  if (open_ != 0) Close(open_);
  if (++next_ <= 0) next_ = 1;
  open_ = next_;
  reported_ = false;
  player_->setSource(FileUrl(path));
  return open_;
}

bool QtAudioSink::Start(AudioHandle handle) {
  if (handle == 0 || handle != open_) return false;
  player_->setPosition(0);
  player_->play();
  return true;
}

void QtAudioSink::Stop(AudioHandle handle) {
  if (handle == 0 || handle != open_) return;
  player_->stop();
  Report(false);
}

void QtAudioSink::Close(AudioHandle handle) {
  if (handle == 0 || handle != open_) return;
  open_ = 0;
  player_->stop();
  player_->setSource(QUrl());
}

void QtAudioSink::Report(bool ok) {
  if (open_ == 0 || reported_) return;
  reported_ = true;
  const AudioHandle handle = open_;
  // Never inside the caller: the end may start the next file.
  QMetaObject::invokeMethod(
      this,
      [this, handle, ok] {
        if (handle == open_) Finished(handle, ok);
      },
      Qt::QueuedConnection);
}

std::unique_ptr<AudioSink> MakeAudioSink() {
  if (QMediaDevices::audioOutputs().isEmpty()) {
    LogLine(GetMessageText(msg::M_NO_AUDIO_OUTPUT));
    return std::make_unique<NullAudioSink>();
  }
  return std::make_unique<QtAudioSink>();
}

}  // namespace zh
