// The two work windows (game window and database window) as children of the main
// frame. Until their subsystems supply them, they are plain windows that keep what
// the shell sets on them.
#pragma once

#include <QWidget>
#include <string>

#include "app/shell_hooks.h"

namespace zh {

class WorkWindowFrame final : public QWidget, public WorkWindow {
 public:
  WorkWindowFrame(QWidget* frame, const QString& caption);

  void Repaint() override { update(); }
  void OnProcessStart() override { processRunning = true; }
  void OnProcessEnd() override { processRunning = false; }
  void SetTitle(std::string_view title) override { jobTitle.assign(title); }
  void ShowStatusText(std::string_view text) override { statusText.assign(text); }
  void RefreshIfShowing(std::string_view database) override { refreshedDatabase.assign(database); }

  bool processRunning = false;
  bool refreshOnActivate = false;
  uint8_t workFlag = 0;
  std::string jobTitle;
  std::string statusText;
  std::string refreshedDatabase;

 protected:
  // Closing a work window closes the program through the main frame.
  void closeEvent(QCloseEvent* event) override;
};

}  // namespace zh
