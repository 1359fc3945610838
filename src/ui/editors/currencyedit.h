#pragma once

#include <QColor>
#include <optional>

#include "ui/editors/buttonedit.h"

// An amount edit: shows its value in a number pattern (",0.00"), blue when
// not negative and red when negative, and opens a calculator from its button.
// Typing takes digits, "-", "." and backspace; leaving reads the text back.
class CurrencyEdit : public ButtonEdit {
  Q_OBJECT

 public:
  explicit CurrencyEdit(QWidget* parent);

  double value() const { return value_; }
  void setValue(double value);
  QString displayFormat() const { return format_; }
  void setDisplayFormat(const QString& format);
  QColor plusColor() const { return plusColor_; }
  QColor negColor() const { return negColor_; }
  void setPlusColor(const QColor& color);
  void setNegColor(const QColor& color);

  // The text as typed; while the calculator is open, the text it opened on
  // (what it shows then is not the user's until OK).
  QString committedText() const { return calculating_ ? kept_ : text(); }
  // The amount the committed text reads as (what leaving would make the
  // value); nothing when it is no number.
  std::optional<double> typedValue() const;
  // Reads the text (a beep and the old value when it is no number), then shows the value.
  void reformat();
  // Opens the calculator as the button does (not when read-only).
  void showCalculator();
  // Pastes what typing could have put in.
  void pasteAllowed();

 protected:
  bool isValidChar(QChar c) const override;
  void refuseChar() override {}  // dropped without a beep
  void buttonClick() override { showCalculator(); }
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void display();
  void applyColor(const QColor& color);

  QString format_ = QStringLiteral(",0.00");
  double value_ = 0;
  QColor plusColor_ = QColor(0, 0, 255);
  QColor negColor_ = QColor(255, 0, 0);
  bool calculating_ = false;
  QString kept_;  // the text the calculator opened on
};
