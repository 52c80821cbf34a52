#include "app/ui/overview_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "app/app_params.h"
#include "app/gui_tables.h"
#include "app/message_ids.h"
#include "app/overview_plies.h"
#include "app/shell_hooks.h"
#include "app/ui/zelko_app.h"
#include "board/ui/display_board_window.h"
#include "board/ui/piece_sets.h"
#include "core/rules/notation.h"
#include "database/database.h"
#include "database/game/game_cursor.h"
#include "database/game/game_item.h"

namespace zh {
namespace {
// The piece styles the button steps through.
int FollowingStyle(int style) { return style == 1 ? 0 : (style == 0 ? 2 : 1); }
}  // namespace

ModalDialogOVERVIEW::ModalDialogOVERVIEW(QWidget* parent, QSize mainSize, const GameCursor& cursor, int style)
    : ResourceDialog(kResourceId, kHelpId, parent), cursor_(cursor), style_(style & 3) {
  if (cursor.Game()) setWindowTitle(ToQString(FormatPlayerPair(*cursor.Game()).ToUtf8()));
  setAutoFillBackground(true);
  QPalette grey = palette();
  grey.setColor(QPalette::Window, QColor(192, 192, 192));
  setPalette(grey);
  setFixedSize(std::max(60, mainSize.width() - 30), std::max(60, mainSize.height() - 30));
  move(20, 40);
  auto* ok = new QPushButton(ToQString(GetMessageTextPlain(msg::M_OK)), this);
  auto* help = new QPushButton(tr("Help"), this);
  auto* pieces = new QPushButton(MenuText(GetMessageText(msg::M_BOARD_WORD)), this);
  ok->setDefault(true);
  Register(ControlKind::OkButton, 1, ok);
  Register(ControlKind::HelpButton, 1, help);
  Register(ControlKind::PushButton, 1, pieces);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(pieces, &QPushButton::clicked, this, &ModalDialogOVERVIEW::NextStyle);
  connect(help, &QPushButton::clicked, this, [this] { emit helpRequested(kHelpId); });
  // The buttons along the bottom, spaced evenly.
  const QPushButton* row[] = {ok, help, pieces};
  const int buttonWidth = 90, buttonHeight = 24;
  const int gap = (width() - 3 * buttonWidth) / 4;
  for (int i = 0; i < 3; ++i)
    const_cast<QPushButton*>(row[i])->setGeometry(gap + i * (buttonWidth + gap), height() - buttonHeight - 6,
                                                  buttonWidth, buttonHeight);
  Build();
  ok->setFocus();
}

void ModalDialogOVERVIEW::NextStyle() {
  style_ = FollowingStyle(style_);
  Build();
}

int32_t ModalDialogOVERVIEW::OnBoardClick(std::intptr_t window) {
  auto* board = reinterpret_cast<DisplayBoardWindow*>(window);
  const int index = board->Index();
  if (index >= 0 && index < static_cast<int>(plies_.size())) {
    chosen_ = plies_[static_cast<size_t>(index)];
    accept();
  }
  return 0;
}

void ModalDialogOVERVIEW::Build() {
  for (DisplayBoardWindow* b : boards_) delete b;
  for (QLabel* c : captions_) delete c;
  boards_.clear(), captions_.clear(), plies_.clear();
  PieceSets* sets = ThePieceSets();
  SharedPieceSet set = sets ? sets->GetSet(style_) : nullptr;
  if (!set || !cursor_.Game()) return;
  const int boardSide = 8 * set->GetSquareSize() + 2 * DisplayBoardWindow::kFrameWidth;
  const int areaHeight = height() - 36;  // above the buttons
  const OverviewGrid grid = OverviewGridFor(width(), areaHeight, boardSide, boardSide);
  const int gapX = std::max(0, (width() - grid.columns * boardSide) / (grid.columns + 1));
  const int gapY = std::max(0, (areaHeight - grid.rows * boardSide) / (grid.rows + 1));
  const int captionHeight = std::max(0, std::min(gapY - 5, 15));
  const int fontHeight = gapY < 14 ? 7 : (gapY < 23 ? gapY - 7 : 15);

  GameCursor replay = cursor_;
  replay.Rewind();
  const int n = replay.LineEnd();
  plies_ = OverviewPlies(n, grid.Count());

  QFont captionFont(ToQString(DisplayFace(ZelkoApp::Instance() && ZelkoApp::Instance()->App()
                                               ? ZelkoApp::Instance()->App()->fontNota.face
                                               : std::string())));
  captionFont.setBold(true);
  captionFont.setPixelSize(fontHeight);
  NotationFormatter formatter(&replay.GetStartRecord());
  size_t next = 0;
  for (int ply = 0; ply < n && next < plies_.size(); ++ply) {
    const Position before = replay.GetPosition();
    const GameMove* move = replay.GetMove(ply);
    if (!move) break;
    replay.Forward();
    // A board may be taken over by a later ply (the last board ends on the last one).
    while (next < plies_.size() && plies_[next] == ply) {
      const int i = static_cast<int>(next);
      const int column = i % grid.columns, row = i / grid.columns;
      auto* board = new DisplayBoardWindow(this, set, i);
      board->setGeometry(gapX + column * (boardSide + gapX), gapY + row * (boardSide + gapY), boardSide, boardSide);
      board->board = replay.GetPosition().board;
      board->clickLink = CallbackLink::Bind<ModalDialogOVERVIEW, &ModalDialogOVERVIEW::OnBoardClick>(this);
      board->show();
      std::string text = formatter.FormatMoveString(before, *move, ply).ToUtf8();
      if (ply == n - 1) text += " " + cursor_.Game()->header.GetGameResult().ToText().ToUtf8();
      auto* caption = new QLabel(ToQString(text), this);
      caption->setFont(captionFont);
      caption->setAlignment(Qt::AlignCenter);
      caption->setGeometry(board->x() - gapX / 2, board->y() + boardSide + 2, boardSide + gapX, captionHeight);
      caption->show();
      boards_.push_back(board);
      captions_.push_back(caption);
      ++next;
    }
  }
}

std::optional<int> RunOverviewDialog(QWidget* mainWindow, GameCursor& cursor) {
  const int style = ZelkoApp::Instance() && ZelkoApp::Instance()->App() ? ZelkoApp::Instance()->App()->overviewBoard : 1;
  ModalDialogOVERVIEW dialog(mainWindow, mainWindow ? mainWindow->size() : QSize(800, 600), cursor, style);
  dialog.Run();
  const std::optional<int> ply = dialog.ChosenPly();
  if (!ply) return ply;
  const TQGame* game = cursor.Game();
  Database* database = game ? game->database.get() : nullptr;
  if (database && game->number >= 1) {
    Game().LoadGame(database->GetFilePath(), game->number, *ply + 1);
    if (ZelkoApp* app = ZelkoApp::Instance()) app->ShowGameWindow();
  } else {
    cursor.GoToPly(*ply + 1);
  }
  return ply;
}

}  // namespace zh
