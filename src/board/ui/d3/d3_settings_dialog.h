// The 3D settings dialog: light height and contrast, grid, shadows, square size and
// border, model detail and segments, animation speed. It edits a 3D settings record
// and tells which parts of the scene must be built again.
#pragma once

#include <QDialog>
#include <map>
#include <utility>

#include "board/board_colors.h"
#include "board/d3/d3_settings.h"

namespace zh::d3 {

class ModalDialogD3SET final : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kResourceId = 400;
  static constexpr int kHelpId = 2015;

  enum class Kind { FixedText, NumericField, CheckBox, ScrollBar, RadioButton, GroupBox, OkButton, CancelButton,
                    HelpButton, PushButton };
  // Numeric fields, check boxes, scroll bars and radio buttons by id.
  static constexpr int kAnimationField = 1, kRotationField = 2, kSqSizeField = 3, kMarginField = 4;
  static constexpr int kGratingBox = 1, kShadowsBox = 2;
  static constexpr int kLightBar = 1, kContrastBar = 2;
  static constexpr int kDefaultsButton = 6;

  explicit ModalDialogD3SET(QWidget* parent);

  QWidget* Control(Kind kind, int id) const;
  template <class T>
  T* ControlAs(Kind kind, int id) const {
    return qobject_cast<T*>(Control(kind, id));
  }

  void LoadControls(const D3Settings& settings);
  void StoreControls(D3Settings& settings);
  bool RebuildBoardWanted() const { return rebuildBoard_; }
  bool RebuildPiecesWanted() const { return rebuildPieces_; }

 private:
  void Register(Kind kind, int id, QWidget* control) { controls_[{kind, id}] = control; }
  void OnPieceDetail(int level);
  void OnDefaults();

  std::map<std::pair<Kind, int>, QWidget*> controls_;
  ColorRecord colours_[5];
  bool defaultsChosen_ = false;
  bool rebuildBoard_ = false;
  bool rebuildPieces_ = false;
};

}  // namespace zh::d3
