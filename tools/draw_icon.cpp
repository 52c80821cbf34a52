// Draws the program's icon, a white king of the DejaVu Sans font on a light square,
// into a PNG file: draw_icon <output.png>.
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  QGuiApplication app(argc, argv);
  QImage image(64, 64, QImage::Format_ARGB32);
  image.fill(QColor(240, 217, 181));
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font("DejaVu Sans");
    font.setPixelSize(54);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(image.rect(), Qt::AlignCenter, QString(QChar(0x2654)));
  }
  return image.save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
