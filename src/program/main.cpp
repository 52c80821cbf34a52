// The program ZelkoHome.
#include <QApplication>

#include "app/ui/zelko_app.h"

int main(int argc, char** argv) {
  QApplication qapp(argc, argv);
  QApplication::setApplicationDisplayName("Zelko Home 2");
  zh::ZelkoApp app;
  return app.Main(QApplication::arguments());
}
