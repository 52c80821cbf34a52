#include "qt_app.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <QWidget>

namespace zh::test {

QApplication& TestApp() {
  static int argc = 1;
  static char name[] = "zh_ui_tests";
  static char* argv[] = {name, nullptr};
  // Windows are tested off screen, also when the test runs outside ctest.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

void AnswerNextModal(const char* buttonText) {
  QString wanted = QString::fromUtf8(buttonText).remove('&');
  QTimer::singleShot(0, [wanted] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) {
      AnswerNextModal(wanted.toUtf8().constData());
      return;
    }
    for (QAbstractButton* b : modal->findChildren<QAbstractButton*>())
      if (b->text().remove('&') == wanted) {
        b->click();
        return;
      }
    ADD_FAILURE() << "no button " << wanted.toStdString();
  });
}

namespace {
class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { TestApp(); }
};
[[maybe_unused]] auto* const gEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);
}  // namespace

}  // namespace zh::test

// Fontconfig keeps caches for the life of the process; they are not ours to free.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
