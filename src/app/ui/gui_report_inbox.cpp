#include "app/ui/gui_report_inbox.h"

#include <QMetaObject>

namespace zh {

GuiReportInbox::GuiReportInbox()
    : inbox_([this] {
        QMetaObject::invokeMethod(this, [this] { inbox_.Drain(); }, Qt::QueuedConnection);
      }) {}

}  // namespace zh
