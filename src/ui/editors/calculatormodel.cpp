#include "ui/editors/calculatormodel.h"

#include <cmath>

void CalculatorModel::clear() {
  status_ = Status::Start;
  number_ = QStringLiteral("0");
  negative_ = false;
  pending_ = u'=';
  operand_ = 0;
}

void CalculatorModel::error() {
  status_ = Status::Error;
  number_ = QStringLiteral("Error");
  negative_ = false;
}

void CalculatorModel::startNumber() {
  if (status_ != Status::Start) return;
  status_ = Status::Entering;
  number_ = QStringLiteral("0");
  negative_ = false;
}

double CalculatorModel::value() const {
  if (status_ == Status::Error) return 0;
  const double v = number_.toDouble();
  return negative_ ? -v : v;
}

QString CalculatorModel::display() const {
  return negative_ ? QLatin1Char('-') + number_ : number_;
}

void CalculatorModel::setNumber(double x) {
  if (!std::isfinite(x)) {
    error();
    return;
  }
  QString text = QString::number(x, 'f', 10);  // C locale: always "."
  negative_ = text.startsWith(QLatin1Char('-'));
  if (negative_) text.remove(0, 1);
  if (text.size() > 26) {
    error();
    return;
  }
  while (text.endsWith(QLatin1Char('0'))) text.chop(1);
  if (text.endsWith(QLatin1Char('.'))) text.chop(1);
  if (text.isEmpty()) text = QStringLiteral("0");
  // -0.00000000001 rounds to 0 and shows no sign.
  if (text == QLatin1String("0")) negative_ = false;
  number_ = text;
}

void CalculatorModel::key(QChar c) {
  c = c.toUpper();
  if (status_ == Status::Error && c != u'C') return;
  if (c == u'\b') {
    startNumber();
    if (number_.size() <= 1)
      number_ = QStringLiteral("0");
    else
      number_.chop(1);
  } else if (c >= u'0' && c <= u'9') {
    startNumber();
    if (number_ == QLatin1String("0")) number_.clear();
    if (number_.size() < kMaxDigits) number_ += c;
  } else if (c == u'.') {
    startNumber();
    if (!number_.contains(u'.') && number_.size() < kMaxDigits) number_ += c;
  } else if (c == u'_') {
    negative_ = !negative_;
  } else if (c == u'C') {
    clear();
  } else if (QStringLiteral("+-*/%=\r").contains(c)) {
    if (status_ == Status::Entering) {
      status_ = Status::Start;
      double r = value();
      if (c == u'%') {
        if (pending_ == u'+' || pending_ == u'-')
          r = operand_ * r / 100;
        else if (pending_ == u'*' || pending_ == u'/')
          r = r / 100;
      }
      if (pending_ == u'+') {
        setNumber(operand_ + r);
      } else if (pending_ == u'-') {
        setNumber(operand_ - r);
      } else if (pending_ == u'*') {
        setNumber(operand_ * r);
      } else if (pending_ == u'/') {
        if (r == 0)
          error();
        else
          setNumber(operand_ / r);
      }
    }
    pending_ = c;
    operand_ = value();
  }
}
