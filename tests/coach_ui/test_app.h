// The one QApplication of these tests, made on first use.
#pragma once

#include <QApplication>

namespace zh::test {

inline QApplication& CoachTestApp() {
  static int argc = 1;
  static char name[] = "coach_ui_tests";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  return app;
}

}  // namespace zh::test
