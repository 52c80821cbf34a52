#include "app/ui/widgets/bitmap_manager.h"

#include <filesystem>

#include "app/bitmap_names.h"
#include "app/languages.h"
#include "app/locations.h"
#include "board/palette_table.h"
#include "core/services.h"

namespace zh {
namespace {

constexpr int kToolStopIndex = 32;
constexpr int kPaletteSamples = 20;
BitmapManager* gManager = nullptr;

QImage BundleBitmap(int id) { return QImage(QStringLiteral(":/zkres/bitmap/%1.png").arg(id)); }

bool Exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    names.push_back(it->path().filename().string());
  return names;
}

}  // namespace

int LoadBitmapFile(QImage& bitmap, const std::string& path) {
  QImage loaded;
  if (path.empty() || !loaded.load(QString::fromStdString(path))) return 12;
  bitmap = std::move(loaded);
  return 0;
}

BitmapManager::BitmapManager(int colourCount, const std::string& programFolder, int language,
                             ResourceLoader resources)
    : bitmapFolder_(JoinPath(programFolder, colourCount > 255 ? "BMP256" : "BMP16")),
      toolFolder_(JoinPath(programFolder, "ToolBMP")),
      language_(language),
      resources_(resources ? std::move(resources) : ResourceLoader(BundleBitmap)) {
  GetToolBitmap(kToolStopIndex, false);
}

std::string BitmapManager::PicturePath(const std::string& folder, const std::string& fileName) const {
  const std::string path = JoinPath(folder, fileName);
  return FindPathIgnoringCase(path).value_or(path);
}

// Tool bitmaps go through the language folders first, then the folder itself.
std::string BitmapManager::ToolPath(const std::string& fileName) const {
  std::string found = FindDataFile(toolFolder_, fileName, language_);
  return Exists(found) ? found : PicturePath(toolFolder_, fileName);
}

bool BitmapManager::LoadCached(const std::string& path, bool cache) {
  for (const auto& [cachedPath, bitmap] : cache_)
    if (cachedPath == path) {
      current_ = bitmap;
      return true;
    }
  if (LoadBitmapFile(current_, path) != 0) return false;
  if (cache && cache_.size() < kCacheSize) cache_.emplace_back(path, current_);
  return true;
}

const QImage& BitmapManager::Fallback(int index) {
  current_ = resources_(FallbackBitmapId(index));
  return current_;
}

const QImage& BitmapManager::GetBitmap(int index, bool cache) {
  if (index == currentIndex_) return current_;
  const std::string name(BitmapName(index));
  std::string path;
  if (index >= 0 && index <= kLastVariantIndex) {
    std::vector<std::string> variants = VariantMatches(FolderEntries(bitmapFolder_), name);
    if (!variants.empty()) {
      const size_t pick = Random().Next() % variants.size();
      path = JoinPath(bitmapFolder_, variants[pick]);
    }
  } else if (!name.empty()) {
    path = PicturePath(bitmapFolder_, name + ".BMP");
  }
  if (path.empty() || !LoadCached(path, cache)) Fallback(index);
  currentIndex_ = index;
  return current_;
}

const QImage& BitmapManager::GetToolBitmap(int index, bool cache) {
  LoadCached(ToolPath(std::string(BitmapName(index)) + "F.BMP"), cache);
  currentIndex_ = index;
  return current_;
}

void BitmapManager::CopyToolBitmap(QImage& destination, int index) {
  LoadCached(ToolPath(std::string(BitmapName(index)) + ".bmp"), true);
  currentIndex_ = index;
  destination = current_;
}

void BitmapManager::LoadTouchBitmaps(TouchBitmapSink& box, int cell, int index, int kind, bool preload) {
  const std::string name(BitmapName(index));
  const bool cache = alwaysCache || preload;
  QImage looks[3];
  int loaded = 0;
  for (const char* suffix : {"F.BMP", "T.BMP", "C.BMP"}) {
    if (LoadCached(ToolPath(name + suffix), cache)) looks[loaded++] = current_;
    else break;
  }
  currentIndex_ = -1;
  if (loaded < 3 || preload) return;
  if (kind != 0)
    box.ReplaceCell(cell, looks[0], looks[1], looks[2]);
  else
    box.AddCell(cell, looks[0], looks[1], looks[2]);
}

int BitmapManager::SamplePalette() {
  QImage sample;
  if (LoadBitmapFile(sample, ToolPath("TLBOARDT.BMP")) != 0) return 0;
  const QList<QRgb> table = sample.colorTable();
  const int n = static_cast<int>(table.size());
  const int step = std::max(n / kPaletteSamples, 1);
  int passed = 0;
  for (int i = 0; i < n; i += step, ++passed) {
    const QRgb c = table[i];
    AddPaletteColor(ColorRecord::Rgb(static_cast<uint16_t>(qRed(c) * 257), static_cast<uint16_t>(qGreen(c) * 257),
                                     static_cast<uint16_t>(qBlue(c) * 257)));
  }
  return passed;
}

const QImage& BitmapManager::GetClockFace(int size) {
  const std::string folder = PicturePath(bitmapFolder_, "Clocks");
  if (!LoadCached(PicturePath(folder, "CL" + std::to_string(size) + ".bmp"), true)) Fallback(kClockFaceIndex);
  currentIndex_ = kClockFaceIndex;
  return current_;
}

const QImage& BitmapManager::GetClockPart(int size, int part) {
  const std::string folder = PicturePath(bitmapFolder_, "Clocks");
  const std::string file = "B" + std::to_string(part) + "_" + std::to_string(size) + ".bmp";
  if (!LoadCached(PicturePath(folder, file), true)) Fallback(kClockPartIndex);
  currentIndex_ = kClockPartIndex;
  return current_;
}

BitmapManager* TheBitmapManager() { return gManager; }
void SetTheBitmapManager(BitmapManager* manager) { gManager = manager; }

}  // namespace zh
