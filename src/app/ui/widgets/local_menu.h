// A popup menu that remembers the id of the item chosen last (0 until one is).
#pragma once

#include <QMenu>

namespace zh {

class LocalMenu : public QMenu {
  Q_OBJECT

 public:
  explicit LocalMenu(QWidget* parent = nullptr);
  // Adds an item with its id.
  QAction* AddItem(int id, const QString& text);
  int SelectedId() const { return selected_; }

 private:
  int selected_ = 0;
};

}  // namespace zh
