// The program ZelkoHome.
#include <QApplication>

#include "app/shell_hooks.h"
#include "app/ui/zelko_app.h"
#include "coach/ui/sound_hooks.h"

int main(int argc, char** argv) {
  QApplication qapp(argc, argv);
  QApplication::setApplicationDisplayName("Zelko Home 2");
  zh::SoundHooks sound;
  zh::ShellHooks hooks;
  hooks.coach = &sound;
  zh::ScopedHooks installed(hooks);
  zh::ZelkoApp app;
  return app.Main(QApplication::arguments());
}
