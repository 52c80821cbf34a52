// The one open and save dialog of the program, over QFileDialog (the platform's own
// where its theme offers one, else Qt's), and the centring of windows.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/services.h"

class QWidget;

namespace zh {

class FileDialog {
 public:
  // Style: FileDialogRequest's bits (2 in the low 16 bits: save).
  FileDialog(QWidget* parent, int32_t style);

  // The proposed name, cut at 2,000 characters.
  void SetFileName(std::string_view text);
  void AddFilter(std::string description, std::string pattern);
  void SetInitialDir(std::string_view text);
  void SetDefaultExtension(std::string text) { defaultExtension_ = std::move(text); }
  void SetTitle(std::string text) { title_ = std::move(text); }

  // Runs the dialog; true when the user chose a file.
  bool Execute();

  const std::string& GetFileName() const { return fileName_; }
  // The chosen path with the default extension when its name has none.
  std::string GetPath() const;
  // The pattern of the chosen filter as it was added; empty without one.
  std::string GetFilterPattern() const;
  int32_t GetFilterIndex() const { return filterIndex_; }
  bool SelectionChanged() const { return selectionChanged_; }

  // The request and answer of the dialog service.
  static FileDialogAnswer Run(QWidget* parent, const FileDialogRequest& request);

 private:
  QWidget* parent_;
  int32_t style_;
  std::string title_;
  std::string fileName_;
  std::string initialDir_;
  std::string defaultExtension_;
  std::vector<std::pair<std::string, std::string>> filters_;
  int32_t filterIndex_ = 0;
  bool selectionChanged_ = false;
};

// Where a window of `size` goes when centred over `reference` on a screen of
// `screen`, kept on the screen and never left of or above 0.
QPoint CentredPosition(QSize size, QRect reference, QSize screen);
// Centres the window over the reference window, or over the screen without one;
// true when it moved.
bool CentreWindow(QWidget* window, QWidget* reference);
bool CentreParentOverGrandparent(QWidget* window);

}  // namespace zh
