// Translation between Qt key events and the program's key codes (app/gui_tables.h).
#pragma once

#include <Qt>

namespace zh {

// The program's key code with modifier bits; 0 for a key it has no code for.
int ToKeyCode(int qtKey, Qt::KeyboardModifiers modifiers);
// The Qt key of a code (modifier bits ignored); 0 for an unknown code.
int ToQtKey(int keyCode);

}  // namespace zh
