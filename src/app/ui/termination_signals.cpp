#include "app/ui/termination_signals.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace zh {
namespace {

// The handler only writes a byte; the GUI thread reads it through the notifier.
int gPipe[2] = {-1, -1};
struct sigaction gOldTerm {};
struct sigaction gOldInt {};

void OnSignal(int) {
  const char byte = 1;
  [[maybe_unused]] ssize_t written = write(gPipe[1], &byte, 1);
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> requested)
    : requested_(std::move(requested)) {
  if (gPipe[0] >= 0 || pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  notifier_ = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    char bytes[16];
    while (read(gPipe[0], bytes, sizeof bytes) > 0) {
    }
    if (requested_) requested_();
  });
  struct sigaction action {};
  action.sa_handler = &OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, &gOldTerm);
  sigaction(SIGINT, &action, &gOldInt);
}

TerminationSignals::~TerminationSignals() {
  if (!notifier_) return;
  sigaction(SIGTERM, &gOldTerm, nullptr);
  sigaction(SIGINT, &gOldInt, nullptr);
  delete notifier_;
  close(gPipe[0]);
  close(gPipe[1]);
  gPipe[0] = gPipe[1] = -1;
}

}  // namespace zh
