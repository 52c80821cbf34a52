// Base of the modal dialogs that show a picture of the bitmap library. It keeps the
// picture's palette; on a true-colour display applying it changes nothing.
#pragma once

#include <QImage>
#include <QVector>
#include <QRgb>
#include <functional>

#include "app/ui/resource_dialog.h"

class QLabel;

namespace zh {

class ModalWithPalette : public ResourceDialog {
  Q_OBJECT

 public:
  ModalWithPalette(QWidget* parent, int resourceId, int helpId = 0);
  ~ModalWithPalette() override;

  // Keeps the picture's colour table; displays are true colour, so it is only kept.
  void ApplyPalette(const QImage& picture);
  const QVector<QRgb>& Palette() const { return palette_; }

  // A label that shows a picture of the bitmap library by its index (none when the
  // bitmap manager is not there), its palette applied.
  QLabel* MakePicture(int bitmapIndex);
  // Where pictures come from; default the application's bitmap manager. Tests set one.
  using PictureSource = std::function<QImage(int index)>;
  static void SetPictureSource(PictureSource source);

 private:
  QVector<QRgb> palette_;
};

}  // namespace zh
