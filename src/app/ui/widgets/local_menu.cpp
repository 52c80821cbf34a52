#include "app/ui/widgets/local_menu.h"

namespace zh {

LocalMenu::LocalMenu(QWidget* parent) : QMenu(parent) {
  connect(this, &QMenu::triggered, this, [this](QAction* action) {
    bool ok = false;
    int id = action->data().toInt(&ok);
    if (ok && id != 0) selected_ = id;
  });
}

QAction* LocalMenu::AddItem(int id, const QString& text) {
  QAction* action = addAction(QString(text).replace('~', '&'));
  action->setData(id);
  return action;
}

}  // namespace zh
