#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QListView>
#include <QProcess>
#include <QTextStream>
#include <filesystem>
#include <set>
#include <unistd.h>
#include <fstream>
#include <sstream>

#include "app/ui/message_log.h"
#include "app/ui/resource_bundle.h"
#include "app/ui/widgets/bitmap_manager.h"
#include "app_ui/qt_app.h"
#include "board/palette_table.h"
#include "board/ui/piece_sets.h"
#include "support/recording_services.h"

namespace zh {
namespace {

namespace fs = std::filesystem;
const std::string kBin = ZH_OUTPUT_DIR;

std::string Identify(const QStringList& args) {
  QProcess p;
  p.start(ZH_IDENTIFY, args);
  p.waitForFinished(60000);
  return p.readAllStandardOutput().toStdString();
}

TEST(Pictures, IdentifyReadsEachAsABmpOfItsTableSizeAndDepth) {
  QFile table(ZH_PICTURE_TABLE);
  ASSERT_TRUE(table.open(QIODevice::ReadOnly | QIODevice::Text));
  QTextStream in(&table);
  int rows = 0;
  while (!in.atEnd()) {
    const QString line = in.readLine();
    if (line.isEmpty() || line.startsWith('#')) continue;
    const QStringList f = line.split('\t');
    const QString path = QString::fromStdString(kBin) + '/' + f[0] + '/' + f[1];
    const int bits = f[4].toInt();
    const std::string expected = "BMP3 " + f[2].toStdString() + " " + f[3].toStdString() + " " +
                                 (bits == 4 ? "4 PseudoClass" : bits == 8 ? "8 PseudoClass" : "8 DirectClass");
    EXPECT_EQ(Identify({"-format", "%m %w %h %z %r", path}).substr(0, expected.size() + 1), expected + " ") << path.toStdString();
    ++rows;
  }
  EXPECT_GT(rows, 190);
}

TEST(Pictures, SamplingThePaletteAddsEverySthEntry) {
  test::RecordingServices rec;
  ResetPaletteTable();
  BitmapManager manager(65536, kBin);
  const int passed = manager.SamplePalette();
  // identify -verbose lists the colour map entries as "index: (r,g,b) ...".
  const std::string verbose = Identify({"-verbose", QString::fromStdString(kBin + "/ToolBMP/TLBOARDT.BMP")});
  std::vector<ColorRecord> map;
  const size_t start = verbose.find("Colormap:");
  ASSERT_NE(start, std::string::npos);
  std::istringstream lines(verbose.substr(start));
  std::string line;
  std::getline(lines, line);
  while (std::getline(lines, line)) {
    int index, r, g, b;
    if (std::sscanf(line.c_str(), " %d: (%d,%d,%d)", &index, &r, &g, &b) != 4) break;
    map.push_back(ColorRecord::Rgb(static_cast<uint16_t>(r * 257), static_cast<uint16_t>(g * 257),
                                   static_cast<uint16_t>(b * 257)));
  }
  ASSERT_EQ(map.size(), 100u);
  ASSERT_EQ(passed, 20);
  ASSERT_EQ(PaletteColorCount(), 20);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(PaletteColorAt(i), map[static_cast<size_t>(i * 5)]) << i;
  ResetPaletteTable();
}

struct Sink final : TouchBitmapSink {
  std::vector<std::string> calls;
  void AddCell(int cell, const QImage&, const QImage&, const QImage&) override {
    calls.push_back("add " + std::to_string(cell));
  }
  void ReplaceCell(int cell, const QImage&, const QImage&, const QImage&) override {
    calls.push_back("replace " + std::to_string(cell));
  }
};

QImage Resource(int id) {
  QImage image(4, 4, QImage::Format_RGB32);
  image.fill(id == 1003 ? Qt::blue : Qt::green);
  return image;
}

// A program folder with copies of some pictures.
struct Folder {
  fs::path root = fs::temp_directory_path() / ("zh_pictures_" + std::to_string(::getpid()));
  Folder() {
    fs::remove_all(root);
    fs::create_directories(root / "BMP256");
    fs::create_directories(root / "BMP16");
    fs::create_directories(root / "ToolBMP");
  }
  ~Folder() { fs::remove_all(root); }
  void Copy(const std::string& from, const std::string& to) { fs::copy_file(kBin + "/" + from, root / to); }
};

TEST(BitmapManager, PicksVariantsFallsBackAndCaches) {
  test::RecordingServices rec;
  Folder folder;
  folder.Copy("BMP256/TIMECTL.BMP", "BMP256/TIMECTL.BMP");
  folder.Copy("BMP256/TIMECTL2.BMP", "BMP256/TIMECTL2.BMP");
  folder.Copy("BMP256/timectlx.bmp", "BMP256/timectlx.bmp");
  folder.Copy("BMP256/ARRUP.BMP", "BMP256/arrup.bmp");  // names resolve case-blind
  folder.Copy("BMP16/ARRUP.BMP", "BMP16/ARRUP.BMP");
  for (const char* s : {"F", "T", "C"}) folder.Copy(std::string("ToolBMP/TLPLAY") + s + ".BMP", std::string("ToolBMP/TLPLAY") + s + ".BMP");
  folder.Copy("ToolBMP/TLNEWF.BMP", "ToolBMP/TLNEWF.BMP");  // a triple without T and C
  BitmapManager m(256, folder.root.string(), 0, Resource);
  EXPECT_EQ(m.BitmapFolder(), (folder.root / "BMP256").string());
  EXPECT_EQ(BitmapManager(255, folder.root.string(), 0, Resource).BitmapFolder(), (folder.root / "BMP16").string());

  // Variants: each of the three files is picked by some random draw; one index
  // twice gives the same picture.
  std::set<QRgb> seen;
  for (int draw = 0; draw < 30; ++draw) {
    const QImage first = m.GetBitmap(10, false);
    EXPECT_EQ(m.GetBitmap(10, false), first);
    seen.insert(first.pixel(1, 1));
    m.GetBitmap(43, false);
  }
  EXPECT_EQ(seen.size(), 3u);

  EXPECT_EQ(m.GetBitmap(43, false).size(), QSize(24, 24));
  EXPECT_EQ(m.GetBitmap(0, false).pixel(0, 0), QColor(Qt::blue).rgb());    // missing: 1003
  EXPECT_EQ(m.GetBitmap(44, false).pixel(0, 0), QColor(Qt::green).rgb());  // missing: 262
  EXPECT_EQ(m.GetClockFace(380).pixel(0, 0), QColor(Qt::green).rgb());
  EXPECT_EQ(m.CurrentIndex(), 47);

  Sink sink;
  m.LoadTouchBitmaps(sink, 3, 15, 0, false);
  m.LoadTouchBitmaps(sink, 3, 15, 1, false);
  m.LoadTouchBitmaps(sink, 4, 28, 0, false);  // TLNEW lacks T and C
  EXPECT_EQ(sink.calls, (std::vector<std::string>{"add 3", "replace 3"}));
  EXPECT_EQ(m.CurrentIndex(), -1);
  EXPECT_EQ(m.CacheCount(), 0);
  m.LoadTouchBitmaps(sink, 3, 15, 0, true);
  EXPECT_EQ(m.CacheCount(), 3);
  EXPECT_EQ(sink.calls.size(), 2u);
}

TEST(BitmapManager, VariantRingKeepsTheLastTenAndTheCacheStopsAtForty) {
  test::RecordingServices rec;
  Folder folder;
  for (int i = 0; i < 12; ++i) folder.Copy("BMP256/TIMECTL.BMP", "BMP256/TIMECTL" + std::to_string(i) + ".BMP");
  BitmapManager m(65536, folder.root.string(), 0, Resource);
  m.GetBitmap(10, true);
  EXPECT_EQ(m.CacheCount(), 1);
  for (int size = 0; size < 50; ++size) {
    folder.Copy("BMP256/Clocks/B1_380.bmp", "BMP256/CL" + std::to_string(size) + ".bmp");
  }
  fs::rename(folder.root / "BMP256", folder.root / "tmp");
  fs::create_directories(folder.root / "BMP256");
  fs::rename(folder.root / "tmp", folder.root / "BMP256" / "Clocks");
  for (int size = 0; size < 50; ++size) m.GetClockFace(size);
  EXPECT_EQ(m.CacheCount(), 40);
}

TEST(MessageLog, LinesGoToTheWindowAndTheProtocolFile) {
  test::RecordingServices rec;
  rec.texts[3] = "Done";
  Folder folder;
  const std::string path = (folder.root / "protocol.txt").string();
  {
    MessageLog log(nullptr, path);
    log.AddLine("first");
    EXPECT_EQ(std::ifstream(path, std::ios::binary).rdbuf() ? true : false, true);
    std::stringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    EXPECT_EQ(bytes.str(), "first\r\n");  // there once AddLine returns
    log.ReplaceLastLine(" and more");
    ASSERT_NE(log.Window(), nullptr);
    EXPECT_EQ(log.Window()->Lines().Line(0), "first and more");
    std::stringstream replaced;
    replaced << std::ifstream(path, std::ios::binary).rdbuf();
    EXPECT_EQ(replaced.str(), "first\r\n and more\r\n");  // only the new text
    log.Finish();
    log.AddLine("again");
    std::stringstream after;
    after << std::ifstream(path, std::ios::binary).rdbuf();
    EXPECT_EQ(after.str(), "again\r\n");  // a new file after Finish
    EXPECT_EQ(log.Window()->Lines().rowCount(), 3);
    log.Window()->close();
    EXPECT_TRUE(log.ClosedByUser());
    EXPECT_EQ(log.Window(), nullptr);
    log.AddLine("new window");
    EXPECT_EQ(log.Window()->Lines().rowCount(), 1);
    log.CloseAll();
  }
  // A folder where the file should be: the lines still show.
  fs::create_directories(folder.root / "blocked" / "protocol.txt");
  MessageLog blocked(nullptr, (folder.root / "blocked" / "protocol.txt").string());
  blocked.AddLine("shown");
  EXPECT_FALSE(blocked.File().IsOpen());
  EXPECT_EQ(blocked.Window()->Lines().Line(0), "shown");
}

TEST(DumpWindow, SitsBottomRightHiddenUntilItsFirstNumberedLine) {
  EXPECT_EQ(AddDumpText("lost"), nullptr);
  DumpWindow* w = CreateDumpWindow(nullptr, "Internal messages:", QSize(1024, 768));
  EXPECT_EQ(w->geometry().topLeft(), QPoint(724, 268));
  EXPECT_TRUE(w->isHidden());
  EXPECT_EQ(AddDumpText("hello"), w);
  EXPECT_TRUE(w->isVisible());
  AddDumpText("again");
  EXPECT_EQ(w->Lines().Line(0), "1:hello");
  EXPECT_EQ(w->Lines().Line(1), "2:again");
  DeleteDumpWindow();
  EXPECT_EQ(AddDumpText("gone"), nullptr);
}

TEST(PieceSets, SetsBySizeSharedAndInkInsideTheMask) {
  ResourceBundle bundle;  // the piece maps
  ASSERT_TRUE(bundle.Load(ZH_DATA_DIR));
  PieceSetCache cache;
  const int sizes[] = {16, 20, 24, 32, 40, 48, 64, 72};
  for (int style = 0; style < 8; ++style) EXPECT_EQ(cache.GetSet(style)->GetSquareSize(), sizes[style]);
  SharedPieceSet set = cache.GetSet(4);
  EXPECT_EQ(cache.GetSet(4), set);
  EXPECT_EQ(cache.GetDisplaySet(12), set);
  for (int type = 1; type <= 6; ++type)
    for (int colour = 0; colour < 2; ++colour)
      for (int sq = 0; sq < 2; ++sq) {
        const QImage& piece = set->GetPieceBitmap(type, colour, sq);
        const QImage& square = set->GetSquareBitmap(sq);
        const QImage& mask = set->GetPieceMask(type);
        int ink = 0;
        for (int y = 0; y < piece.height(); ++y)
          for (int x = 0; x < piece.width(); ++x)
            if (piece.pixel(x, y) != square.pixel(x, y)) {
              ++ink;
              EXPECT_NE(qRed(mask.pixel(x, y)), 0) << type << " at " << x << "," << y;
            }
        EXPECT_GT(ink, 20) << type;
      }
  // A set replaced in the cache lives on while borrowed.
  BoardColors colours(1);
  SharedPieceSet coloured = cache.GetColoredSet(3, colours);
  EXPECT_EQ(cache.GetColoredSet(3, colours), coloured);
  SharedPieceSet other = cache.GetColoredSet(3, BoardColors(2));
  EXPECT_NE(other, coloured);
  EXPECT_EQ(coloured->GetSquareSize(), 32);
}

}  // namespace
}  // namespace zh
