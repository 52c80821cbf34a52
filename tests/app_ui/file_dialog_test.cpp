#include "app/ui/file_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QAbstractItemView>
#include <QComboBox>
#include <QPointer>
#include <QCompleter>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>

#include "../app/temp_folder.h"
#include "app/callback_list.h"
#include "app/file_names.h"
#include "qt_app.h"

namespace zh {
namespace {

namespace fs = std::filesystem;

// Runs `drive` on the next file dialog that opens.
void DriveNextFileDialog(std::function<void(QFileDialog&)> drive) {
  QTimer::singleShot(0, [drive] {
    if (auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
      QPointer<QFileDialog> watched(d);
      drive(*d);
      // A dialog still open after the drive is a failure, not a hang.
      QTimer::singleShot(3000, [watched] {
        if (!watched || !watched->isVisible()) return;
        QWidget* modal = QApplication::activeModalWidget();
        ADD_FAILURE() << "file dialog still open; modal: "
                      << (modal ? modal->metaObject()->className() : "none");
        if (modal && modal != watched) modal->close();
        watched->reject();
      });
      return;
    }
    DriveNextFileDialog(drive);
  });
}

// Types `name` into the dialog's name field and presses Enter.
void TypeAndEnter(QFileDialog& d, const QString& name) {
  auto* edit = d.findChild<QLineEdit*>("fileNameEdit");
  ASSERT_NE(edit, nullptr);
  // Let the folder load first: its selection may still fill the field.
  QTest::qWait(100);
  edit->clear();
  QTest::keyClicks(edit, name);
  // The completer's list would take the Enter.
  if (QCompleter* completer = edit->completer(); completer && completer->popup()) completer->popup()->hide();
  QTest::keyClick(&d, Qt::Key_Return);

}

TEST(FileDialog, DefaultExtensionOnlyForANameWithoutOne) {
  test::TempFolder dir;
  fs::create_directories(dir / "my.db");
  struct Case {
    const char* folder;
    const char* typed;
    const char* expected;
  } cases[] = {
      {"", "games", "games.tqh"},
      {"", "games.pgn", "games.pgn"},
      {"my.db", "games", "my.db/games.tqh"},  // the folder's dot is no extension
  };
  for (const Case& c : cases) {
    FileDialog dialog(nullptr, FileDialogRequest::kSave);
    dialog.SetInitialDir(dir / c.folder);
    dialog.SetDefaultExtension("tqh");
    dialog.AddFilter("TQH files  (*.TQH)", "*.TQH");
    QString typed = c.typed;
    DriveNextFileDialog([typed](QFileDialog& d) { TypeAndEnter(d, typed); });
    ASSERT_TRUE(dialog.Execute()) << c.typed;
    EXPECT_EQ(dialog.GetPath(), dir / c.expected) << c.typed;
  }
}

TEST(FileDialog, ProposalIsCutButAChosenPathComesBackWhole) {
  FileDialog proposal(nullptr, 0);
  proposal.SetFileName(std::string(2500, 'a'));
  EXPECT_EQ(proposal.GetFileName().size(), 2000u);

  test::TempFolder dir;
  std::string deep = dir.path();
  while (deep.size() < 2800) deep += "/" + std::string(200, 'd');
  fs::create_directories(deep);
  std::string chosen = deep + "/" + std::string(3000 - deep.size() - 5, 'f') + ".tqh";
  ASSERT_EQ(chosen.size(), 3000u);
  FileDialog dialog(nullptr, FileDialogRequest::kSave);
  dialog.SetDefaultExtension("tqh");
  // The user walks into the deep folder, then types the name.
  QString folder = QString::fromStdString(deep);
  QString typed = QString::fromStdString(chosen.substr(deep.size() + 1));
  DriveNextFileDialog([folder, typed](QFileDialog& d) {
    d.setDirectory(folder);
    TypeAndEnter(d, typed);
  });
  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.GetPath(), chosen);
}

TEST(FileDialog, ChosenFilterSelectionFlagAndEscape) {
  test::TempFolder dir;
  dir.Write("a.pgn", "x");
  FileDialog dialog(nullptr, 0);
  dialog.SetInitialDir(dir.path());
  dialog.AddFilter("TQH files  (*.TQH)", "*.TQH");
  dialog.AddFilter("PGN files  (*.PGN)", "*.PGN");
  DriveNextFileDialog([](QFileDialog& d) {
    auto* types = d.findChild<QComboBox*>("fileTypeCombo");
    ASSERT_NE(types, nullptr);
    // Each filter shows both cases, so the lower-case file we write is listed.
    EXPECT_EQ(types->itemText(1), "PGN files (*.pgn *.PGN)");
    d.selectNameFilter(d.nameFilters().at(1));
    auto* view = d.findChild<QListView*>("listView");
    ASSERT_NE(view, nullptr);
    // The folder loads on another thread: wait for its one file (at most 10 s).
    for (int waited = 0; waited < 10000 && view->model()->rowCount(view->rootIndex()) == 0; waited += 20)
      QTest::qWait(20);
    ASSERT_GT(view->model()->rowCount(view->rootIndex()), 0);
    view->setCurrentIndex(view->model()->index(0, 0, view->rootIndex()));
    TypeAndEnter(d, "a.pgn");
  });
  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.GetPath(), dir / "a.pgn");
  EXPECT_EQ(dialog.GetFilterIndex(), 2);
  EXPECT_EQ(dialog.GetFilterPattern(), "*.PGN");
  EXPECT_TRUE(dialog.SelectionChanged());

  FileDialog cancelled(nullptr, 0);
  cancelled.SetInitialDir(dir.path());
  DriveNextFileDialog([](QFileDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); });
  EXPECT_FALSE(cancelled.Execute());
  EXPECT_EQ(cancelled.GetFilterPattern(), "");
  EXPECT_FALSE(cancelled.SelectionChanged());
}

TEST(FileDialog, ServiceRequestReachesTheDialog) {
  test::TempFolder dir;
  FileDialogRequest request;
  request.style = FileDialogRequest::kSave;
  request.initialDir = dir.path();
  request.fileName = "NEWBASE.TQH";
  request.filters = {{"Database (*.TQH)", "*.TQH"}, {"All", "*.TQH;*.TQF;*.PGN"}};
  std::string start = dir.path();
  DriveNextFileDialog([start](QFileDialog& d) {
    auto* edit = d.findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), "NEWBASE.TQH");
    EXPECT_EQ(fs::canonical(d.directory().absolutePath().toStdString()), fs::canonical(start));
    d.selectNameFilter(d.nameFilters().at(1));
    TypeAndEnter(d, "games");
  });
  FileDialogAnswer answer = FileDialog::Run(nullptr, request);
  ASSERT_TRUE(answer.ok);
  EXPECT_EQ(answer.path, dir / "games");
  EXPECT_EQ(answer.filterIndex, 2);
  EXPECT_EQ(answer.filterPattern, "*.TQH;*.TQF;*.PGN");
}

TEST(FileDialog, SaveOverAnExistingFileAsksUnlessTold) {
  test::TempFolder dir;
  dir.Write("old.tqh", "x");
  for (bool noPrompt : {false, true}) {
    FileDialog dialog(nullptr, FileDialogRequest::kSave | (noPrompt ? FileDialogRequest::kNoOverwritePrompt : 0));
    dialog.SetInitialDir(dir.path());
    auto asked = std::make_shared<bool>(false);
    DriveNextFileDialog([asked](QFileDialog& d) {
      // The question opens inside the Enter's key press, however late that comes on
      // a loaded machine: look for it until the file dialog is gone.
      QPointer<QFileDialog> watched(&d);
      auto poll = std::make_shared<std::function<void()>>();
      *poll = [asked, watched, poll] {
        if (!watched || !watched->isVisible()) {
          *poll = nullptr;
          return;
        }
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != watched) {
          *asked = true;
          QTest::keyClick(modal, Qt::Key_Escape);
          watched->reject();
          *poll = nullptr;
          return;
        }
        QTimer::singleShot(50, *poll);
      };
      QTimer::singleShot(50, *poll);
      TypeAndEnter(d, "old.tqh");
    });
    bool ok = dialog.Execute();
    EXPECT_EQ(*asked, !noPrompt);
    EXPECT_EQ(ok, noPrompt);
  }
}

TEST(FileNames, Rules) {
  struct Case {
    const char* path;
    const char* ext;
    const char* expected;
  } cases[] = {
      {"/u/games", "tqh", "/u/games.tqh"},
      {"/u/games", "*.cht", "/u/games.cht"},
      {"/u/games.pgn", "tqh", "/u/games.pgn"},
      {"/u/my.db/games", "tqh", "/u/my.db/games.tqh"},
      {"/u/games", "", "/u/games"},
      {"/u/games.", "tqh", "/u/games.tqh"},
  };
  for (const Case& c : cases) EXPECT_EQ(WithDefaultExtension(c.path, c.ext), c.expected) << c.path;
  EXPECT_EQ(BothCasePatterns("*.TQH;*.tqv"), "*.tqh *.TQH *.tqv *.TQV");
  EXPECT_EQ(BothCasePatterns("*.*"), "*");
  EXPECT_EQ(FilterLabel("TQH files  (*.TQH)"), "TQH files");
}

TEST(CentreWindow, Positions) {
  struct Case {
    QSize size;
    QRect reference;
    QSize screen;
    QPoint expected;
  } cases[] = {
      {{100, 50}, {0, 0, 800, 600}, {800, 600}, {350, 275}},
      {{100, 50}, {700, 500, 300, 300}, {800, 600}, {700, 550}},   // kept on screen
      {{100, 50}, {-200, -100, 100, 100}, {800, 600}, {0, 0}},     // never negative
      {{1000, 700}, {0, 0, 800, 600}, {800, 600}, {0, 0}},         // larger than the screen
  };
  for (const Case& c : cases) EXPECT_EQ(CentredPosition(c.size, c.reference, c.screen), c.expected);

  QWidget big;
  QSize screen = big.screen()->geometry().size();
  big.resize(screen.width() + 200, screen.height() + 200);
  ASSERT_TRUE(CentreWindow(&big, nullptr));
  EXPECT_EQ(big.pos(), QPoint(0, 0));
}

struct Counter {
  std::vector<std::pair<int, std::intptr_t>>* log;
  int id;
  int32_t Hit(std::intptr_t a) {
    log->emplace_back(id, a);
    return 0;
  }
};

TEST(CallbackList, Cases) {
  std::vector<std::pair<int, std::intptr_t>> log;
  std::vector<Counter> counters;
  for (int i = 0; i < 12; ++i) counters.push_back({&log, i});
  auto link = [&](int i) { return CallbackLink::Bind<Counter, &Counter::Hit>(&counters[static_cast<size_t>(i)]); };

  CallbackList list;
  list.Add(link(0));
  list.Add(link(1));
  list.Add(link(0));            // equal: not added again
  list.Add(CallbackLink());     // unset: held, never called
  EXPECT_EQ(list.Count(), 3);
  list.CallAll(7);
  EXPECT_EQ(log, (std::vector<std::pair<int, std::intptr_t>>{{0, 7}, {1, 7}}));

  EXPECT_TRUE(list.Remove(link(0)));
  EXPECT_FALSE(list.Remove(link(5)));
  log.clear();
  list.CallAll(1);
  EXPECT_EQ(log, (std::vector<std::pair<int, std::intptr_t>>{{1, 1}}));

  list.Clear();
  for (int i = 0; i < 12; ++i) list.Add(link(i));
  EXPECT_EQ(list.Count(), 10);  // the eleventh and twelfth are ignored
  log.clear();
  list.CallAll(0);
  ASSERT_EQ(log.size(), 10u);
  EXPECT_EQ(log.back().first, 9);
}

}  // namespace
}  // namespace zh
