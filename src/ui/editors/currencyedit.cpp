#include "ui/editors/currencyedit.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

#include "ui/editors/calculatordialog.h"
#include "ui/editors/calendarmodel.h"
#include "ui/editors/currencymodel.h"

CurrencyEdit::CurrencyEdit(QWidget* parent) : ButtonEdit(parent) {
  setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  setAutoSelect(false);
  button()->setToolTip(QStringLiteral("Click here to display a Calculator"));
  display();
}

void CurrencyEdit::setValue(double value) {
  value_ = value;
  display();
}

void CurrencyEdit::setDisplayFormat(const QString& format) {
  const QString f = format.left(20);
  if (f == format_) return;
  format_ = f;
  display();
}

void CurrencyEdit::setPlusColor(const QColor& color) {
  plusColor_ = color;
  if (!currency::isNegativeText(text())) applyColor(color);
}

void CurrencyEdit::setNegColor(const QColor& color) {
  negColor_ = color;
  if (currency::isNegativeText(text())) applyColor(color);
}

void CurrencyEdit::applyColor(const QColor& color) {
  QPalette p = palette();
  p.setColor(QPalette::Active, QPalette::Text, color);
  p.setColor(QPalette::Inactive, QPalette::Text, color);
  setPalette(p);
}

void CurrencyEdit::display() {
  const QString shown = currency::format(value_, format_);
  // Coloured by what is shown now, so a value set from a record gets its own sign's colour.
  applyColor(currency::isNegativeText(shown) ? negColor_ : plusColor_);
  setText(shown);
}

std::optional<double> CurrencyEdit::typedValue() const { return currency::parse(committedText()); }

void CurrencyEdit::reformat() {
  if (const std::optional<double> v = typedValue())
    value_ = *v;
  else
    QApplication::beep();
  display();
}

bool CurrencyEdit::isValidChar(QChar c) const { return currency::isAllowedChar(c); }

void CurrencyEdit::pasteAllowed() {
  if (isReadOnly()) return;
  insert(currency::allowedPart(QApplication::clipboard()->text()));
}

void CurrencyEdit::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Paste)) {
    pasteAllowed();
    return;
  }
  ButtonEdit::keyPressEvent(event);
}

void CurrencyEdit::focusOutEvent(QFocusEvent* event) {
  ButtonEdit::focusOutEvent(event);
  if (leftForAnotherControl(event->reason())) reformat();
}

void CurrencyEdit::showCalculator() {
  if (isReadOnly()) return;
  kept_ = text();
  applyColor(Qt::black);
  int result = QDialog::Rejected;
  {
    calculating_ = true;
    CalculatorDialog calculator(this);
    const QRect at(mapToGlobal(QPoint(0, 0)), size());
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    calculator.move(popupPosition(at, calculator.size(), screen->geometry()));
    result = calculator.exec();
    calculating_ = false;
  }
  setFocus(Qt::OtherFocusReason);
  if (result != QDialog::Accepted) setText(kept_);
  reformat();
  updateTextRect();
}
