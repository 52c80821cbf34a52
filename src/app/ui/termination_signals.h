// SIGTERM and SIGINT (session end, Ctrl+C in the terminal) close the program like
// the frame's close box, so settings are saved and engines released.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace zh {

class TerminationSignals final : public QObject {
 public:
  // `requested` runs on the GUI thread, once per signal received.
  explicit TerminationSignals(std::function<void()> requested);
  ~TerminationSignals() override;

 private:
  std::function<void()> requested_;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace zh
