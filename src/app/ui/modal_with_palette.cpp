#include "app/ui/modal_with_palette.h"

#include <QLabel>
#include <QPixmap>

#include "app/ui/widgets/bitmap_manager.h"
#include "app/ui/zelko_app.h"

namespace zh {
namespace {
ModalWithPalette::PictureSource& Source() {
  static ModalWithPalette::PictureSource source;
  return source;
}
}  // namespace

void ModalWithPalette::SetPictureSource(PictureSource source) { Source() = std::move(source); }

ModalWithPalette::ModalWithPalette(QWidget* parent, int resourceId, int helpId)
    : ResourceDialog(resourceId, helpId, parent) {}

ModalWithPalette::~ModalWithPalette() = default;

void ModalWithPalette::ApplyPalette(const QImage& picture) { palette_ = picture.colorTable(); }

QLabel* ModalWithPalette::MakePicture(int bitmapIndex) {
  auto* label = new QLabel(this);
  QImage picture;
  if (Source())
    picture = Source()(bitmapIndex);
  else if (ZelkoApp* app = ZelkoApp::Instance(); app && app->Bitmaps())
    picture = app->Bitmaps()->GetBitmap(bitmapIndex, false);
  if (!picture.isNull()) {
    ApplyPalette(picture);
    label->setPixmap(QPixmap::fromImage(picture));
  }
  return label;
}

}  // namespace zh
