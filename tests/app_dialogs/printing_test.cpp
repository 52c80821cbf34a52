// Printing into PDF files at 300 dpi, read back by poppler: pdftoppm at 72 dpi (one
// pixel a point) for the page's pixels, pdftotext -bbox for the words and their boxes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QSpinBox>
#include <QTimer>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>

#include "app/app_params.h"
#include "app/print/print_layout.h"
#include "app/ui/layout_dialog.h"
#include "app/ui/print_commands.h"
#include "app/ui/print_nota.h"
#include "app_ui/qt_app.h"
#include "database/game/annotation_set.h"
#include "database/game/game_item.h"
#include "database/game/move_tree.h"
#include "database/game_test_util.h"
#include "dialog_support.h"
#include "support/recording_services.h"

namespace zh {
namespace {

struct Word {
  double xMin, yMin, xMax, yMax;
  std::string text;
  int page;
};

std::vector<Word> Words(const std::string& pdf) {
  const std::string html = test::CommandOutput(std::string(ZH_PDFTOTEXT) + " -bbox '" + pdf + "' - 2>/dev/null");
  std::vector<Word> words;
  int page = 0;
  static const QRegularExpression wordRe(
      "<page |<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)</word>");
  auto it = wordRe.globalMatch(QString::fromStdString(html));
  while (it.hasNext()) {
    const auto m = it.next();
    if (m.captured(0).startsWith("<page")) {
      ++page;
      continue;
    }
    words.push_back({m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                     m.captured(4).toDouble(), m.captured(5).toStdString(), page});
  }
  return words;
}

// The pages at 72 dpi.
std::vector<QImage> Pages(const std::string& pdf, const QString& folder) {
  test::CommandOutput(std::string(ZH_PDFTOPPM) + " -r 72 -png '" + pdf + "' '" + (folder + "/page").toStdString() +
                      "'");
  std::vector<QImage> pages;
  QDir dir(folder);
  for (const QString& name : dir.entryList({"page*.png"}, QDir::Files, QDir::Name))
    pages.push_back(QImage(dir.filePath(name)).convertToFormat(QImage::Format_RGB32));
  return pages;
}

// A game of knight moves to and fro with a variation, comments and three diagrams.
void MakeGame(TQGame& game) {
  game.SetStandardStart();
  game.header.white = TQPlayer::FromNames("Novak", "Ana");
  game.header.black = TQPlayer::FromNames("Horvat", "Ivan");
  GameCursor cursor(&game);
  std::string moves = "e2e4 e7e5 ";
  for (int i = 0; i < 30; ++i) moves += "g1f3 g8f6 f3g1 f6g8 ";
  test::Enter(cursor, moves);
  cursor.Rewind();
  test::Enter(cursor, "( d2d4 d7d5 ( g8f6 ) c2c4 )");
  for (int ply : {3, 20, 45, 70, 100}) {
    AnnotationSet* set = GetAnnotations(*game.body.mainLine.GetMove(ply));
    set->SetTextAfter("the knights go back home and wait for a better moment to come out again", 0, 7);
  }
  for (int ply : {5, 40, 90}) GetAnnotations(*game.body.mainLine.GetMove(ply))->Append(kDiagramAnnotation, 0);
}

class PrintingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::TestApp();
    ASSERT_TRUE(folder.isValid());
    folder.setAutoRemove(std::getenv("ZH_KEEP_PRINTS") == nullptr);
    app.fontNota = FontSpec{"Notation", 0, 12};
    app.printTitle = "Printed by @N";
    app.christName = "Ana", app.surName = "Novak";
    app.SetPieceLetters();  // letters, not the figurines of the screen font
    MakeGame(game);
  }
  // A PDF printer: A4, 300 dpi, no hardware margins.
  std::unique_ptr<QPrinter> PdfPrinter(const QString& name) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(folder.filePath(name));
    printer->setResolution(300);
    printer->setPageSize(QPageSize(QPageSize::A4));
    printer->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
    return printer;
  }
  std::string PrintGame(const QString& name) {
    PrintService service(app, PrintingPieceSets(test::BundleSets()), PdfPrinter(name + ".pdf"));
    layout = std::make_unique<PageLayout>(service.Layout().page);
    lineHeight = service.Layout().lineHeight;
    EXPECT_EQ(PrintGameCommand(service, GameCursor(&game)), 0);
    return folder.filePath(name + ".pdf").toStdString();
  }

  test::RecordingServices services;
  QTemporaryDir folder;
  AppParams app{ShellEnvironment{}};
  TQGame game;
  std::unique_ptr<PageLayout> layout;
  int lineHeight = 0;
};

TEST_F(PrintingTest, GamePagesHaveTheirTitleNumbersRulesAndColumns) {
  const std::string pdf = PrintGame("game");
  const std::vector<Word> words = Words(pdf);
  const std::vector<QImage> pages = Pages(pdf, folder.path());
  ASSERT_FALSE(pages.empty());
  ASSERT_EQ(pages[0].size(), QSize(595, 842));
  const PageLayout& p = *layout;
  ASSERT_EQ(p.columnGap, 16);
  ASSERT_EQ(p.columns, 2);

  // Title at the top left, page number right-aligned at left + textWidth.
  const auto title = std::find_if(words.begin(), words.end(), [](const Word& w) { return w.text == "Printed"; });
  ASSERT_NE(title, words.end());
  EXPECT_NEAR(title->xMin, p.left, 1.5);
  EXPECT_NEAR(title->yMin, p.top - 2 * lineHeight, 4);
  const auto number = std::find_if(words.begin(), words.end(), [&](const Word& w) {
    return w.page == 1 && w.text == "1" && w.yMax < p.top;
  });
  ASSERT_NE(number, words.end());
  EXPECT_NEAR(number->xMax, p.left + p.textWidth, 1.5);
  const auto names =
      std::find_if(words.begin(), words.end(), [](const Word& w) { return w.text.rfind("Novak,", 0) == 0; });
  ASSERT_NE(names, words.end());

  // The rule under the top line, and the column rule at its computed x.
  const QImage& page = pages[0];
  const int ruleY = p.top - lineHeight + 1;
  int dark = 0;
  for (int x = p.left + 2; x < p.left + p.textWidth - 2; ++x)
    dark += !test::IsLight(page.pixel(x, ruleY)) || !test::IsLight(page.pixel(x, ruleY - 1));
  EXPECT_GT(dark, p.textWidth - 10);
  const int ruleX = p.left - p.columnGap / 2 + p.columnWidth + p.columnGap;
  int black = 0;
  for (int y = p.top + 5; y < p.top + p.textHeight - 5; ++y)
    black += qGray(page.pixel(ruleX, y)) < 100 || qGray(page.pixel(ruleX - 1, y)) < 100;
  EXPECT_GT(black, p.textHeight - 20);

  // Every word of the text area stands inside one of the two columns.
  const double column2 = p.left + p.columnWidth + p.columnGap;
  int inSecond = 0;
  for (const Word& w : words) {
    if (w.yMin < p.top - 1) continue;
    const bool first = w.xMin >= p.left - 1 && w.xMax <= p.left + p.columnWidth + 1;
    const bool second = w.xMin >= column2 - 1 && w.xMax <= column2 + p.columnWidth + 1;
    EXPECT_TRUE(first || second) << w.text << " " << w.xMin << ".." << w.xMax << " page " << w.page;
    inSecond += second;
  }
  EXPECT_GT(inSecond, 0);

  // Without colour printing no pixel of any page is coloured.
  for (const QImage& image : pages)
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) ASSERT_FALSE(test::IsColoured(image.pixel(x, y))) << x << "," << y;
}

TEST_F(PrintingTest, ColourPrintingUsesBlueAndGreenForSlotsThreeAndFive) {
  app.printWithColour = true;
  const std::string pdf = PrintGame("colour");
  const QString pages = folder.path() + "/colour";
  QDir().mkpath(pages);
  bool blue = false, green = false;
  for (const QImage& image : Pages(pdf, pages))
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const QRgb c = image.pixel(x, y);
        blue |= qBlue(c) > qRed(c) + 80 && qBlue(c) > qGreen(c) + 80;
        green |= qGreen(c) > qRed(c) + 50 && qGreen(c) > qBlue(c) + 50;
      }
  EXPECT_TRUE(blue);
  EXPECT_TRUE(green);

  QImage scratch(10, 10, QImage::Format_RGB32);
  QPainter painter(&scratch);
  for (bool colour : {false, true}) {
    PrintNota nota(painter, scratch, GameCursor(&game), PrintFont{"DejaVu Sans", 10}, 300, 0, colour);
    for (int slot = 1; slot <= 6; ++slot) {
      QColor expected = Qt::black;
      if (colour && slot == 3) expected = Qt::blue;
      if (colour && slot == 5) expected = QColor(0, 128, 0);
      EXPECT_EQ(nota.SlotColour(slot), expected) << slot << colour;
    }
    EXPECT_TRUE(nota.SlotFont(5).italic());
    EXPECT_TRUE(nota.SlotFont(2).bold() && nota.SlotFont(6).bold());
  }
}

TEST_F(PrintingTest, NotationFindsTheFirstDiagramMarkOfALine) {
  QImage scratch(10, 10, QImage::Format_RGB32);
  QPainter painter(&scratch);
  PrintNota nota(painter, scratch, GameCursor(&game), PrintFont{"DejaVu Sans", 10}, 2000, 0, false);
  // One wide line holds all three marks: the first (after ply 5) is the one.
  std::vector<int> marked;
  for (int line = 0; line < nota.LineCount(); ++line) {
    GameCursor at;
    if (nota.DiagramAt(line, at)) marked.push_back(at.Ply());
  }
  ASSERT_FALSE(marked.empty());
  EXPECT_EQ(marked.front(), 6);
  int marksInFirst = 0;
  for (const NotaEntry& e : nota.Layout().Lines()[0]) marksInFirst += (e.flags & kNotaDiagram) != 0;
  if (marksInFirst > 1) {
    EXPECT_EQ(marked.size(), 1u);
  }
}

TEST_F(PrintingTest, DiagramSquaresCoordinatesAndSideToMove) {
  for (bool flipped : {false, true}) {
    const QString name = flipped ? "flipped" : "diagram";
    PrintService service(app, PrintingPieceSets(test::BundleSets()), PdfPrinter(name + ".pdf"));
    PrintLayout& print = service.Layout();
    if (flipped) print.style.flags |= kFromBlack;
    print.PrintDiagram(GameCursor(&game), 10);
    const std::string pdf = folder.filePath(name + ".pdf").toStdString();
    const QString pages = folder.path() + "/" + name;
    QDir().mkpath(pages);
    const std::vector<QImage> images = Pages(pdf, pages);
    ASSERT_EQ(images.size(), 1u);
    const QImage& page = images[0];
    // Size 10: squares of 192 pixels at 300 dpi (the 64-pixel set at scale 3).
    const double q = 192 * 72.0 / 300.0;
    EXPECT_NEAR(8 * q, std::min(print.page.textWidth, print.page.textHeight) * 8.0 / 11.0, 12);
    const double left = print.page.left + q / 4, top = print.page.top + q;
    for (int row = 0; row < 8; ++row)
      for (int column = 0; column < 8; ++column) {
        const QRgb corner = page.pixel(static_cast<int>(left + column * q + 3), static_cast<int>(top + row * q + 3));
        EXPECT_EQ(qGray(corner) > 200, (row + column) % 2 == 0) << row << "," << column << " " << qGray(corner);
      }
    // The pawns of the row above the bottom rank: White's unless seen from Black.
    const QRgb pawn = page.pixel(static_cast<int>(left + 3.5 * q), static_cast<int>(top + 6.65 * q));
    EXPECT_EQ(qGray(pawn) > 128, !flipped) << qGray(pawn);
    // Coordinates where pdftotext finds them: the letters above and below the files.
    const std::vector<Word> words = Words(pdf);
    for (int file = 0; file < 8; ++file) {
      const std::string letter(1, static_cast<char>(flipped ? 'h' - file : 'a' + file));
      const int found = static_cast<int>(std::count_if(words.begin(), words.end(), [&](const Word& w) {
        return w.text == letter && std::abs((w.xMin + w.xMax) / 2 - (left + (file + 0.5) * q)) < q / 2;
      }));
      EXPECT_EQ(found, 2) << letter;
    }
    // White to move: the mark beside the row where White sits, an outline with a
    // white inside; nothing beside the other side's row.
    const double markX = left + 8 * q + 3 * q / 4, markSide = q / 2;
    const auto darkest = [&](double top) {
      int lowest = 255;
      for (int dx = -1; dx <= 2; ++dx)
        lowest = std::min(lowest, qGray(page.pixel(static_cast<int>(markX) + dx, static_cast<int>(top + markSide / 2))));
      return lowest;
    };
    const double whiteRow = top + q / 4 + (flipped ? 0 : 7 * q), otherRow = top + q / 4 + (flipped ? 7 * q : 0);
    EXPECT_LT(darkest(whiteRow), 160);
    EXPECT_EQ(darkest(otherRow), 255);
    EXPECT_GT(qGray(page.pixel(static_cast<int>(markX + markSide / 2), static_cast<int>(whiteRow + markSide / 2))), 200);
  }
}

TEST_F(PrintingTest, LayoutFontReachesThePrintLayoutAndPrintOptionsStore) {
  PrintService service(app, PrintingPieceSets(test::BundleSets()), PdfPrinter("font.pdf"));
  const int before = service.Layout().lineHeight;
  ASSERT_EQ(app.fontNota.height, 12);
  QTimer::singleShot(0, [] {
    auto* d = qobject_cast<ModalDialogLAYOUT*>(QApplication::activeModalWidget());
    if (!d) return;
    d->ControlAs<QSpinBox>(ControlKind::Edit, 2)->setValue(24);
    d->accept();
  });
  EXPECT_TRUE(RunLayoutCommand(nullptr, app, service));
  EXPECT_EQ(service.Layout().Font().height, 24);
  EXPECT_GT(service.Layout().lineHeight, before);

  QTimer::singleShot(0, [] {
    auto* d = qobject_cast<ModalDialogPRINT_OPTIONS*>(QApplication::activeModalWidget());
    if (!d) return;
    d->Title().setText("@N");
    d->Colour().setChecked(true);
    d->accept();
  });
  EXPECT_TRUE(RunPrintOptions(nullptr, app));
  EXPECT_EQ(app.printTitle, "@N");
  EXPECT_TRUE(app.printWithColour);
}

TEST_F(PrintingTest, NoPrinterDoesNothing) {
  auto printer = std::make_unique<QPrinter>();
  printer->setOutputFormat(QPrinter::PdfFormat);  // a PDF printer without a file: no printer
  PrintService service(app, PrintingPieceSets(test::BundleSets()), std::move(printer));
  EXPECT_EQ(PrintGameCommand(service, GameCursor(&game)), -1);
  EXPECT_TRUE(services.calls.empty());
}

}  // namespace
}  // namespace zh
