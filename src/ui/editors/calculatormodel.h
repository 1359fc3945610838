#pragma once

#include <QString>

// The four-function calculator without its window: keys in, the shown
// number out. Keys are characters: digits, ".", backspace, "_" (sign), "C",
// and the operators "+", "-", "*", "/", "%", "=" and carriage return.
class CalculatorModel {
 public:
  static constexpr int kMaxDigits = 15;

  CalculatorModel() { clear(); }

  void key(QChar c);
  void clear();
  // x in fixed notation with 10 decimals, trailing zeros and point removed;
  // Error when it is wider than 26 characters (or not a number at all).
  void setNumber(double x);

  // What the edit shows: the number with "-" in front when negative.
  QString display() const;
  const QString& number() const { return number_; }
  bool negative() const { return negative_; }
  bool isError() const { return status_ == Status::Error; }
  double operand() const { return operand_; }
  QChar pending() const { return pending_; }

 private:
  enum class Status { Start, Entering, Error };
  void startNumber();
  double value() const;
  void error();

  Status status_ = Status::Start;
  QString number_;
  bool negative_ = false;
  QChar pending_;
  double operand_ = 0;
};
