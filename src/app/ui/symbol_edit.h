// The program's edit fields: key combinations of the symbol table (app/symbol_keys.h)
// insert chess symbols at the cursor in place of the selection; other keys edit as usual.
#pragma once

#include <QLineEdit>
#include <QPlainTextEdit>

namespace zh {

// The character a key event inserts; empty when the key is not a symbol key.
QString SymbolForKey(const QKeyEvent& event);

class TQEdit final : public QLineEdit {
  Q_OBJECT

 public:
  using QLineEdit::QLineEdit;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

class TQMultiLineEdit final : public QPlainTextEdit {
  Q_OBJECT

 public:
  using QPlainTextEdit::QPlainTextEdit;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace zh
