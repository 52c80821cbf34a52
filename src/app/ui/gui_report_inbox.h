// The report inbox woken on the GUI thread: a report posted on any thread is
// dispatched by the GUI thread's event loop.
#pragma once

#include <QObject>

#include "app/report_inbox.h"

namespace zh {

class GuiReportInbox final : public QObject {
 public:
  GuiReportInbox();
  ReportInbox& Inbox() { return inbox_; }

 private:
  ReportInbox inbox_;
};

}  // namespace zh
