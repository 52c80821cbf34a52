#include "app/ui/feedback_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "app/gui_tables.h"
#include "app/long_jobs.h"
#include "app/message_ids.h"

namespace zh {
namespace {

constexpr int kRunningColour = 12;
constexpr int kFinishedColour = 2;
constexpr int kFontPixels = 14;

QString ToQt(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

uint64_t Count(int64_t n) { return n < 0 ? 0 : static_cast<uint64_t>(n); }

}  // namespace

// ---- RangeWindow ----

RangeWindow::RangeWindow(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void RangeWindow::SetFillColour(int colour) {
  fillColour_ = colour;
  update();
}

void RangeWindow::SetProgress(uint64_t range, uint64_t value) {
  range_ = range == 0 ? 1 : range;
  previous_ = value_;
  value_ = value;
  const int64_t from = std::max<int64_t>(FeedbackFillEdge(width(), previous_, range_) + 1, 0);
  repaint(QRect(static_cast<int>(std::min<int64_t>(from, width())), 0, width(), height()));
}

void RangeWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int64_t edge = FeedbackFillEdge(width(), std::min(value_, range_), range_);
  if (edge < 0) return;  // nothing done yet
  painter.fillRect(QRect(0, 0, static_cast<int>(edge) + 1, height()), NamedQColor(fillColour_));
}

// ---- FeedBackDialog ----

FeedBackDialog::FeedBackDialog(QWidget* parent, uint64_t total, bool centred, const QString& fontFace,
                               std::function<void()> onStop)
    : QDialog(parent),
      heading_(new QLabel(this)),
      bar_(new RangeWindow(this)),
      frame_(2, QRect(), false),
      stop_(new QPushButton(this)),
      percent_(new QLabel(this)),
      count_(new QLabel(this)),
      remaining_(new QLabel(this)),
      found_(new QLabel(this)),
      onStop_(std::move(onStop)) {
  setModal(false);
  meter_.Restart(total, Clock().TicksMs());
  heading_->setAlignment(Qt::AlignCenter);
  percent_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  count_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  remaining_->setAlignment(Qt::AlignCenter);
  found_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  Step(0);
  stop_->setText(ToQt(GetMessageText(msg::M_FEEDBACK_STOP)));
  connect(stop_, &QPushButton::clicked, this, &FeedBackDialog::OnStop);
  stop_->setDefault(true);
  resize(kWidth, kHeight);
  if (centred) {
    QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const int screenWidth = screen ? screen->size().width() : kWidth;
    move((screenWidth - kWidth) / 2, 20);
  }
  QFont font(ToQt(DisplayFace(fontFace.toStdString())));
  font.setPixelSize(kFontPixels);
  for (QLabel* label : {heading_, percent_, count_, remaining_, found_}) label->setFont(font);
}

void FeedBackDialog::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  const int w = width(), h = height();
  heading_->setGeometry((w - 300) / 2, 10, 300, 19);
  frame_.SetRect(QRect(20, 39, w - 40, 40));
  bar_->setGeometry(frame_.Inner());
  remaining_->setGeometry((w - 96) / 2, 89, 96, 19);
  count_->setGeometry(20, 89, 100, 19);
  percent_->setGeometry(w - 75, 89, 45, 19);
  stop_->setGeometry((w - 90) / 2, h - 40, 90, 30);
  found_->setGeometry(20, h - 40, 100, 19);
}

void FeedBackDialog::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  QPainter painter(this);
  frame_.Draw(painter);
}

void FeedBackDialog::Restart(uint64_t total) {
  meter_.Restart(total, Clock().TicksMs());
  found_->clear();
  count_->clear();
  remaining_->clear();
  bar_->SetFillColour(kRunningColour);
  bar_->SetProgress(total, 0);
}

void FeedBackDialog::Step(uint64_t n) {
  count_->setText(QStringLiteral("n=%1").arg(n));
  const uint64_t total = meter_.Total() == 0 ? 1 : meter_.Total();
  percent_->setText(QStringLiteral("%1%").arg(FeedbackPercent(n, total)));
  bar_->SetProgress(total, n);
  if (auto text = meter_.Step(n, Clock().TicksMs())) remaining_->setText(QString::fromStdString(*text));
}

void FeedBackDialog::Fill() {
  Step(meter_.Total() == 0 ? 1 : meter_.Total());
  bar_->SetFillColour(kFinishedColour);
  bar_->repaint();
}

void FeedBackDialog::SetCount(int64_t count) { found_->setText(QStringLiteral("f=%1").arg(count)); }

void FeedBackDialog::SetHeading(const QString& text) { heading_->setText(text); }

void FeedBackDialog::OnStop() {
  if (onStop_) onStop_();
  mayClose_ = true;
  hide();
}

void FeedBackDialog::reject() {
  if (mayClose_) QDialog::reject();
}

void FeedBackDialog::closeEvent(QCloseEvent* event) {
  if (mayClose_)
    event->accept();
  else
    event->ignore();
}

// ---- FeedbackService ----

FeedbackService::FeedbackService(Hooks hooks, LongJobs* jobs, QString fontFace)
    : hooks_(std::move(hooks)), jobs_(jobs), fontFace_(std::move(fontFace)) {}

FeedbackService::~FeedbackService() { Close(); }

void FeedbackService::Replace(QWidget* parent, uint64_t total, bool centred) {
  Close();
  dialog_ = new FeedBackDialog(parent, total, centred, fontFace_, [this] {
    if (jobs_ && jobs_->IsProcessRunning()) jobs_->StopProcess();
    stopped_ = true;
  });
  dialog_->show();
  dialog_->StopButton().setFocus();
  dialog_->SetMayClose(false);
}

void FeedbackService::Open() {
  heading_ = 0;
  stopped_ = false;
  Replace(hooks_.appWindow ? hooks_.appWindow() : nullptr, 1, false);
}

void FeedbackService::OpenFeedback(int64_t total, bool centred) {
  Replace(hooks_.workWindow ? hooks_.workWindow() : nullptr, Count(total), centred);
}

bool FeedbackService::CentreFeedback() { return hooks_.dbWindowCurrent && hooks_.dbWindowCurrent(); }

void FeedbackService::SetTitle(std::string_view title) {
  if (dialog_) dialog_->setWindowTitle(ToQt(title));
}

void FeedbackService::AddLine(std::string_view text, int64_t count) {
  stopped_ = false;
  if (!dialog_) return;
  ++heading_;
  dialog_->SetHeading(QString::number(heading_) + QStringLiteral(". ") + ToQt(text));
  dialog_->Restart(Count(count));
}

void FeedbackService::SetCount(int64_t count) {
  if (dialog_) dialog_->SetCount(count);
}

void FeedbackService::Step(int64_t n) {
  if (dialog_) dialog_->Step(Count(n));
}

bool FeedbackService::PollFeedback() {
  if (!dialog_) return stopped_;
  dialog_->Fill();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  return stopped_;
}

void FeedbackService::Close() {
  if (!dialog_) return;
  dialog_->SetMayClose(true);
  dialog_->close();
  delete dialog_.data();
}

}  // namespace zh
