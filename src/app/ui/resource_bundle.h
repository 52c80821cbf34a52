// The program's resource bundle "zkres32.rcc" in the data folder: bitmaps, icons and
// texts by resource id. The program does not start without it.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <string>

namespace zh {

class ResourceBundle {
 public:
  static constexpr const char* kFileName = "zkres32.rcc";
  // The text shown when the bundle is missing or unreadable.
  static constexpr const char* kMissingText = "ZKRES32.DLL not found";

  ResourceBundle() = default;
  ~ResourceBundle() { Unload(); }
  ResourceBundle(const ResourceBundle&) = delete;
  ResourceBundle& operator=(const ResourceBundle&) = delete;

  // Registers "<dataFolder>/zkres32.rcc"; false when it is missing or unreadable.
  bool Load(const std::string& dataFolder);
  void Unload();
  bool IsLoaded() const { return !path_.isEmpty(); }

 private:
  QString path_;
};

// Items by resource id; a missing id gives an empty item and a log line.
QPixmap ResourceBitmap(int id);
QIcon ResourceIcon(int id);
QString ResourceText(int id);

}  // namespace zh
