// The window layout dialog: which panels of the game window show, and how.
#pragma once

#include <functional>

#include "app/layout_choice.h"
#include "app/ui/modal_with_palette.h"

class QCheckBox;
class QSpinBox;

namespace zh {

class AppParams;

class ModalDialogLAYOUT final : public ModalWithPalette {
  Q_OBJECT

 public:
  static constexpr int kResourceId = 550;
  static constexpr int kPictureIndex = 8;  // "SETUP"

  // `ratedGame`: the analogue clock can't be chosen.
  ModalDialogLAYOUT(QWidget* parent, const LayoutChoice& choice, bool ratedGame);
  LayoutChoice Choice() const;
  QCheckBox* Box(int id) const;

 private:
  QSpinBox* speed_;
  QSpinBox* font_;
};

// Fills, runs and applies the dialog; `printFontChanged` lets the print layout take
// the new notation font. True on OK.
bool RunLayoutDialog(QWidget* parent, AppParams& app, const std::function<void()>& printFontChanged = {});

}  // namespace zh
