// The game overview: the game's positions as small boards; a click on one chooses it.
#pragma once

#include <optional>
#include <vector>

#include "app/ui/resource_dialog.h"

class QLabel;

namespace zh {

class DisplayBoardWindow;
class GameCursor;

class ModalDialogOVERVIEW final : public ResourceDialog {
  Q_OBJECT

 public:
  static constexpr int kResourceId = 408;
  static constexpr int kHelpId = 2035;

  // Sized from the main window (30 smaller, at (20, 40)); `style` the piece style.
  ModalDialogOVERVIEW(QWidget* parent, QSize mainSize, const GameCursor& cursor, int style);

  // The ply of the clicked board; nothing when no board was clicked.
  std::optional<int> ChosenPly() const { return chosen_; }
  const std::vector<DisplayBoardWindow*>& Boards() const { return boards_; }
  const std::vector<int>& Plies() const { return plies_; }
  QLabel* Caption(int index) const { return captions_[static_cast<size_t>(index)]; }
  int Style() const { return style_; }
  // The push button: piece style 1 -> 0 -> 2 -> 1.
  void NextStyle();

 private:
  int32_t OnBoardClick(std::intptr_t window);
  void Build();

  const GameCursor& cursor_;
  int style_;
  std::vector<DisplayBoardWindow*> boards_;
  std::vector<QLabel*> captions_;
  std::vector<int> plies_;
  std::optional<int> chosen_;
};

// Runs the overview over the main window; after a board was chosen the game goes to
// the position after that ply: loaded anew from its database, else on the cursor.
// The chosen ply, or nothing.
std::optional<int> RunOverviewDialog(QWidget* mainWindow, GameCursor& cursor);

}  // namespace zh
