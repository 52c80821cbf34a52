#include "board/ui/d3/d3_settings_dialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <cmath>

#include "app/message_ids.h"
#include "core/services.h"

namespace zh::d3 {
namespace {

constexpr int kLightRange = 157;
constexpr int kContrastRange = 100;
constexpr double kShadowlessAngle = 1.2707963267948965;  // 0.3 below the horizon
constexpr int kSegmentsOfDetail[] = {6, 10, 14};

QString Text(int id) { return QString::fromStdString(GetMessageText(id)).replace('~', '&'); }
QString PlainText(int id) { return QString::fromStdString(GetMessageTextPlain(id)); }

}  // namespace

ModalDialogD3SET::ModalDialogD3SET(QWidget* parent) : QDialog(parent) {
  setWindowTitle(PlainText(msg::M_D3_TITLE));
  setFixedSize(360, 300);
  auto label = [&](int id, int text, QRect place, bool plain = false) {
    auto* l = new QLabel(text < 0 ? QString() : plain ? PlainText(text) : Text(text), this);
    l->setGeometry(place);
    Register(Kind::FixedText, id, l);
  };
  auto group = [&](int id, int text, QRect place) {
    auto* g = new QGroupBox(Text(text), this);
    g->setGeometry(place);
    g->lower();
    Register(Kind::GroupBox, id, g);
  };
  group(1, msg::M_D3_LIGHT, QRect(8, 4, 170, 130));
  group(2, msg::M_BOARD_WORD, QRect(186, 4, 166, 130));
  group(3, msg::M_D3_DETAIL, QRect(8, 138, 170, 110));

  label(1, msg::M_D3_LIGHT_HEIGHT, QRect(16, 22, 150, 16));
  label(2, msg::M_D3_CONTRAST, QRect(16, 62, 150, 16));
  label(3, msg::M_D3_SQUARE_SIZE, QRect(194, 22, 100, 16));
  label(4, msg::M_D3_SEGMENTS, QRect(16, 224, 90, 16), true);
  label(5, -1, QRect(194, 46, 100, 16));
  label(6, msg::M_D3_ANIMATION, QRect(194, 140, 100, 16));

  auto bar = [&](int id, QRect place) {
    auto* b = new QScrollBar(Qt::Horizontal, this);
    b->setGeometry(place);
    Register(Kind::ScrollBar, id, b);
  };
  bar(kLightBar, QRect(16, 40, 150, 16));
  bar(kContrastBar, QRect(16, 80, 150, 16));

  const D3Ranges& r = kD3Ranges;
  auto field = [&](int id, int low, int high, QRect place) {
    auto* f = new QSpinBox(this);
    f->setRange(low, high);
    f->setGeometry(place);
    Register(Kind::NumericField, id, f);
  };
  field(kAnimationField, r.minAnimation, r.maxAnimation, QRect(296, 140, 52, 20));
  field(kRotationField, r.minRotation, r.maxRotation, QRect(110, 222, 52, 20));
  field(kSqSizeField, static_cast<int>(r.minSqSize * 10), static_cast<int>(r.maxSqSize * 10), QRect(296, 20, 52, 20));
  field(kMarginField, static_cast<int>(r.minBoardMargin * 10), static_cast<int>(r.maxBoardMargin * 10),
        QRect(296, 44, 52, 20));

  auto check = [&](int id, int text, QRect place) {
    auto* c = new QCheckBox(Text(text), this);
    c->setGeometry(place);
    Register(Kind::CheckBox, id, c);
  };
  check(kGratingBox, msg::M_D3_GRID, QRect(16, 104, 150, 20));
  check(kShadowsBox, msg::M_D3_SHADOWS, QRect(194, 80, 150, 20));

  for (int level = 0; level < 3; ++level) {
    auto* radio = new QRadioButton(Text(msg::M_D3_DETAIL_LOW + level), this);
    radio->setGeometry(16, 156 + 20 * level, 150, 20);
    connect(radio, &QRadioButton::clicked, this, [this, level] { OnPieceDetail(level); });
    Register(Kind::RadioButton, level + 1, radio);
  }

  auto button = [&](Kind kind, int id, const QString& text, QRect place) {
    auto* b = new QPushButton(text, this);
    b->setGeometry(place);
    Register(kind, id, b);
    return b;
  };
  connect(button(Kind::OkButton, 1, Text(msg::M_WIDGET_OK), QRect(16, 262, 72, 26)), &QPushButton::clicked, this,
          &QDialog::accept);
  connect(button(Kind::CancelButton, 1, Text(msg::M_WIDGET_CANCEL), QRect(96, 262, 72, 26)), &QPushButton::clicked,
          this, &QDialog::reject);
  button(Kind::HelpButton, 1, Text(msg::M_TRAIN_HELP), QRect(176, 262, 72, 26));
  connect(button(Kind::PushButton, kDefaultsButton, Text(msg::M_D3_DEFAULTS), QRect(256, 262, 92, 26)),
          &QPushButton::clicked, this, [this] { OnDefaults(); });
  ControlAs<QPushButton>(Kind::OkButton, 1)->setDefault(true);
}

QWidget* ModalDialogD3SET::Control(Kind kind, int id) const {
  const auto it = controls_.find({kind, id});
  return it == controls_.end() ? nullptr : it->second;
}

void ModalDialogD3SET::LoadControls(const D3Settings& s) {
  auto* light = ControlAs<QScrollBar>(Kind::ScrollBar, kLightBar);
  auto* contrast = ControlAs<QScrollBar>(Kind::ScrollBar, kContrastBar);
  light->setRange(0, kLightRange);
  contrast->setRange(0, kContrastRange);
  Vec3 v = s.lightVec;
  ToSpherical(v);
  light->setValue(static_cast<int>(v.y * 100));
  contrast->setValue(static_cast<int>((1 - s.lightAmbient) * 100));
  ControlAs<QCheckBox>(Kind::CheckBox, kGratingBox)->setChecked(s.grating);
  ControlAs<QCheckBox>(Kind::CheckBox, kShadowsBox)->setChecked(s.shadows);
  ControlAs<QSpinBox>(Kind::NumericField, kRotationField)->setValue(s.rotation);
  ControlAs<QSpinBox>(Kind::NumericField, kAnimationField)->setValue(s.animation);
  ControlAs<QSpinBox>(Kind::NumericField, kSqSizeField)->setValue(static_cast<int>(s.sqSize * 10));
  ControlAs<QSpinBox>(Kind::NumericField, kMarginField)->setValue(static_cast<int>(s.boardMargin * 10));
  colours_[0] = s.colWhiteSquares;
  colours_[1] = s.colBlackSquares;
  colours_[2] = s.colWhitePieces;
  colours_[3] = s.colBlackPieces;
  colours_[4] = s.colBackground;
  if (s.pieces >= 0 && s.pieces <= 2) ControlAs<QRadioButton>(Kind::RadioButton, s.pieces + 1)->setChecked(true);
}

void ModalDialogD3SET::StoreControls(D3Settings& s) {
  if (defaultsChosen_) {
    s.sizeCoeff = 0;
    s.SetDefaults();
  }
  s.grating = ControlAs<QCheckBox>(Kind::CheckBox, kGratingBox)->isChecked();
  s.shadows = ControlAs<QCheckBox>(Kind::CheckBox, kShadowsBox)->isChecked();

  const double angle = ControlAs<QScrollBar>(Kind::ScrollBar, kLightBar)->value() * 0.01;
  if (s.shadows && angle >= kShadowlessAngle) s.shadows = false;
  Vec3 v = s.lightVec;
  ToSpherical(v);
  v.y = angle;
  FromSpherical(v);
  s.lightVec = v;
  s.lightAmbient = 1 - ControlAs<QScrollBar>(Kind::ScrollBar, kContrastBar)->value() * 0.01;
  s.RebuildLight();

  s.colWhiteSquares = colours_[0];
  s.colBlackSquares = colours_[1];
  s.colWhitePieces = colours_[2];
  s.colBlackPieces = colours_[3];
  s.colBackground = colours_[4];

  const double sqSize = ControlAs<QSpinBox>(Kind::NumericField, kSqSizeField)->value() * 0.1;
  const double margin = ControlAs<QSpinBox>(Kind::NumericField, kMarginField)->value() * 0.1;
  if (sqSize != s.sqSize) rebuildBoard_ = rebuildPieces_ = true;
  if (margin != s.boardMargin) rebuildBoard_ = true;
  s.sqSize = sqSize;
  s.boardMargin = margin;

  const int rotation = ControlAs<QSpinBox>(Kind::NumericField, kRotationField)->value();
  if (rotation != s.rotation) rebuildPieces_ = true;
  s.rotation = static_cast<int16_t>(rotation);
  s.animation = static_cast<int16_t>(ControlAs<QSpinBox>(Kind::NumericField, kAnimationField)->value());

  for (int16_t level = 0; level < 3; ++level) {
    if (!ControlAs<QRadioButton>(Kind::RadioButton, level + 1)->isChecked()) continue;
    if (level != s.pieces) rebuildPieces_ = true;
    s.pieces = level;
  }
}

void ModalDialogD3SET::OnPieceDetail(int level) {
  ControlAs<QSpinBox>(Kind::NumericField, kRotationField)->setValue(kSegmentsOfDetail[level]);
}

// The defaults take effect with OK; Cancel keeps the settings as they were.
void ModalDialogD3SET::OnDefaults() {
  D3Settings defaults;
  LoadControls(defaults);
  defaultsChosen_ = true;
  rebuildBoard_ = rebuildPieces_ = true;
}

}  // namespace zh::d3
