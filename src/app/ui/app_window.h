// The program's top-level frame: parent of the two work windows, shows the boot
// lines while the program starts, forwards focus and activation to the current work
// window and refuses to close before the event loop runs.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <vector>

namespace zh {

// What the frame asks of the application object.
class FrameOwner {
 public:
  virtual ~FrameOwner() = default;
  virtual bool IsLoopRunning() const = 0;
  // Closes engines and devices; runs once however often it is called.
  virtual void PrepareClose() = 0;
  virtual QWidget* CurrentWorkWindow() = 0;
  // The game window refreshes itself at its next activation.
  virtual void SetGameRefreshFlag() = 0;
  virtual int64_t PhysicalMemoryKb() = 0;
};

class AppWindow final : public QWidget {
 public:
  static constexpr const char* kTitle = "Zelko Home 2";
  static constexpr int kIconId = 8;
  static constexpr int kLeft = 40;
  static constexpr int kTop = 50;
  static constexpr int kLineStep = 30;

  struct BootLine {
    QString text;
    int height = 14;
    bool bold = false;
    bool operator==(const BootLine&) const = default;
  };

  explicit AppWindow(FrameOwner& owner);

  // Appends a line and shows it at once (start-up runs outside the event loop).
  void AddBootLine(const QString& text, int height, bool bold);
  const std::vector<BootLine>& BootLines() const { return lines_; }
  // The title, memory and blank lines; added once, at the first paint at the latest.
  void AddPaintLines();
  // Repaints now (the start-up's repaint of the frame).
  void RepaintNow();
  // The red gradient background, only for a display of exactly 256 colours.
  void PrepareBackground(int colourCount);
  bool HasGradient() const { return gradient_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  FrameOwner& owner_;
  std::vector<BootLine> lines_;
  bool paintLinesAdded_ = false;
  bool gradient_ = false;
};

}  // namespace zh
