// The question that adjudicates an unfinished game against the engine: white wins,
// draw, black wins or no result, preselected by the engine's outlook.
#pragma once

#include <QDialog>
#include <QString>
#include <array>

#include "engines/game/game_views.h"

class QRadioButton;
class QLabel;

namespace zh {

class ModalADJUD : public QDialog {
  Q_OBJECT

 public:
  // Radio ids 1 to 4 answer these result codes.
  static constexpr std::array<int32_t, 4> kCodes = {2, 1, 0, 3};

  // `title` and `prompt` are the dialog's resource texts 611 and 385.
  ModalADJUD(const QString& title, const QString& prompt, QWidget* parent = nullptr);

  // Outlook 0 (losing for white) checks radio 3, 2 radio 1, 3 radio 4, any other radio 2.
  void Preselect(int outlook);
  // The radio id that is checked (1-4).
  int CheckedId() const;
  QRadioButton* Radio(int id) const { return radios_[static_cast<size_t>(id - 1)]; }

 private:
  std::array<QRadioButton*, 4> radios_{};
  QLabel* prompt_ = nullptr;
};

// Asks with the dialog over `parent`: after OK the chosen code, after Cancel nothing.
class DialogAdjudicationAsker : public AdjudicationAsker {
 public:
  DialogAdjudicationAsker(QString title, QString prompt, QWidget* parent = nullptr)
      : title_(std::move(title)), prompt_(std::move(prompt)), parent_(parent) {}
  int Ask(int outlook, int32_t& code) override;

 private:
  QString title_;
  QString prompt_;
  QWidget* parent_;
};

}  // namespace zh
