#include "app/ui/key_map.h"

#include <array>

#include "app/gui_tables.h"

namespace zh {
namespace {

struct KeyPair {
  int code;
  int qt;
};

constexpr std::array<KeyPair, 24> kNamedKeys = {{
    {key::kDown, Qt::Key_Down},         {key::kUp, Qt::Key_Up},
    {key::kLeft, Qt::Key_Left},         {key::kRight, Qt::Key_Right},
    {key::kHome, Qt::Key_Home},         {key::kEnd, Qt::Key_End},
    {key::kPageUp, Qt::Key_PageUp},     {key::kPageDown, Qt::Key_PageDown},
    {key::kReturn, Qt::Key_Return},     {key::kEscape, Qt::Key_Escape},
    {key::kTab, Qt::Key_Tab},           {key::kBackspace, Qt::Key_Backspace},
    {key::kSpace, Qt::Key_Space},       {key::kInsert, Qt::Key_Insert},
    {key::kDelete, Qt::Key_Delete},     {key::kAdd, Qt::Key_Plus},
    {key::kSubtract, Qt::Key_Minus},    {key::kMultiply, Qt::Key_Asterisk},
    {key::kDivide, Qt::Key_Slash},      {key::kPoint, Qt::Key_Period},
    {key::kComma, Qt::Key_Comma},       {key::kLess, Qt::Key_Less},
    {key::kGreater, Qt::Key_Greater},   {key::kEqual, Qt::Key_Equal},
}};

int PlainCode(int qtKey) {
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return key::Digit(qtKey - Qt::Key_0);
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return key::kLetterA + (qtKey - Qt::Key_A);
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return key::Function(qtKey - Qt::Key_F1 + 1);
  if (qtKey == Qt::Key_Enter) return key::kReturn;
  for (const KeyPair& p : kNamedKeys)
    if (p.qt == qtKey) return p.code;
  return 0;
}

}  // namespace

int ToKeyCode(int qtKey, Qt::KeyboardModifiers modifiers) {
  int code = PlainCode(qtKey);
  if (code == 0) return 0;
  if (modifiers & Qt::ShiftModifier) code |= key::kShift;
  if (modifiers & Qt::ControlModifier) code |= key::kCtrl;
  if (modifiers & Qt::AltModifier) code |= key::kAlt;
  return code;
}

int ToQtKey(int keyCode) {
  int code = keyCode & key::kCodeMask;
  if (code >= key::kDigit0 && code <= key::Digit(9)) return Qt::Key_0 + (code - key::kDigit0);
  if (code >= key::kLetterA && code <= key::Letter('Z')) return Qt::Key_A + (code - key::kLetterA);
  if (code >= key::kF1 && code <= key::Function(24)) return Qt::Key_F1 + (code - key::kF1);
  for (const KeyPair& p : kNamedKeys)
    if (p.code == code) return p.qt;
  return 0;
}

}  // namespace zh
