// The pop-up calculator of a currency edit, to work out an amount in place.
#pragma once

// Its keys (buttons or keyboard) drive a CalculatorModel whose number is
// written into the edit at once; OK keeps it there, Cancel lets the edit put
// its old text back.

#include <QDialog>
#include <QPushButton>
#include <vector>

#include "ui/editors/calculatormodel.h"

class QLineEdit;

class CalculatorDialog : public QDialog {
  Q_OBJECT

 public:
  explicit CalculatorDialog(QLineEdit* edit);

  const CalculatorModel& model() const { return model_; }
  // A key as a button or the keyboard gives it.
  void key(QChar c);

  QPushButton* okButton;
  QPushButton* cancelButton;
  std::vector<QPushButton*> keyButtons;  // B_C ... B_9, named "cButton", "digit7Button" ...

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QLineEdit* edit_;
  CalculatorModel model_;
};
