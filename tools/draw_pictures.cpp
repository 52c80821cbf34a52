// Draws the program's picture folders from the picture table:
// draw_pictures <pictures.tsv> <output folder>. Each row names a folder, a file, its
// size and its bits per pixel (4, 8 or 24); the file is written as an uncompressed
// BMP. Every picture has its own base colour; arrows point the way their names say
// and the two lens buttons show a narrow and a wide angle.
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <QTextStream>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

// The classic sixteen colours of 4-bit pictures.
const QRgb kSixteen[16] = {qRgb(0, 0, 0),       qRgb(0, 0, 128),     qRgb(0, 128, 0),     qRgb(0, 128, 128),
                           qRgb(128, 0, 0),     qRgb(128, 0, 128),   qRgb(128, 128, 0),   qRgb(128, 128, 128),
                           qRgb(192, 192, 192), qRgb(0, 0, 255),     qRgb(0, 255, 0),     qRgb(0, 255, 255),
                           qRgb(255, 0, 0),     qRgb(255, 0, 255),   qRgb(255, 255, 0),   qRgb(255, 255, 255)};
constexpr int kEightBitColours = 100;

QColor BaseColour(const QString& name) {
  uint32_t h = 2166136261u;
  for (QChar c : name.toUpper()) h = (h ^ c.unicode()) * 16777619u;
  return QColor::fromHsv(static_cast<int>(h % 360), 120 + static_cast<int>((h >> 9) % 100),
                         150 + static_cast<int>((h >> 17) % 90));
}

void DrawContent(QPainter& p, const QString& file, int w, int h) {
  const QString stem = file.section('.', 0, 0).toUpper();
  const QColor ink = BaseColour(file).darker(250);
  p.setPen(QPen(ink, 2));
  p.setBrush(ink);
  const int cx = w / 2, cy = h / 2, r = std::min(w, h) / 3;
  auto triangle = [&](QPoint tip, QPoint a, QPoint b) { p.drawPolygon(QPolygon({tip, a, b})); };
  if (stem == "ARRIGHT") triangle({cx + r, cy}, {cx - r, cy - r}, {cx - r, cy + r});
  else if (stem == "ARRLEFT") triangle({cx - r, cy}, {cx + r, cy - r}, {cx + r, cy + r});
  else if (stem == "ARRUP") triangle({cx, cy - r}, {cx - r, cy + r}, {cx + r, cy + r});
  else if (stem == "ARRDWN") triangle({cx, cy + r}, {cx - r, cy - r}, {cx + r, cy - r});
  else if (stem == "ARRIN") {
    triangle({cx - 1, cy}, {cx - r, cy - r}, {cx - r, cy + r});
    triangle({cx + 1, cy}, {cx + r, cy - r}, {cx + r, cy + r});
  } else if (stem == "ARROUT") {
    triangle({cx - r, cy}, {cx - 1, cy - r}, {cx - 1, cy + r});
    triangle({cx + r, cy}, {cx + 1, cy - r}, {cx + 1, cy + r});
  } else if (stem == "TELE" || stem == "WIDE") {
    const int spread = stem == "TELE" ? r / 4 : r;
    p.drawLine(cx, h - 2, cx - spread, 2);
    p.drawLine(cx, h - 2, cx + spread, 2);
  } else if (w >= 40 && h >= 24) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(8, std::min(h / 5, w / std::max<int>(static_cast<int>(stem.size()), 1))));
    p.setFont(font);
    p.drawText(QRect(0, 0, w, h), Qt::AlignCenter | Qt::TextWordWrap, stem);
  } else {
    p.drawEllipse(QPoint(cx, cy), r, r);
  }
}

void Put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

std::vector<uint8_t> EncodeBmp(const QImage& image, int bits) {
  const int w = image.width(), h = image.height();
  QList<QRgb> table;
  if (bits == 4) table = QList<QRgb>(std::begin(kSixteen), std::end(kSixteen));
  if (bits == 8) {
    const QColor base = BaseColour(QStringLiteral("TLBOARDT"));
    for (int i = 0; i < kEightBitColours; ++i)
      table.push_back(QColor::fromHsv((base.hue() + i * 3) % 360, 40 + i * 2, 255 - i).rgb());
  }
  const QImage indexed = bits <= 8 ? image.convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither)
                                   : image.convertToFormat(QImage::Format_RGB32);
  const uint32_t rowBytes = ((static_cast<uint32_t>(w) * bits + 31) / 32) * 4;
  const uint32_t colours = static_cast<uint32_t>(table.size());
  const uint32_t offset = 14 + 40 + colours * 4;
  std::vector<uint8_t> b;
  b.push_back('B');
  b.push_back('M');
  Put32(b, offset + rowBytes * static_cast<uint32_t>(h));
  Put32(b, 0);
  Put32(b, offset);
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(w));
  Put32(b, static_cast<uint32_t>(h));
  Put16(b, 1);
  Put16(b, static_cast<uint32_t>(bits));
  Put32(b, 0);
  Put32(b, rowBytes * static_cast<uint32_t>(h));
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, colours);
  Put32(b, 0);
  for (QRgb c : table) {
    b.push_back(static_cast<uint8_t>(qBlue(c)));
    b.push_back(static_cast<uint8_t>(qGreen(c)));
    b.push_back(static_cast<uint8_t>(qRed(c)));
    b.push_back(0);
  }
  for (int y = h - 1; y >= 0; --y) {
    std::vector<uint8_t> row(rowBytes, 0);
    for (int x = 0; x < w; ++x) {
      if (bits == 24) {
        const QRgb c = indexed.pixel(x, y);
        row[static_cast<size_t>(x) * 3] = static_cast<uint8_t>(qBlue(c));
        row[static_cast<size_t>(x) * 3 + 1] = static_cast<uint8_t>(qGreen(c));
        row[static_cast<size_t>(x) * 3 + 2] = static_cast<uint8_t>(qRed(c));
      } else if (bits == 8) {
        row[static_cast<size_t>(x)] = static_cast<uint8_t>(indexed.pixelIndex(x, y));
      } else {
        const auto index = static_cast<uint8_t>(indexed.pixelIndex(x, y) & 15);
        row[static_cast<size_t>(x) / 2] |= (x % 2 == 0) ? static_cast<uint8_t>(index << 4) : index;
      }
    }
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  QGuiApplication app(argc, argv);
  QFile tableFile(QString::fromLocal8Bit(argv[1]));
  if (!tableFile.open(QIODevice::ReadOnly | QIODevice::Text)) return 1;
  const QString out = QString::fromLocal8Bit(argv[2]);
  QTextStream in(&tableFile);
  while (!in.atEnd()) {
    const QString line = in.readLine();
    if (line.isEmpty() || line.startsWith('#')) continue;
    const QStringList f = line.split('\t');
    if (f.size() != 5) return 1;
    const int w = f[2].toInt(), h = f[3].toInt(), bits = f[4].toInt();
    if (w <= 0 || h <= 0 || (bits != 4 && bits != 8 && bits != 24)) return 1;
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(bits == 8 ? QColor::fromRgb(BaseColour(QStringLiteral("TLBOARDT")).rgb()) : BaseColour(f[1]));
    {
      QPainter p(&image);
      DrawContent(p, f[1], w, h);
    }
    const QString folder = out + '/' + f[0];
    QDir().mkpath(folder);
    const std::vector<uint8_t> bytes = EncodeBmp(image, bits);
    QFile file(folder + '/' + f[1]);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()))
      return 1;
  }
  return 0;
}
