// Small pieces that other windows place: the language bar of the text window, the
// engine display's lamp, the animation window, the material display, the promotion
// dialog and the popup menus of annotation symbols.
#pragma once

#include <QDialog>
#include <QImage>
#include <QMenu>
#include <QPoint>
#include <QSize>
#include <QWidget>
#include <array>
#include <memory>
#include <vector>

#include "core/rules/board.h"
#include "core/services.h"

class QToolButton;
class QPushButton;

namespace zh {

class PieceBMPSet;
class PieceSets;

// True when position <= point <= position + size on both axes.
bool IsPointInRect(QPoint point, QPoint position, QSize size);

// One item per text language; the checked one is shown, marked ones hold text.
class LanguageToolBox final : public QWidget {
 public:
  static constexpr int kItems = 7;
  static constexpr std::array<int, kItems> kMarkedImages = {430, 431, 432, 434, 433, 435, 436};
  static constexpr std::array<int, kItems> kPlainImages = {420, 421, 422, 424, 423, 425, 426};

  explicit LanguageToolBox(QWidget* parent);
  void SetClickLink(CallbackLink link) { clickLink_ = link; }
  // The index (id - 1) of the item last clicked.
  int ClickedIndex() const { return clicked_; }
  void CheckLanguage(int index);
  // The checked item's id, -1 for none.
  int CheckedId() const { return checked_; }
  void SetLanguageMarked(bool marked, int index);
  // The resource bitmap that item `id` shows.
  int ImageOf(int id) const { return images_[static_cast<size_t>(id - 1)]; }
  QToolButton* Item(int id) const { return items_[static_cast<size_t>(id - 1)]; }

 private:
  void Click(int id);

  std::array<QToolButton*, kItems> items_{};
  std::array<int, kItems> images_{};
  int clicked_ = 0;
  int checked_ = -1;
  CallbackLink clickLink_;
};

// A lamp of four states in one of two image sets.
class Diod final : public QWidget {
 public:
  Diod(QWidget* parent, bool style);
  void SetState(int state);
  int State() const { return state_; }
  // The resource bitmap of a state in a set.
  static int ImageOf(int state, bool style);
  // How often an image was loaded (each change of state).
  int LoadCount() const { return loads_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool style_;
  bool set_ = false;
  int state_ = 0;
  int loads_ = 0;
  QImage image_;
};

// Up to six frames shown in turn every 20 ms while running; a still picture otherwise.
class AnimationWindow final : public QWidget {
 public:
  static constexpr int kMaxFrames = 6;
  static constexpr int kFrameMs = 20;

  explicit AnimationWindow(QWidget* parent);
  void AddFrame(const QImage& frame);
  void SetStill(const QImage& still) { still_ = still; }
  void Start();
  void Stop();
  bool IsRunning() const { return running_; }
  int FrameCount() const { return static_cast<int>(frames_.size()); }
  // The frame drawn last, -1 before the first.
  int ShownFrame() const { return shown_; }
  const QImage& Device() const { return device_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Tick();

  std::vector<QImage> frames_;
  QImage still_;
  QImage device_;
  int next_ = 0;
  int shown_ = -1;
  bool running_ = false;
  std::unique_ptr<Timer> timer_;
};

// The material balance: each side's surplus pieces in one row.
class MaterialDisplay final : public QWidget {
 public:
  MaterialDisplay(QWidget* parent, PieceSets& sets, int style);
  // The owner keeps it at the displayed position.
  Board& GetBoard() { return board_; }
  // Where each surplus piece is drawn: (x, y, piece type, colour) in drawing order.
  struct Placed {
    int x;
    int y;
    int type;
    int colour;
  };
  std::vector<Placed> Layout() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Board board_;
  PieceSets& sets_;
  int style_;
};

// Four buttons (queen, rook, bishop, knight); the dialog's result is the chosen
// piece code (2, 5, 4, 3), 0 for Escape.
class PromotionDialog final : public QDialog {
 public:
  static constexpr std::array<int, 4> kPieces = {2, 5, 4, 3};

  PromotionDialog(QWidget* parent, const PieceBMPSet& set, int colour);
  QPushButton* Button(int i) const { return buttons_[static_cast<size_t>(i)]; }
  // Button size and places from the square size.
  static QSize ButtonSize(int squareSize);
  static QPoint ButtonPosition(int squareSize, int i);
  static QSize ClientSize(int squareSize);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  std::array<QPushButton*, 4> buttons_{};
};

// The annotation-symbol menus; the id chosen is read after the menu closes.
class SymbolMenu : public QMenu {
 public:
  struct Item {
    int id;
    int symbol;     // symbol table index whose display text names the item
    int messageId;  // a message text in place of the symbol's, or 0
  };
  SymbolMenu(QWidget* parent, const std::vector<Item>& items);
  int Chosen() const { return chosen_; }
  // The item's action by id, or null.
  QAction* ItemAction(int id) const;

 private:
  int chosen_ = 0;
};

class MenuMARKS final : public SymbolMenu {
 public:
  static const std::vector<Item>& Items();
  explicit MenuMARKS(QWidget* parent) : SymbolMenu(parent, Items()) {}
};

class MenuEVALS final : public SymbolMenu {
 public:
  static const std::vector<Item>& Items();
  explicit MenuEVALS(QWidget* parent) : SymbolMenu(parent, Items()) {}
};

std::unique_ptr<MenuMARKS> NewMenuMARKS(QWidget* parent);
std::unique_ptr<MenuEVALS> NewMenuEVALS(QWidget* parent);

}  // namespace zh
