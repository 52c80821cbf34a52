// Engine logos drawn into images (offscreen).
#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>

#include "app/gui_tables.h"
#include "engines/engine_logo.h"
#include "engines/ui/engine_logo_image.h"

namespace zh {
namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "engines_ui_tests";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // One application for every test of this program, whichever asks first.
  static QApplication* app = qApp ? static_cast<QApplication*>(qApp) : new QApplication(argc, argv);
  return *app;
}

LogoPainting Painting() {
  std::string_view face = DisplayFace(EngineLogo::kFace);
  return LogoPainting{QString::fromUtf8(face.data(), static_cast<int>(face.size())),
                      [](int id) {
                        QImage image(id == 13 ? 100 : 176, id == 13 ? 45 : 80, QImage::Format_RGB32);
                        image.fill(QColor(id, 0, 0));
                        return image;
                      }};
}

// Height of the rows that hold dark pixels.
int InkHeight(const QImage& image) {
  int top = -1, bottom = -1;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qGray(image.pixel(x, y)) < 128) {
        if (top < 0) top = y;
        bottom = y;
      }
  return top < 0 ? 0 : bottom - top + 1;
}

TEST(EngineLogoImage, ASevenCharacterNameIsDrawnInTheSmallerFont) {
  App();
  EngineLogo seven = ChooseEngineLogo(1, "Painter 3", 256, LogoImage{});
  ASSERT_EQ(seven.fontHeight, 23);
  EngineLogo full = seven;
  full.fontHeight = 26;
  QImage small = RenderEngineLogo(seven, Painting());
  QImage normal = RenderEngineLogo(full, Painting());
  EXPECT_EQ(small.size(), QSize(100, 45));
  const int smallInk = InkHeight(small), normalInk = InkHeight(normal);
  EXPECT_GT(smallInk, 10);
  EXPECT_LT(smallInk, normalInk);
  // Centred: as much room left of the text as right of it, within a pixel or two.
  int left = small.width(), right = -1;
  for (int y = 0; y < small.height(); ++y)
    for (int x = 0; x < small.width(); ++x)
      if (qGray(small.pixel(x, y)) < 128) left = std::min(left, x), right = std::max(right, x);
  EXPECT_NEAR(left, small.width() - 1 - right, 3);
}

TEST(EngineLogoImage, ModuleImagesAndResourcesAreShownAsTheyAre) {
  App();
  LogoImage module{3, 2, {0xFF102030u, 0xFF405060u, 0xFF708090u, 0xFFA0B0C0u, 0xFFD0E0F0u, 0xFF000000u}};
  QImage image = RenderEngineLogo(ChooseEngineLogo(1, "Painter 3", 65536, module), Painting());
  ASSERT_EQ(image.size(), QSize(3, 2));
  EXPECT_EQ(image.pixel(0, 0), 0xFF102030u);
  EXPECT_EQ(image.pixel(2, 1), 0xFF000000u);
  EXPECT_EQ(image.pixel(1, 1), 0xFFD0E0F0u);
  QImage resource = RenderEngineLogo(ChooseEngineLogo(2, "Zelko Home 2", 65536, LogoImage{}), Painting());
  EXPECT_EQ(resource.size(), QSize(176, 80));
  EXPECT_EQ(QColor(resource.pixel(0, 0)).red(), 14);
}

}  // namespace
}  // namespace zh

// Fontconfig keeps caches for the life of the process; they are not ours to free.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
