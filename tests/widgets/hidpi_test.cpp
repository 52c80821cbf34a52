// Frames at a scale factor of 2, in a child process started with QT_SCALE_FACTOR.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPainter>
#include <QProcess>
#include <QWidget>

#include "app/ui/widgets/frames.h"
#include "app_ui/qt_app.h"

namespace zh {
namespace {

TEST(FramesHiDpi, EachRampLineSpansTwoDevicePixels) {
  if (qEnvironmentVariable("QT_SCALE_FACTOR") != "2") {
    QProcess child;
    QStringList env = QProcess::systemEnvironment();
    env << "QT_SCALE_FACTOR=2";
    child.setEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=FramesHiDpi.EachRampLineSpansTwoDevicePixels"});
    ASSERT_TRUE(child.waitForFinished(60000));
    EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
    return;
  }
  struct Canvas final : QWidget {
    void paintEvent(QPaintEvent*) override {
      QPainter p(this);
      p.fillRect(rect(), Qt::white);
      WindowFrame3D(4, QRect(10, 10, 30, 20), false, 65536).Draw(p);
    }
  } canvas;
  canvas.resize(60, 60);
  const QImage image = canvas.grab().toImage();
  ASSERT_EQ(image.width(), 120);
  for (int i = 0; i < 4; ++i) {
    const QRgb expected = QColor::fromRgba64(WindowFrame3D::LightLevel(4, i), WindowFrame3D::LightLevel(4, i),
                                             WindowFrame3D::LightLevel(4, i)).rgb();
    EXPECT_EQ(image.pixel(40, 2 * (10 + i)), expected) << i;
    EXPECT_EQ(image.pixel(40, 2 * (10 + i) + 1), expected) << i;
  }
}

}  // namespace
}  // namespace zh
