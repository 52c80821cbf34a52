#include "app/ui/resource_bundle.h"

#include <QFile>
#include <QFileInfo>
#include <QResource>

#include "core/services.h"

namespace zh {
namespace {

// Items live under this root of the resource tree, one folder per kind.
QString ItemPath(const char* kind, int id, const char* extension) {
  return QStringLiteral(":/zkres/%1/%2.%3").arg(kind).arg(id).arg(extension);
}

bool Exists(const QString& path, const char* kind, int id) {
  if (QFileInfo::exists(path)) return true;
  LogLine("Resource " + std::string(kind) + " " + std::to_string(id) + " not found");
  return false;
}

}  // namespace

bool ResourceBundle::Load(const std::string& dataFolder) {
  Unload();
  QString path = QString::fromStdString(dataFolder) + '/' + kFileName;
  if (!QFileInfo(path).isFile() || !QResource::registerResource(path)) return false;
  path_ = path;
  return true;
}

void ResourceBundle::Unload() {
  if (path_.isEmpty()) return;
  QResource::unregisterResource(path_);
  path_.clear();
}

QPixmap ResourceBitmap(int id) {
  QString path = ItemPath("bitmap", id, "png");
  return Exists(path, "bitmap", id) ? QPixmap(path) : QPixmap();
}

QIcon ResourceIcon(int id) {
  QString path = ItemPath("icon", id, "png");
  return Exists(path, "icon", id) ? QIcon(path) : QIcon();
}

QString ResourceText(int id) {
  QString path = ItemPath("text", id, "txt");
  if (!Exists(path, "text", id)) return {};
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

}  // namespace zh
