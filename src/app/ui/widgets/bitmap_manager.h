// The one store of the program's pictures: dialog pictures with random variants,
// tool-box bitmaps, clock faces, with resource bitmaps in place of missing files.
// Every loader fills the current bitmap and returns it; callers that keep a
// picture copy it.
#pragma once

#include <QImage>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace zh {

// 0 when the file was read into `bitmap`, 12 when it cannot be loaded.
int LoadBitmapFile(QImage& bitmap, const std::string& path);

// The touch box that takes the three looks (normal, highlighted, pressed) of a cell.
class TouchBitmapSink {
 public:
  virtual ~TouchBitmapSink() = default;
  virtual void AddCell(int cell, const QImage& normal, const QImage& highlighted, const QImage& pressed) = 0;
  virtual void ReplaceCell(int cell, const QImage& normal, const QImage& highlighted,
                           const QImage& pressed) = 0;
};

class BitmapManager {
 public:
  static constexpr int kCacheSize = 40;
  // A resource bitmap by id; the default reads the resource bundle.
  using ResourceLoader = std::function<QImage(int id)>;

  BitmapManager(int colourCount, const std::string& programFolder, int language = 0,
                ResourceLoader resources = {});

  // The picture of a table index; a repeated index gives the current bitmap.
  const QImage& GetBitmap(int index, bool cache);
  // "<name>F.BMP" from the tool folder; a missing file leaves the current bitmap.
  const QImage& GetToolBitmap(int index, bool cache);
  // "<name>.bmp" from the tool folder, cached, copied into `destination`.
  void CopyToolBitmap(QImage& destination, int index);
  // The F, T and C looks of a touch cell: added (kind 0) or replaced (kind != 0)
  // when all three load; with `preload` they only enter the cache.
  void LoadTouchBitmaps(TouchBitmapSink& box, int cell, int index, int kind, bool preload);
  // Passes every s-th colour of "TLBOARDT.BMP" (s = colours / 20, at least 1) to the
  // palette table; the number of colours passed.
  int SamplePalette();
  // "Clocks/CL<size>.bmp" and "Clocks/B<part>_<size>.bmp" below the bitmap folder.
  const QImage& GetClockFace(int size);
  const QImage& GetClockPart(int size, int part);

  const QImage& Current() const { return current_; }
  int CurrentIndex() const { return currentIndex_; }
  int CacheCount() const { return static_cast<int>(cache_.size()); }
  const std::string& BitmapFolder() const { return bitmapFolder_; }
  const std::string& ToolFolder() const { return toolFolder_; }

  // Set while work windows load their button bitmaps: touch loads are cached too.
  bool alwaysCache = false;

 private:
  bool LoadCached(const std::string& path, bool cache);
  std::string ToolPath(const std::string& fileName) const;
  std::string PicturePath(const std::string& folder, const std::string& fileName) const;
  const QImage& Fallback(int index);

  std::string bitmapFolder_;
  std::string toolFolder_;
  int language_;
  ResourceLoader resources_;
  QImage current_;
  int currentIndex_ = -1;
  std::vector<std::pair<std::string, QImage>> cache_;
};

// The program's one bitmap manager, or null.
BitmapManager* TheBitmapManager();
void SetTheBitmapManager(BitmapManager* manager);

}  // namespace zh
