#include "app/ui/symbol_edit.h"

#include <QKeyEvent>

#include "app/symbol_keys.h"
#include "app/ui/key_map.h"
#include "core/toolbox/code_pages.h"

namespace zh {

QString SymbolForKey(const QKeyEvent& event) {
  const uint8_t byte = SymbolOfKey(ToKeyCode(event.key(), event.modifiers()));
  if (!byte) return {};
  const char32_t code = kDisplayToUnicode[byte];
  return QString::fromUcs4(&code, 1);
}

void TQEdit::keyPressEvent(QKeyEvent* event) {
  const QString symbol = SymbolForKey(*event);
  if (symbol.isEmpty()) return QLineEdit::keyPressEvent(event);
  insert(symbol);
}

void TQMultiLineEdit::keyPressEvent(QKeyEvent* event) {
  const QString symbol = SymbolForKey(*event);
  if (symbol.isEmpty()) return QPlainTextEdit::keyPressEvent(event);
  insertPlainText(symbol);
}

}  // namespace zh
