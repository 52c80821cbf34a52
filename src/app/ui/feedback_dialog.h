// The progress dialog of long jobs and the progress service over it: a heading, a
// bar, "n=", the percentage, the remaining time, "f=" and Stop. Only Stop closes
// the dialog; it then stays the current dialog, stopped, until the job closes it.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

#include "app/feedback_meter.h"
#include "app/ui/widgets/frames.h"
#include "core/services.h"

class QLabel;
class QPushButton;

namespace zh {

class LongJobs;

// The bar: fills from the left to width * value / range in its fill colour.
class RangeWindow final : public QWidget {
  Q_OBJECT

 public:
  explicit RangeWindow(QWidget* parent);
  // Repaints at once from the previous fill edge to the right.
  void SetProgress(uint64_t range, uint64_t value);
  void SetFillColour(int colour);
  uint64_t Value() const { return value_; }
  uint64_t Range() const { return range_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  uint64_t range_ = 100;
  uint64_t value_ = 0;
  uint64_t previous_ = 0;
  int fillColour_ = 12;
};

class FeedBackDialog final : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kWidth = 470;
  static constexpr int kHeight = 200;

  // `onStop` runs when Stop is pressed, before the dialog hides.
  FeedBackDialog(QWidget* parent, uint64_t total, bool centred, const QString& fontFace,
                 std::function<void()> onStop);

  void Restart(uint64_t total);
  void Step(uint64_t n);
  void SetCount(int64_t count);
  void SetHeading(const QString& text);
  // Steps to the total and shows the bar in the finished colour.
  void Fill();
  void SetMayClose(bool on) { mayClose_ = on; }

  RangeWindow& Bar() const { return *bar_; }
  QPushButton& StopButton() const { return *stop_; }
  QLabel& Heading() const { return *heading_; }
  QLabel& Percent() const { return *percent_; }
  QLabel& Count() const { return *count_; }
  QLabel& Remaining() const { return *remaining_; }
  QLabel& Found() const { return *found_; }
  QRect BarFrame() const { return frame_.Rect(); }

 public slots:
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void OnStop();

  QLabel* heading_;
  RangeWindow* bar_;
  WindowFrame3D frame_;
  QPushButton* stop_;
  QLabel* percent_;
  QLabel* count_;
  QLabel* remaining_;
  QLabel* found_;
  bool mayClose_ = true;
  FeedbackMeter meter_;
  std::function<void()> onStop_;
};

// The progress service of the program: one dialog at a time, the heading counter
// and the stop flag.
class FeedbackService final : public ProgressService {
 public:
  // `workWindow` gives the parent of OpenFeedback dialogs, `appWindow` that of
  // Open; `dbWindowCurrent` tells whether the database window is current.
  struct Hooks {
    std::function<QWidget*()> workWindow;
    std::function<QWidget*()> appWindow;
    std::function<bool()> dbWindowCurrent;
  };

  FeedbackService(Hooks hooks, LongJobs* jobs, QString fontFace = QStringLiteral("Arial"));
  ~FeedbackService() override;

  void Open() override;
  void OpenFeedback(int64_t total, bool centred) override;
  bool CentreFeedback() override;
  void SetTitle(std::string_view title) override;
  void AddLine(std::string_view text, int64_t count) override;
  void SetCount(int64_t count) override;
  void Step(int64_t n) override;
  bool PollFeedback() override;
  bool IsFeedbackStopped() override { return stopped_; }
  void Close() override;

  FeedBackDialog* Current() const { return dialog_.data(); }
  int HeadingCounter() const { return heading_; }

 private:
  void Replace(QWidget* parent, uint64_t total, bool centred);

  Hooks hooks_;
  LongJobs* jobs_;
  QString fontFace_;
  // Owned; a parent window that goes first takes the dialog with it.
  QPointer<FeedBackDialog> dialog_;
  uint16_t heading_ = 0;
  bool stopped_ = false;
};

}  // namespace zh
