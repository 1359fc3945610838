#include "ui/editors/dateeditmodel.h"

#include <QStringList>
#include <algorithm>

namespace {

const QString kDefaultFormat = QStringLiteral("mm/dd/yyyy");

bool knownFormat(const QString& f) {
  static const QStringList formats{QStringLiteral("mm/dd/yyyy"), QStringLiteral("dd/mm/yyyy"),
                                   QStringLiteral("yyyy/mm/dd"), QStringLiteral("mm/dd/yy"),
                                   QStringLiteral("dd/mm/yy"),   QStringLiteral("yy/mm/dd")};
  return formats.contains(f);
}

}  // namespace

QString DateEditModel::formatForSetting(int setting) {
  switch (setting) {
    case 0:
      return QStringLiteral("mm/dd/yyyy");
    case 1:
      return QStringLiteral("dd/mm/yyyy");
    case 2:
      return QStringLiteral("yyyy/mm/dd");
    default:
      return {};
  }
}

bool DateEditModel::isValidChar(QChar c) { return (c >= u'0' && c <= u'9') || c == QChar(u'\b'); }

bool DateEditModel::isSeparator(int index) const {
  return index >= 0 && index < maskLength() && format_[index] == u'/';
}

bool DateEditModel::isBlank() const {
  for (QChar c : text_)
    if (c != u'_' && c != u'/') return false;
  return true;
}

void DateEditModel::clear() {
  if (format_.isEmpty()) format_ = kDefaultFormat;
  text_.clear();
  for (QChar c : format_) text_ += c == u'/' ? u'/' : u'_';
}

bool DateEditModel::typeDigit(QChar digit) {
  if (caret_ >= maskLength()) return false;
  if (isSeparator(caret_)) ++caret_;  // never overwrite a separator
  const QString before = text_;
  ++caret_;
  text_[caret_ - 1] = digit;
  if (isSeparator(caret_)) ++caret_;
  return text_ != before;
}

bool DateEditModel::backspace() {
  if (caret_ == 0) return false;
  if (isSeparator(caret_ - 1)) --caret_;
  if (caret_ == 0) return false;
  const QString before = text_;
  text_[caret_ - 1] = u'_';
  --caret_;
  return text_ != before;
}

bool DateEditModel::blankRight() {
  if (caret_ >= maskLength() || isSeparator(caret_)) return false;
  const QString before = text_;
  text_[caret_] = u'_';
  return text_ != before;
}

bool DateEditModel::typeText(const QString& text) {
  bool changed = false;
  for (QChar c : text)
    if (c >= u'0' && c <= u'9') changed = typeDigit(c) || changed;
  return changed;
}

void DateEditModel::left() {
  if (caret_ == 0) return;
  --caret_;
  if (caret_ > 0 && isSeparator(caret_)) --caret_;
}

void DateEditModel::right() {
  if (caret_ >= maskLength()) return;
  ++caret_;
  if (isSeparator(caret_)) ++caret_;
}

void DateEditModel::placeCaret(int position) {
  caret_ = std::clamp(position, 0, maskLength());
  if (caret_ > 0 && isSeparator(caret_)) --caret_;
}

bool DateEditModel::zeroFillGroups() {
  if (isBlank()) return false;
  bool changed = false;
  bool leading = true;  // still at the start of a group
  for (int i = 0; i < maskLength(); ++i) {
    if (isSeparator(i)) {
      leading = true;
    } else if (text_[i] == u'_') {
      if (leading) {
        text_[i] = u'0';
        changed = true;
      }
    } else {
      leading = false;
    }
  }
  return changed;
}

bool DateEditModel::validate() {
  if (isBlank()) return true;
  zeroFillGroups();
  return parse(text_, format_).isValid();
}

QDate DateEditModel::parse(const QString& text, const QString& format) {
  if (text.size() != format.size()) return {};
  int day = 0, month = 0, year = 0;
  int yearDigits = 0;
  for (qsizetype i = 0; i < format.size();) {
    const QChar kind = format[i];
    if (kind == u'/') {
      if (text[i] != u'/') return {};
      ++i;
      continue;
    }
    int value = 0, digits = 0;
    for (; i < format.size() && format[i] == kind; ++i, ++digits) {
      if (text[i] < u'0' || text[i] > u'9') return {};
      value = value * 10 + text[i].digitValue();
    }
    if (kind == u'd') day = value;
    if (kind == u'm') month = value;
    if (kind == u'y') year = value, yearDigits = digits;
  }
  // Two-digit years as the program's short date format writes them.
  if (yearDigits == 2) year += year < 50 ? 2000 : 1900;
  if (year < 1) return {};
  return QDate(year, month, day);  // invalid for 31/02 or 29/02 outside a leap year
}

QString DateEditModel::formatDate(const QDate& date, const QString& format) {
  if (!date.isValid()) return {};
  QString pattern = format;
  pattern.replace(QLatin1Char('m'), QLatin1Char('M'));
  // Years below 1000 keep four digits.
  return date.toString(pattern);
}

QDate DateEditModel::dateValue() const {
  if (isBlank()) return {};
  DateEditModel filled = *this;  // as leaving the edit would read it
  filled.zeroFillGroups();
  return parse(filled.text_, format_);
}

void DateEditModel::setDateValue(const QDate& date) {
  if (!date.isValid()) {
    clear();
    return;
  }
  text_ = formatDate(date, format_).left(10);
}

bool DateEditModel::setText(const QString& text) {
  const QString value = text.left(10);
  if (value.isEmpty()) {
    clear();
    return true;
  }
  const QString previous = text_;
  text_ = value;
  if (text_.size() != maskLength() || !validate()) {
    text_ = previous;
    return false;
  }
  return true;
}

void DateEditModel::setFormat(const QString& format) {
  const QString f = format.left(10);
  if (f == format_ || !knownFormat(f)) return;
  const bool blank = isBlank();
  const QDate date = blank ? QDate() : parse(text_, format_);
  format_ = f;
  caret_ = std::min(caret_, maskLength());
  if (blank || !date.isValid())
    clear();
  else
    text_ = formatDate(date, format_);
}

void DateEditModel::enter() {
  caret_ = 0;
  undo_ = text_;
}

bool DateEditModel::leave() {
  const bool valid = validate();
  noteTyped();
  return valid;
}

void DateEditModel::undo() { setText(undo_); }

void DateEditModel::clearKeepingUndo() {
  undo_ = text_;
  clear();
  noteTyped();
}
