#include "app/ui/key_map.h"

#include <gtest/gtest.h>

#include "app/gui_tables.h"

namespace zh {
namespace {

TEST(KeyMap, QtKeysAndCodesRoundTrip) {
  struct Case {
    int qt;
    Qt::KeyboardModifiers mods;
    int code;
  };
  const Case cases[] = {
      {Qt::Key_5, Qt::NoModifier, 261},
      {Qt::Key_H, Qt::ControlModifier | Qt::AltModifier, 0x6207},
      {Qt::Key_F3, Qt::ShiftModifier, 770 | key::kShift},
      {Qt::Key_Down, Qt::NoModifier, 1024},
      {Qt::Key_Escape, Qt::NoModifier, 1281},
      {Qt::Key_Backspace, Qt::NoModifier, 1283},
      {Qt::Key_Space, Qt::NoModifier, 1284},
      {Qt::Key_Delete, Qt::ControlModifier, key::kDelete | key::kCtrl},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ToKeyCode(c.qt, c.mods), c.code) << c.qt;
    EXPECT_EQ(ToQtKey(c.code), c.qt) << c.code;
  }
  EXPECT_EQ(ToKeyCode(Qt::Key_Enter, Qt::NoModifier), key::kReturn);
  EXPECT_EQ(ToKeyCode(Qt::Key_Launch0, Qt::NoModifier), 0);
  EXPECT_EQ(ToQtKey(0x0FFF), 0);
}

}  // namespace
}  // namespace zh
